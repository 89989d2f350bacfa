#pragma once
// The project's tables: tracks by slot (10,001 slots, tracks live in 0..9,999) and clips by
// slot (32,768). A slot number is a track's or clip's identity everywhere.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/signal.h"
#include "platform/wave_format.h"
#include "project/multi_wave.h"

namespace tqx {

inline constexpr int kTrackSlots = 10001;
inline constexpr int kUsableTrackSlots = 10000;  // slot 10,000 never holds a track
inline constexpr int kClipSlots = 32768;
inline constexpr int kRulerHeight = 20;  // the clip area's ruler strip (and the header strip)
inline constexpr int kPanelGap = 10;     // space under every track panel
inline constexpr int kMinPanelHeight = 50;
inline constexpr int kMaxPanelHeight = 220;
inline constexpr int kSliderWidth = 100;  // volume, pan and gain sliders

struct TrackSlot {
    bool exists = false;
    bool untouched = true;
    bool recordArmed = false;
    bool muted = false;
    bool soloed = false;
    float volume = 1.0f;
    float pan = 0.0f;
    float gain = 0.0f;
    int playbackDevice = -1;
    int recordingDevice = -1;
    int icon = 1;
    std::string name;  // the panel's name field
    int panelTop = 0;  // in the track column, before scrolling
    int panelHeight = kMinPanelHeight;
    // The interactive import's working area, kept between imports.
    WaveFormat importFormat{};
    std::vector<std::uint8_t> importBuffer;
    std::uint32_t importBufferSize = 0;
};

struct TrackSettings {
    int slot = 0;
    std::string name;
    float volume = 1.0f;
    float pan = 0.0f;
    float gain = 0.0f;
    int playbackDevice = -1;
    int recordingDevice = -1;
    int icon = 1;
    std::uint8_t recordArmed = 0;
    std::uint8_t muted = 0;
    std::uint8_t soloed = 0;
};

struct TrackOrderEntry {
    int slot = 0;
    int displayOrder = 0;  // 1..N
    int panelTop = 0;
    std::string name;
};
// How lists of tracks show an entry: "Track3 (ギター)".
std::string trackItemText(const TrackOrderEntry& entry);

struct ClipEntry {
    int clipSlot = 0;
    int trackSlot = 0;
    std::string path;      // at most 259 bytes in the project file
    std::string channels;  // "ステレオ" or "モノラル"
    int sampleRate = 0;
    float start = 0.0f;
    float duration = 0.0f;
};

// Positions of the volume, pan and gain sliders (width kSliderWidth) and the values they
// store. Values read from a file are quantised to this pixel grid.
int volumeToSliderPosition(float volume);
int panToSliderPosition(float pan);
int gainToSliderPosition(float gain);
float sliderPositionToVolume(int position);
float sliderPositionToPan(int position);
float sliderPositionToGain(int position);

// What changed of a track or a clip, as the project announces it.
enum class TrackChange {
    Added,
    Removed,
    Named,     // its name
    Values,    // volume, pan, gain, toggles, devices, icon
    Layout,    // panel heights or folding
    Order,     // the panels' on-screen order
    Selected,  // became the selected track
};
enum class ClipChange {
    Added,
    Removed,
    Moved,  // start time, track or place on the timeline
    Data,   // its audio (a take read back)
};

// The project document: every track and clip and the values the project file saves. Each
// change is announced with what changed; the operations below announce their own, and code
// that changes a track's or clip's fields directly announces it (changedTrack, changedClip).
// GUI thread.
class ProjectModel {
public:
    ProjectModel();

    int ProjectSampleRate = 44100;
    std::string ProjectPath;
    std::string SavePath;
    int SelectedTrack = -1;
    bool AnySolo = false;
    int recordingMode = 0;  // 0 "ステレオ", 1 "モノラル": the channels of every new take
    // Any value but 1 (mono) records stereo, as a project file's unknown value does.
    void setRecordingMode(int mode) {
        const int wanted = mode == 1 ? 1 : 0;
        if (wanted == recordingMode) return;
        recordingMode = wanted;
        markModified();
    }

    Signal<int, TrackChange> trackChanged;  // track slot, -1 for many
    Signal<int, ClipChange> clipChanged;    // clip slot
    Signal<> replaced;                      // the whole project (reset, opened, built anew)
    void changedTrack(int slot, TrackChange what) {
        // Panel heights and the selection are not part of the project file.
        if (what != TrackChange::Layout && what != TrackChange::Selected) markModified();
        if (bulk_ == 0) trackChanged(slot, what);
    }
    void changedClip(int slot, ClipChange what) {
        markModified();
        if (bulk_ == 0) clipChanged(slot, what);
    }

