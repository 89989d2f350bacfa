#pragma once
// TForm3: the track selection dialog for the mixdown of chosen tracks (filled in later).
#include <QDialog>

namespace tqx {

class Studio;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(Studio& studio, QWidget* parent = nullptr);

private:
    Studio& studio_;
};

}  // namespace tqx
