#pragma once
// What the mouse does to a clip on the timeline, as calls on the Studio: a left press seeks
// and starts a drag, a move shifts the clip in time, the release drops it onto the row under
// the pointer, a right press selects it for its popup menu; and the popup's deletion. The
// clip widget keeps the pointer shape and row resizing; these keep the timeline's numbers
// right.
namespace tqx {

class Studio;

// The drag of one clip at a time (main-window state, one per timeline).
struct ClipDragState {
    bool dragging = false;       // set by a left press, cleared by the release
    bool heightToggled = false;  // set by a double click; moves are ignored until the release
    bool resizeLatch = false;    // a bottom-edge drag hit the largest row height
    bool moved = false;          // the dragged clip's start time changed
    int originX = 0;             // x of the left press in the clip's own coordinates
};

// Left press at x in the clip's coordinates: the play position goes under the pointer and a
// drag begins. A press on a playing clip still seeks.
void ClipPress(Studio& studio, ClipDragState& drag, int clipSlot, int x);
// Right press: the clip becomes the one its popup menu acts on.
void ClipSelect(Studio& studio, int clipSlot);
// Pointer moved to x (clip coordinates, relative to where the clip is now) while dragging:
// the clip's left edge follows by x - originX, never before time 0, and its start time is
// taken from the new column. Nothing moves while the clip is playing. True when it moved.
bool ClipDragMove(Studio& studio, ClipDragState& drag, int clipSlot, int x);
// Release at y in the clip's coordinates: a dragged clip that is not playing goes to the
// track whose row holds that y. Ends the drag.
void ClipDrop(Studio& studio, ClipDragState& drag, int clipSlot, int y);
// The clip popup's "削除(&D)": stops the engine and, when the user agrees, removes the clip
// the popup was opened on from the project; its file stays, and its slot keeps its number.
void N23Click(Studio& studio);

}  // namespace tqx
