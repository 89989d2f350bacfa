#include "forms/new_project_dialog.h"

namespace tqx {

TForm4::TForm4(Studio& studio, QWidget* parent) : QDialog(parent), studio_(studio) {
    setWindowTitle("新規作成");
}

}  // namespace tqx
