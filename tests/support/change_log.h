#pragma once
// What a studio announced while a test ran: captions as they were set, the project's track
// and clip changes, whole-project replacements and memo lines.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "session/studio.h"

namespace tqx::test {

class ChangeLog {
public:
    explicit ChangeLog(Studio& studio) {
        connections_.push_back(
            studio.texts.captionChanged.connect([this, &studio] { captions.push_back(studio.texts.caption()); }));
        connections_.push_back(studio.texts.memoChanged.connect([this] { ++memoChanges; }));
        connections_.push_back(
            studio.model.trackChanged.connect([this](int slot, TrackChange what) { tracks.emplace_back(slot, what); }));
        connections_.push_back(
            studio.model.clipChanged.connect([this](int slot, ClipChange what) { clips.emplace_back(slot, what); }));
        connections_.push_back(studio.model.replaced.connect([this] { ++replacements; }));
    }

    bool sawTrack(TrackChange what) const {
        return std::any_of(tracks.begin(), tracks.end(), [&](const auto& e) { return e.second == what; });
    }
    bool sawClip(ClipChange what) const {
        return std::any_of(clips.begin(), clips.end(), [&](const auto& e) { return e.second == what; });
    }

    std::vector<std::string> captions;
    std::vector<std::pair<int, TrackChange>> tracks;
    std::vector<std::pair<int, ClipChange>> clips;
    int replacements = 0;
    int memoChanges = 0;

private:
    std::vector<Connection> connections_;
};

}  // namespace tqx::test
