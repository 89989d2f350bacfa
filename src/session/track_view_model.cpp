#include "session/track_view_model.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "engine/transport.h"
#include "platform/number_format.h"
#include "session/studio.h"
#include "session/track_commands.h"

namespace tqx {

std::optional<double> parseDecimal(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b == e) return std::nullopt;
    const std::string t = text.substr(b, e - b);
    if (t.find_first_not_of("+-.0123456789eE") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size()) return std::nullopt;
    return v;
}

const std::array<const char*, TrackViewModel::kClipColumns>& TrackViewModel::clipColumnTitles() {
    static const std::array<const char*, kClipColumns> titles{"再生位置", "ファイル名", "サンプリング周波数",
                                                              "ステレオ/モノラル", "再生時間"};
    return titles;
}

std::vector<std::string> TrackViewModel::leftItems() const {
    std::vector<std::string> out;
    for (const auto& e : CurrentOrder) out.push_back(trackItemText(e));
    return out;
}

std::vector<std::string> TrackViewModel::rightItems() const {
    std::vector<std::string> out;
    for (const auto& e : NewOrder) out.push_back(trackItemText(e));
    return out;
}

std::vector<TrackViewModel::ClipRow> TrackViewModel::clipRows() const {
    std::vector<ClipRow> rows;
    for (const auto& c : ShownClips)
        rows.push_back({formatFixed(c.start, 3, 4), c.path, std::to_string(c.sampleRate) + "Hz", c.channels,
                        formatFixed(c.duration, 3, 4) + "秒"});
    if (rows.empty()) rows.push_back({});
    return rows;
}

void TrackViewModel::RefreshTrackView() {
    CurrentOrder = studio_.model.buildOrderedTrackList();
    NewOrder.clear();
    if (CurrentOrder.empty()) {
        shownIndex = -1;
        ShownTrack.reset();
        ShownClips.clear();
        cells = {};
        return;
    }
    ListBox1Click(0);
}

void TrackViewModel::ListBox1Click(int index) {
    if (CurrentOrder.empty() || index < 0 || index >= static_cast<int>(CurrentOrder.size())) return;
    const int slot = CurrentOrder[static_cast<std::size_t>(index)].slot;
    studio_.trackCommands().selectTrack(slot);
    showTrack(slot);
}

void TrackViewModel::FollowProject() {
    refreshItemNames();
    const ProjectModel& m = studio_.model;
    int slot = m.SelectedTrack;
    if (!m.trackExists(slot)) slot = ShownTrack && m.trackExists(ShownTrack->slot) ? ShownTrack->slot : -1;
    if (slot < 0 && !CurrentOrder.empty()) slot = CurrentOrder.front().slot;
    if (!m.trackExists(slot)) {
        shownIndex = -1;
        ShownTrack.reset();
        ShownClips.clear();
        cells = {};
        return;
    }
    showTrack(slot);
}

void TrackViewModel::refreshItemNames() {
    for (auto* list : {&CurrentOrder, &NewOrder})
        for (TrackOrderEntry& e : *list)
            if (studio_.model.trackExists(e.slot)) e.name = studio_.model.track(e.slot).name;
}

void TrackViewModel::showTrack(int slot) {
    const auto at = std::find_if(CurrentOrder.begin(), CurrentOrder.end(),
                                 [slot](const TrackOrderEntry& e) { return e.slot == slot; });
    shownIndex = at == CurrentOrder.end() ? -1 : static_cast<int>(at - CurrentOrder.begin());
    ShownTrack = studio_.model.gatherSettings(slot);
    ShownClips = studio_.model.buildClipList(slot);
    showValues();
}

void TrackViewModel::showValues() {
    if (!ShownTrack) {
        cells = {};
        return;
    }
    cells[RowTrack - 1] = std::to_string(ShownTrack->slot + 1);
    cells[RowName - 1] = ShownTrack->name;
    cells[RowVolume - 1] = TrackCommands::volumeText(ShownTrack->volume);
    cells[RowPan - 1] = TrackCommands::panText(ShownTrack->pan);
    cells[RowGain - 1] = formatFixed(ShownTrack->gain, 1);
}

void TrackViewModel::Button1Click(const std::vector<int>& selected) {
    std::vector<int> sorted = selected;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::deque<TrackOrderEntry> kept;
    for (int i = 0; i < static_cast<int>(CurrentOrder.size()); ++i) {
        if (std::binary_search(sorted.begin(), sorted.end(), i))
            NewOrder.push_back(CurrentOrder[i]);
        else
            kept.push_back(CurrentOrder[i]);
    }
    CurrentOrder = std::move(kept);
}

