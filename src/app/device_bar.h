#pragma once
// The device lists of the top panel and the master volume wedge: "録音デバイス" with its
// "トラック毎に割り当てる" box, "再生デバイス" with its own, and the volume image.
#include <QWidget>

#include "engine/studio.h"

class QCheckBox;
class QComboBox;

namespace tqx {

// The master volume image (126 x 20): draws MasterVolume's picture and its percentage, and
// hands mouse presses, moves and releases to it.
class MasterVolumeView : public QWidget {
    Q_OBJECT
public:
    explicit MasterVolumeView(Studio& studio, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Studio& studio_;
};

class DeviceBar : public QWidget {
    Q_OBJECT
public:
    explicit DeviceBar(Studio& studio, QWidget* parent = nullptr);

    // The main window passes on the core's changes: Devices refills the lists and their
    // enabled state, MasterVolume repaints the wedge.
    void refresh(Change change);

    QComboBox* ComboBox1 = nullptr;  // 録音デバイス
    QCheckBox* CheckBox1 = nullptr;  // トラック毎に割り当てる (recording)
    QComboBox* ComboBox2 = nullptr;  // 再生デバイス
    QCheckBox* CheckBox2 = nullptr;  // トラック毎に割り当てる (playback)
    MasterVolumeView* MasterVolume = nullptr;

private:
    void fillLists();

    Studio& studio_;
};

}  // namespace tqx
