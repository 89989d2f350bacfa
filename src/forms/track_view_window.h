#pragma once
// TForm5: the track view window (filled in later).
#include <QWidget>

namespace tqx {

class Studio;

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(Studio& studio, QWidget* parent = nullptr);

private:
    Studio& studio_;
};

}  // namespace tqx
