#include "session/clip_commands.h"

#include "engine/transport.h"
#include "session/studio.h"
#include "session/track_commands.h"

namespace tqx {

namespace {
constexpr const char* kClipDeleteQuestion = "この音声を削除しますか？";
}  // namespace

void ClipPress(Studio& studio, ClipDragState& drag, int clipSlot, int x) {
    const TMultiWave* clip = studio.model.clip(clipSlot);
    if (!clip) return;
    // clip->left is an absolute column, so this is the column under the pointer at any scroll.
    studio.transport().seekToPixel(clip->left + x);
    drag.dragging = true;
    drag.moved = false;
    drag.originX = x;
}

void ClipSelect(Studio& studio, int clipSlot) {
    if (studio.model.clip(clipSlot)) studio.selectedClip = clipSlot;
}

bool ClipDragMove(Studio& studio, ClipDragState& drag, int clipSlot, int x) {
    TMultiWave* clip = studio.model.clip(clipSlot);
    if (!clip || !drag.dragging || drag.heightToggled || clip->GetPlaying()) return false;
    int left = clip->left + x - drag.originX;
    if (left < 0) left = 0;  // a clip cannot start before time 0
    if (left == clip->left) return false;
    clip->left = left;
    clip->SetTimelinePos(left);
    clip->SetStartTime(studio.timeline.secondsAtPixel(left, studio.model.ProjectSampleRate));
    studio.timeline.coverRight(left + clip->width);
    studio.model.changedClip(clipSlot, ClipChange::Moved);
    drag.moved = true;
    return true;
}

void ClipDrop(Studio& studio, ClipDragState& drag, int clipSlot, int y) {
    drag.heightToggled = false;
    TMultiWave* clip = studio.model.clip(clipSlot);
    const bool wasDragging = drag.dragging;
    drag.dragging = false;
    if (!clip || !wasDragging || clip->GetPlaying()) return;
    const int track = clip->GetTrack();
    if (studio.model.trackExists(track)) {
        const int rowY = studio.model.track(track).panelTop + y - kRulerHeight;
        studio.trackCommands().MoveClipToTrackAt(rowY, clipSlot);
    }
    drag.moved = false;
}

void N23Click(Studio& studio) {
    studio.StopAll();
    if (studio.dialogs.messageBox(kClipDeleteQuestion, studio.texts.caption(), DialogIcon::Warning,
                                  DialogButtons::YesNo) != DialogAnswer::Yes)
        return;
    studio.model.destroyClip(studio.selectedClip);
}

}  // namespace tqx
