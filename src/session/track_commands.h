#pragma once
// What the user does to tracks: create, select, delete, the toggles and sliders of a panel,
// icon and name, folding and resizing panels, swapping two tracks, and the row changes that
// clips make (resizing their row, dropping onto another row). Each change is announced by the
// project model.
#include <optional>
#include <string>

#include "project/project_model.h"

namespace tqx {

class Studio;

inline constexpr int kTrackIconCount = 13;
inline constexpr int kMaxTrackNameBytes = 255;  // in the project file's form of the name
inline constexpr const char* kTrackNameTooLongMessage =
    "エラー。トラック名が長すぎます。プロジェクトファイルに保存できるのは 255 バイト（シフトJIS"
    "で表せない文字は UTF-8）までです。";
// Whether the project file can store `name`: its stored form (cp932 where it has one) fits.
bool trackNameFits(const std::string& name);

enum class TrackSlider { Volume, Pan, Gain };

class TrackCommands {
public:
    // Shown under the gain slider after a double click has put it back to 0 dB; it differs
    // from the ordinary "0.0dB" value text on purpose.
    static constexpr const char* kGainResetText = "0.00dB";
    static constexpr const char* kDeleteQuestionSuffix = "は変更されています。削除しますか？";

    explicit TrackCommands(Studio& studio) : studio_(studio) {}

    // --- tracks ---
    // A track in the lowest free slot (or the given one), its panel below the others; the
    // slot, or -1 when nothing was created.
    int createTrack(std::optional<int> slot = {});
    // Menu "トラック(&T)": stops the engine, then creates one track.
    void newTrackCommand();
    // Badge drawn blue, SelectedTrack := slot. Slots without a track are ignored.
    void selectTrack(int slot);
    // "削除(&D)": removes SelectedTrack, asking first when something was recorded or
    // imported into it.
    void deleteSelectedTrack();

    // --- toggles and sliders ---
    void toggleMute(int slot);
    void toggleSolo(int slot);
    // Arming is refused, with a message, while the project's folder is too long for the paths
    // of its takes.
    void toggleRecordArm(int slot);
    // p is a slider position 0..kSliderWidth; anything else is ignored.
    void setVolumePosition(int slot, int p);
    void setPanPosition(int slot, int p);
    void setGainPosition(int slot, int p);
    void setSliderPosition(int slot, TrackSlider slider, int p);
    void resetPan(int slot);
    void resetGain(int slot);

    // The slider position that shows a track's current value.
    int sliderPosition(int slot, TrackSlider slider) const;

    static std::string volumeText(float volume);
    static std::string panText(float pan);
    static std::string gainText(float gain);
    static std::string sliderText(TrackSlider slider, float value);
    static const char* sliderName(TrackSlider slider);  // "Volume", "Pan", "Gain"
    float sliderValue(int slot, TrackSlider slider) const;

    // --- icon and name ---
    void setIcon(int slot, int icon);  // 0..12
    // False (nothing changes, the user is told) for a name the project file cannot store.
    bool setName(int slot, const std::string& name);

    // --- panel heights and order ---
    void expandAll();
    void foldAll();
    void togglePanelFold(int slot);          // 50 <-> 220
    void resizePanel(int slot, int height);  // clamped to 50..220
    void swapTracks(int dragged, int target);

    // --- rows seen from a clip ---
    // The clip's track row gets the height; true when it was limited at 220.
    bool ResizeTrackRow(int clipSlot, int height);
    // The clip's row toggles between 50 and 220 (a double click on the clip).
    void ToggleTrackRow(int clipSlot);
    // Gives the clip to the track whose row holds canvas y (rows start below the ruler).
    // Outside every row the clip stays where it is.
    void MoveClipToTrackAt(int y, int clipSlot);

private:
    void flip(int slot, bool TrackSlot::*flag);
    void setEveryPanelHeight(int height);

    Studio& studio_;
};

}  // namespace tqx
