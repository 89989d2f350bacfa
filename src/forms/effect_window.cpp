#include "forms/effect_window.h"

namespace tqx {

TForm2::TForm2(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setWindowTitle("エフェクト");
}

}  // namespace tqx
