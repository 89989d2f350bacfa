#pragma once
// TForm2: the effect window with the ten-band equalizer (filled in later).
#include <QWidget>

namespace tqx {

class Studio;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(Studio& studio, QWidget* parent = nullptr);

private:
    Studio& studio_;
};

}  // namespace tqx