    // Whether the project holds changes that its file does not: set by every edit of what the
    // file saves, cleared once the project was saved, opened or made anew. Edits made while a
    // project is built (BulkChange) do not count.
    bool modified() const { return modified_; }
    void markModified() {
        if (bulk_ == 0 && !modified_) setModified(true);
    }
    // Announces every call: a save under a new name changes the title even when nothing was
    // modified.
    void setModified(bool modified) {
        modified_ = modified;
        modifiedChanged();
    }
    Signal<> modifiedChanged;

    // While one lives, single changes are not announced; when the last one goes, the whole
    // project is announced as replaced. For building a project from scratch (opening a file,
    // a new project), where followers would otherwise rebuild a view at every track.
    class BulkChange {
    public:
        explicit BulkChange(ProjectModel& model) : model_(model) { ++model_.bulk_; }
        ~BulkChange() {
            if (--model_.bulk_ == 0) model_.replaced();
        }
        BulkChange(const BulkChange&) = delete;
        BulkChange& operator=(const BulkChange&) = delete;

    private:
        ProjectModel& model_;
    };

    TrackSlot& track(int slot) { return TrackTable[static_cast<std::size_t>(slot)]; }
    const TrackSlot& track(int slot) const { return TrackTable[static_cast<std::size_t>(slot)]; }
    bool trackExists(int slot) const { return slot >= 0 && slot < kTrackSlots && TrackTable[slot].exists; }

    // Creates a track in the lowest free slot (or the given one) and stacks its panel below
    // the others; the slot, or -1 when nothing was created. Layout changes below are
    // announced with slot -1 when they move every panel.
    int createTrack(std::optional<int> slot = std::nullopt);
    // Removes the track and its clips; SelectedTrack becomes -1.
    void removeTrack(int slot);
    // Destroys every clip and removes every track; SelectedTrack stays.
    void resetProject();

    int trackCount() const;
    int clipCount() const;
    int totalTrackHeight() const;
    void updateAnySolo();
    // Audible during playback: not muted, and soloed when any track is.
    bool trackAudible(int slot) const;

    std::optional<TrackSettings> gatherSettings(int slot) const;
    // Volume, pan and gain go through the sliders' grid. With `full`, devices (an index
    // outside the device list becomes -1), icon and the three toggles are applied too.
    void applySettings(int slot, const TrackSettings& settings, bool full, int playbackDeviceCount,
                       int recordingDeviceCount);

    std::deque<TrackOrderEntry> buildOrderedTrackList() const;
    std::deque<ClipEntry> buildClipList(int trackSlot) const;
    // Panel tops from the list, then the panels are stacked again in that order.
    void applyTrackOrder(const std::deque<TrackOrderEntry>& order);

    // Panels stack from the top in the order of their tops, each followed by kPanelGap.
    void restackPanels();
    void setPanelHeight(int slot, int height);  // clamped to 50..220
    void swapPanels(int a, int b);

    // --- clips ---
    TMultiWave* clip(int slot) const;
    int firstFreeClipSlot() const;  // -1 when full
    // A new, empty clip in `slot`; whoever fills it announces it (ClipChange::Added) once it
    // is complete.
    TMultiWave& createClip(int slot);
    void destroyClip(int slot);
    // Occupied clip slots in ascending order.
    std::vector<int> clipSlots() const;

private:
    int bulk_ = 0;
    bool modified_ = false;
    std::vector<TrackSlot> TrackTable;                   // kTrackSlots slots
    std::vector<std::unique_ptr<TMultiWave>> ClipTable;  // kClipSlots slots, empty or one clip
};

// Sorts entries by key ascending with the recursive middle-pivot exchange sort the project
// has always used; the order of equal keys follows from it (exports depend on that order).
template <typename Entry, typename Key>
void quickSortByKey(std::vector<Entry>& list, Key key, int lo, int hi) {
    int i = lo, j = hi;
    const double pivot = static_cast<double>(key(list[static_cast<std::size_t>((lo + hi) / 2)]));
    for (;;) {
        while (static_cast<double>(key(list[static_cast<std::size_t>(i)])) < pivot) ++i;
        while (static_cast<double>(key(list[static_cast<std::size_t>(j)])) > pivot) --j;
        if (i >= j) break;
        std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
        --j;
        ++i;
    }
    if (lo < i - 1) quickSortByKey(list, key, lo, i - 1);
    if (j + 1 < hi) quickSortByKey(list, key, j + 1, hi);
}

template <typename Entry, typename Key>
void quickSortByKey(std::vector<Entry>& list, Key key) {
    if (list.size() > 1) quickSortByKey(list, key, 0, static_cast<int>(list.size()) - 1);
}

}  // namespace tqx
