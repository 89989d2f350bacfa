#pragma once
// The device lists of the top panel and the master volume wedge: "録音デバイス" with its
// "トラック毎に割り当てる" box, "再生デバイス" with its own, and the volume image.
#include <QWidget>

#include "session/studio.h"

class QCheckBox;
class QComboBox;

namespace tqx {

// The master volume image (126 x 20): draws the wedge up to the volume's column with its
// percentage; while the button is held the volume follows the mouse.
class MasterVolumeView : public QWidget {
    Q_OBJECT
public:
    explicit MasterVolumeView(Studio& studio, QWidget* parent = nullptr);
    QSize sizeHint() const override;

    void MasterVolumeMouseDown();
    void MasterVolumeMouseMove(int x);
    void MasterVolumeMouseUp();
    bool dragging() const { return dragging_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Studio& studio_;
    bool dragging_ = false;
    Connection volumeChanged_;
};

class DeviceBar : public QWidget {
    Q_OBJECT
public:
    explicit DeviceBar(Studio& studio, QWidget* parent = nullptr);

    QComboBox* ComboBox1 = nullptr;  // 録音デバイス
    QCheckBox* CheckBox1 = nullptr;  // トラック毎に割り当てる (recording)
    QComboBox* ComboBox2 = nullptr;  // 再生デバイス
    QCheckBox* CheckBox2 = nullptr;  // トラック毎に割り当てる (playback)
    MasterVolumeView* MasterVolume = nullptr;

private:
    // The lists and their enabled state, as the device choice has them.
    void fillLists();

    Studio& studio_;
    Connection devicesChanged_;
};

}  // namespace tqx
