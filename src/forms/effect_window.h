#pragma once
// TForm2, the effect window: the ten-band equalizer's controls. The settings live in the
// core's Equalizer; every gesture here becomes a call on it, and its change listener puts
// the controls back in step with it.
#include <array>

#include <QWidget>

#include "effects/equalizer.h"
#include "session/studio.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace tqx {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(Studio& studio, QWidget* parent = nullptr);
    ~TForm2() override;

    int GetBandCount() const { return equalizer_.GetBandCount(); }
    // Band i's slider, or nullptr for an index outside 0..9.
    QSlider* GetBandTrackBar(int i) const;

    // Shows the equalizer's current state.
    void refresh();

    QGroupBox* GroupBox1 = nullptr;
    // The area under the group box's caption that holds every control of the equalizer;
    // the places below are counted from its top left.
    QWidget* bandArea = nullptr;
    std::array<QSlider*, kEqBandCount> bandTrackBars{};
    std::array<QLabel*, kEqBandCount> bandLabels{};
    std::array<QLabel*, 3> scaleLabels{};                       // "+", "0", "-"
    QLabel* Label14 = nullptr;                                  // "[Hz]"
    QLabel* Label15 = nullptr;                                  // the readout
    QCheckBox* CheckBox1 = nullptr;                             // "ON"
    std::array<QRadioButton*, kEqBandSetCount> radioButtons{};  // "1".."5"
    QPushButton* Button1 = nullptr;                             // "リセット"

private:
    void BuildBandControls();
    // Sizes the band area to hold its controls and the window to hold the group box.
    void fitToControls();

    Equalizer& equalizer_;
    Connection equalizerChanged_;
    QButtonGroup* bandSetGroup_ = nullptr;
};

}  // namespace tqx
