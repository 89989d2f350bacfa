#include "project/clip_commands.h"

#include "engine/studio.h"
#include "engine/transport.h"
#include "project/track_commands.h"

namespace tqx {

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
    clip->SetStartTime(studio.secondsAtPixel(left));
    Timeline& tl = studio.timeline;
    if (tl.hScrollRange - 200 < left + clip->width) tl.hScrollRange = left + clip->width + 200;
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
    // A drag in time within the same row still changes what the track view lists.
    if (drag.moved && clip->GetTrack() == track) studio.notify(Change::Clips);
    drag.moved = false;
}

}  // namespace tqx
