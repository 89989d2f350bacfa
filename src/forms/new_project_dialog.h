#pragma once
// TForm4: the new project dialog (filled in later).
#include <QDialog>

namespace tqx {

class Studio;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(Studio& studio, QWidget* parent = nullptr);

private:
    Studio& studio_;
};

}  // namespace tqx
