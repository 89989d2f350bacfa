#pragma once
// The export commands of the File menu, the track popup menu and the clip popup menu: track
// export, clip export, and the mixdowns of chosen tracks and of the whole project. Each first
// stops playback and recording and reports its own failures.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/export_context.h"
#include "io/ravelin_client.h"

namespace tqx {

class Exporter {
public:
    // `stopAll` ends playback and recording before each export; `currentClip` is the clip the
    // clip popup menu was opened on.
    Exporter(ExportContext context, std::function<void()> stopAll, const int& currentClip)
        : context_(context), stopAll_(std::move(stopAll)), currentClip_(currentClip) {}

    // The converter used for clips that are not stereo at the project rate.
    std::string converterLibrary = kRavelinLibraryFile;

    // "トラック(&T)..." / the track popup's export: the selected track, rendered, as 16-bit stereo.
    void N25Click();
    // The clip popup's "エクスポート(&E)": the current clip in its own format, track settings and
    // equalizer applied.
    void E1Click();
    // "トラック選択(&S)...": mixdown of the tracks ticked in the track selection dialog.
    void S2Click();
    // "全体(&A)...": mixdown of every track.
    void A2Click();

private:
    std::optional<std::string> askSavePath();
    void mixdownTo(const std::vector<int>& trackSlots);
    void writeTrack(int track, const std::string& path);
    void writeClip(int clipSlot, const std::string& path);

    ExportContext context_;
    std::function<void()> stopAll_;
    const int& currentClip_;
};

}  // namespace tqx
