#pragma once
// What the track view shows and does, without its widgets: the two order lists, the value
// cells of the shown track, its clip rows, and the edits handed back to the project.
#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "project/project_model.h"

namespace tqx {

class Studio;

class TrackViewModel {
public:
    enum ValueRow { RowTrack = 1, RowName = 2, RowVolume = 3, RowPan = 4, RowGain = 5 };
    static constexpr int kClipColumns = 5;
    using ClipRow = std::array<std::string, kClipColumns>;

    explicit TrackViewModel(Studio& studio) : studio_(studio) {}

    static const std::array<const char*, kClipColumns>& clipColumnTitles();

    std::deque<TrackOrderEntry> CurrentOrder;  // items of the left list
    std::deque<TrackOrderEntry> NewOrder;      // items of the right list
    std::optional<TrackSettings> ShownTrack;
    std::deque<ClipEntry> ShownClips;
    int shownIndex = -1;  // item of the left list on show
    // The five value cells, rows 1..5 at indices 0..4.
    std::array<std::string, 5> cells;

    std::vector<std::string> leftItems() const;
    std::vector<std::string> rightItems() const;
    // Data rows of the clip grid: one per clip, or one empty row for a track without clips.
    std::vector<ClipRow> clipRows() const;

    // Fetches the order afresh, shows the top track (which becomes the selected track).
    void RefreshTrackView();
    // Fetches the shown track's values and clips afresh without touching the selection or a
    // half-built order: the selected track is shown, or while none is, the one shown before.
    // For every change that leaves the list of tracks as it is, and for showing the window.
    void FollowProject();
    // The items of both lists take their tracks' current names.
    void refreshItemNames();
    // Shows the track at `index` of the left list and selects it in the main window.
    void ListBox1Click(int index);
    // "=>": moves the selected items (indices of the left list) to the end of the right list.
    void Button1Click(const std::vector<int>& selected);
    // "OK": the rest follows in order; the i-th track takes the place of the i-th panel.
    void Button2Click();
    // "やり直し"
    void Button3Click() { RefreshTrackView(); }
    // "削除": asks, then removes the selected tracks (indices of the left list).
    void N1Click(const std::vector<int>& selected);
    // Leaving an edited value cell. `before` is the text it had when editing began (a copy:
    // the caller may hand the very cell this rewrites); the cell gets its resulting text.
    // Returns whether the values were applied.
    bool ValueListEditor1Validate(int row, const std::string& text, std::string before);
    // Enter on a start time in the clip grid (data row 1..n): only that row's clip moves.
    // Returns the cell's new text.
    std::string StringGrid1KeyPress(int row, const std::string& text, const std::string& before);
    // The start time's edit mask: four integer digits, or as many as `cellText` has.
    static std::string StringGrid1GetEditMask(const std::string& cellText);

private:
    void showTrack(int slot);
    void showValues();
    Studio& studio_;
};

// A whole-text decimal number, as the value editor accepts it; nothing otherwise.
std::optional<double> parseDecimal(const std::string& text);

}  // namespace tqx
