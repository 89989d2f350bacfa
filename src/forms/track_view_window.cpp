#include "forms/track_view_window.h"

namespace tqx {

TForm5::TForm5(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setWindowTitle("トラックビュー");
}

}  // namespace tqx
