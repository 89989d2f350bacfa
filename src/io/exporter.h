#pragma once
// The export commands of the File menu, the track popup menu and the clip popup menu: track
// export, clip export, clip deletion, and the mixdowns of chosen tracks and of the whole
// project. Each first stops playback and recording and reports its own failures.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/ravelin_client.h"

namespace tqx {

class Studio;

class Exporter {
public:
    explicit Exporter(Studio& studio) : studio_(studio) {}

    // Shows the track selection dialog; the ticked item indices into a fresh
    // model.buildOrderedTrackList(), nothing when the dialog was cancelled. Set by the window.
    std::function<std::optional<std::vector<int>>()> chooseTracks;
    // The converter used for clips that are not stereo at the project rate.
    std::string converterLibrary = kRavelinLibraryFile;

    // "トラック(&T)..." / the track popup's export: the selected track, rendered, as 16-bit stereo.
    void N25Click();
    // The clip popup's "エクスポート(&E)": the current clip in its own format, track settings and
    // equalizer applied.
    void E1Click();
    // The clip popup's "削除(&D)": removes the current clip from the project; its file stays.
    void N23Click();
    // "トラック選択(&S)...": mixdown of the tracks ticked in the track selection dialog.
    void S2Click();
    // "全体(&A)...": mixdown of every track.
    void A2Click();

private:
    std::optional<std::string> askSavePath();
    void mixdownTo(const std::vector<int>& trackSlots);
    void writeTrack(int track, const std::string& path);
    void writeClip(int clipSlot, const std::string& path);

    Studio& studio_;
};

}  // namespace tqx
