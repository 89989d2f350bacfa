#include "forms/docking_window.h"

namespace tqx {

TForm6::TForm6(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setWindowTitle("ヴァリアスウィンドウ");
}

}  // namespace tqx
