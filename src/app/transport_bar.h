#pragma once
// The transport part of the top panel: play/stop, go to start, the record toggle, the time
// display, the time-scale slider and the master meter. Every gesture becomes a call on the
// Studio's Transport; the bar follows what the transport, the meters and the window texts
// announce.
#include <QWidget>

#include "session/studio.h"

class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;

namespace tqx {

class TransportBar : public QWidget {
    Q_OBJECT
public:
    explicit TransportBar(Studio& studio, QWidget* parent = nullptr);

    QToolButton* SpeedButton1 = nullptr;  // 再生(停止)
    QToolButton* SpeedButton2 = nullptr;  // 先頭
    QToolButton* SpeedButton3 = nullptr;  // 録音 (stays down)
    QLineEdit* Edit2 = nullptr;           // time display
    QSlider* TrackBar1 = nullptr;         // タイムスケール
    QLabel* MasterIndicator = nullptr;    // 169 x 12 master meter
    QLineEdit* Edit1 = nullptr;           // hidden diagnostic field

private:
    void syncSlider();
    void syncButtons();
    void showMasterMeter();

    Studio& studio_;
    bool showingStop_ = false;
    Connection timeChanged_, masterChanged_, scaleChanged_, playingChanged_, toggleChanged_;
};

}  // namespace tqx
