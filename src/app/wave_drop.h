#pragma once
// What the timeline and the track column take from a drop: a file dragged out of the
// program's own file list, or WAVE files dragged from the desktop's file manager (a list of
// file URLs). Both import into the selected track, as the file list's drop does.
#include <QStringList>

class QDropEvent;
class QMimeData;

namespace tqx {

class Studio;

// The files a drop would import, in the order dropped; empty when it brings none (a drag
// from elsewhere, no local file, no ".wav" among them).
QStringList droppedWaveFiles(const QDropEvent* event);

// Drag enter and move: accepts the drag when it brings files to import.
void acceptWaveDrag(QDropEvent* event);
// Drop: imports every file it brings, one after another.
void importWaveDrop(Studio& studio, QDropEvent* event);

}  // namespace tqx
