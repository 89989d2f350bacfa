#include "forms/track_selection_dialog.h"

namespace tqx {

TForm3::TForm3(Studio& studio, QWidget* parent) : QDialog(parent), studio_(studio) {
    setWindowTitle("トラック選択");
}

}  // namespace tqx
