#pragma once
// Pictures the program draws itself: the thirteen 32 x 32 track icons and the 26 x 21
// button picture behind the "M", "S" and "R" toggles of a track panel.
#include <QPixmap>

namespace tqx {

inline constexpr int kTrackIconSize = 32;
inline constexpr int kToggleWidth = 26;
inline constexpr int kToggleHeight = 21;

// Icon `index` (0..12); any other index gives an empty grey square.
const QPixmap& trackIcon(int index);
// The raised button face the toggle letters are written on.
const QPixmap& toggleButtonPicture();

}  // namespace tqx