void TrackViewModel::Button2Click() {
    for (const auto& e : CurrentOrder) NewOrder.push_back(e);
    CurrentOrder.clear();
    const auto places = studio_.model.buildOrderedTrackList();
    for (std::size_t i = 0; i < NewOrder.size() && i < places.size(); ++i) {
        NewOrder[i].displayOrder = static_cast<int>(i) + 1;
        NewOrder[i].panelTop = places[i].panelTop;
    }
    studio_.model.applyTrackOrder(std::deque<TrackOrderEntry>(NewOrder));
    RefreshTrackView();
}

void TrackViewModel::N1Click(const std::vector<int>& selected) {
    std::vector<int> rows;
    for (int i : selected)
        if (i >= 0 && i < static_cast<int>(CurrentOrder.size())) rows.push_back(i);
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    const std::string question = rows.size() == 1 ? CurrentOrder[rows.back()].name + "を削除しますか？"
                                                  : std::string("選択しているトラックを削除しますか？");
    if (studio_.dialogs.messageBox(question, studio_.texts.caption(), DialogIcon::Warning, DialogButtons::YesNo) ==
        DialogAnswer::No)
        return;
    studio_.StopAll();  // no device may still play a clip that goes with its track
    for (int i : rows) studio_.model.removeTrack(CurrentOrder[i].slot);
    RefreshTrackView();
}

bool TrackViewModel::ValueListEditor1Validate(int row, const std::string& text, std::string before) {
    if (cells[RowTrack - 1].empty() || !ShownTrack) return false;
    if (row == RowName && !trackNameFits(text)) {
        studio_.dialogs.messageBox(kTrackNameTooLongMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
        cells[RowName - 1] = before;
        return false;
    }
    if (row >= RowName && row <= RowGain) cells[row - 1] = text;
    if (row == RowVolume || row == RowGain) {
        auto v = parseDecimal(text);
        if (!v) {
            cells[row - 1] = before;
            return false;
        }
        const float limit = row == RowVolume ? 1.0f : 5.0f;
        const float low = row == RowVolume ? 0.0f : -5.0f;
        const float value = std::clamp(static_cast<float>(*v), low, limit);
        cells[row - 1] = formatFixed(value, row == RowVolume ? 2 : 1);
    }
    TrackSettings s = *ShownTrack;
    s.name = cells[RowName - 1];
    s.volume = static_cast<float>(parseDecimal(cells[RowVolume - 1]).value_or(s.volume));
    s.gain = static_cast<float>(parseDecimal(cells[RowGain - 1]).value_or(s.gain));
    std::string pan = cells[RowPan - 1];
    std::string lower = pan;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "center") {
        s.pan = 0.0f;
    } else {
        const char side = pan.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(pan[0])));
        auto w = (side == 'L' || side == 'R') ? parseDecimal(pan.substr(1)) : std::nullopt;
        if (!w || *w > 1.0 || *w < 0.0) {
            cells[RowPan - 1] = "center";
            return false;
        }
        s.pan = static_cast<float>(side == 'L' ? -*w : *w);
        cells[RowPan - 1] = std::string(1, side) + formatFixed(*w, 2);
    }
    studio_.model.applySettings(s.slot, s, false, 0, 0);
    // Applied without the devices and toggles, the settings are announced here: the panels
    // follow what was typed.
    if (s.name != ShownTrack->name) studio_.model.changedTrack(s.slot, TrackChange::Named);
    studio_.model.changedTrack(s.slot, TrackChange::Values);
    ShownTrack = studio_.model.gatherSettings(s.slot);
    return true;
}

std::string TrackViewModel::StringGrid1KeyPress(int row, const std::string& text, const std::string& before) {
    if (ShownClips.empty() || row < 1 || row > static_cast<int>(ShownClips.size())) return text;
    if (studio_.transport().isPlaying()) {
        studio_.dialogs.messageBox("再生中は変更できません。", kApplicationTitle, DialogIcon::None, DialogButtons::Ok);
        return text;
    }
    auto v = parseDecimal(text);
    if (!v || *v < 0.0) return before;  // the edit mask admits no sign
    ClipEntry& entry = ShownClips[static_cast<std::size_t>(row - 1)];
    // Only the clip of this row moves, and only while it is still the clip the row shows.
    TMultiWave* c = studio_.model.clip(entry.clipSlot);
    if (!c || !ShownTrack || c->GetTrack() != ShownTrack->slot) return before;
    entry.start = static_cast<float>(*v);
    c->SetStartTime(entry.start);
    studio_.timeline.layClip(*c, studio_.model.ProjectSampleRate);
    studio_.model.changedClip(entry.clipSlot, ClipChange::Moved);
    return text;
}

std::string TrackViewModel::StringGrid1GetEditMask(const std::string& cellText) {
    const std::size_t point = cellText.find('.');
    const std::size_t digits = std::max<std::size_t>(4, point == std::string::npos ? cellText.size() : point);
    return std::string(digits, '0') + ".000";
}

}  // namespace tqx
