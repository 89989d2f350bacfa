#pragma once
// TForm6: the docking host for the effect window and the track view (filled in later).
#include <QWidget>

namespace tqx {

class Studio;

class TForm6 : public QWidget {
    Q_OBJECT
public:
    explicit TForm6(Studio& studio, QWidget* parent = nullptr);

private:
    Studio& studio_;
};

}  // namespace tqx
