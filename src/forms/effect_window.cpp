#include "forms/effect_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

namespace tqx {

namespace {
constexpr int kBandSliderWidth = 17;
constexpr int kBandSliderHeight = 70;
constexpr int kBandSliderTop = 14;
constexpr int kBandLeft = 20;
constexpr int kBandPitch = 32;
constexpr int kTickInterval = 20;
constexpr int kTagBase = 100;  // band i's controls carry 100 + i

// Places fixed by this window's own layout (the band controls follow rules instead).
constexpr int kReadoutLeft = 20;
constexpr int kReadoutWidth = 100;
constexpr int kButtonWidth = 100;  // the readout ends before the button, which sits one button width to its right
constexpr int kButtonHeight = 25;
constexpr int kCheckBoxLeft = 240;
constexpr int kRadioLeft = 350;
constexpr int kRadioTop = 14;
constexpr int kRadioPitch = 18;
constexpr int kGroupLeft = 8, kGroupTop = 8, kGroupWidth = 392, kGroupHeight = 132;
}  // namespace

TForm2::TForm2(Studio& studio, QWidget* parent) : QWidget(parent), equalizer_(studio.equalizer()) {
    setWindowTitle("エフェクト");

    GroupBox1 = new QGroupBox("１０バンド・イコライザー", this);
    GroupBox1->setGeometry(kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight);

    Label14 = new QLabel("[Hz]", GroupBox1);
    Label15 = new QLabel("----", GroupBox1);
    CheckBox1 = new QCheckBox("ON", GroupBox1);
    Button1 = new QPushButton("リセット", GroupBox1);
    Button1->resize(kButtonWidth, kButtonHeight);
    bandSetGroup_ = new QButtonGroup(this);
    for (int n = 0; n < static_cast<int>(kEqBandSetCount); ++n) {
        radioButtons[n] = new QRadioButton(QString::number(n + 1), GroupBox1);
        radioButtons[n]->move(kRadioLeft, kRadioTop + kRadioPitch * n);
        bandSetGroup_->addButton(radioButtons[n], n);
    }
    radioButtons[0]->setChecked(true);
    BuildBandControls();
    setMinimumSize(kGroupLeft * 2 + kGroupWidth, kGroupTop * 2 + kGroupHeight);

    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { equalizer_.setOn(on); });
    connect(bandSetGroup_, &QButtonGroup::idToggled, this, [this](int n, bool checked) {
        if (checked) equalizer_.selectBandSet(n);
    });
    connect(Button1, &QPushButton::clicked, this, [this] { equalizer_.Button1Click(); });

    equalizerChanged_ = equalizer_.changed.connect([this] { refresh(); });
    refresh();
}

TForm2::~TForm2() = default;

void TForm2::BuildBandControls() {
    for (int i = 0; i < static_cast<int>(kEqBandCount); ++i) {
        QSlider* slider = new QSlider(Qt::Vertical, GroupBox1);
        slider->setGeometry(kBandLeft + kBandPitch * i, kBandSliderTop, kBandSliderWidth, kBandSliderHeight);
        slider->setRange(kEqPositionMin, kEqPositionMax);
        // −300 (the largest gain) at the top; up-arrow and wheel move the thumb up as well.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        slider->setTickPosition(QSlider::TicksRight);
        slider->setTickInterval(kTickInterval);
        slider->setProperty("tag", kTagBase + i);
        connect(slider, &QSlider::valueChanged, this,
                [this, i](int position) { equalizer_.setBandPosition(i, position); });
        bandTrackBars[i] = slider;

        QLabel* label = new QLabel(QString::fromStdString(equalizer_.bandLabel(i)), GroupBox1);
        label->move(kBandLeft + kBandPitch * i, kBandSliderHeight + kBandSliderTop);
        label->setProperty("tag", kTagBase + i);
        bandLabels[i] = label;
    }

    const char* scaleTexts[3] = {"+", "0", "-"};
    const int scaleTops[3] = {16, kBandSliderHeight / 2 + 10, kBandSliderHeight};
    for (int k = 0; k < 3; ++k) {
        scaleLabels[k] = new QLabel(scaleTexts[k], GroupBox1);
        scaleLabels[k]->move(10, scaleTops[k]);
        scaleLabels[k]->setProperty("tag", kTagBase + k);
    }

    // The fixed controls go under the band labels.
    const int labelTop = bandLabels[0]->y();
    Label14->move(bandLabels[kEqBandCount - 1]->x() + 5, labelTop + 14);
    Label15->setGeometry(kReadoutLeft, labelTop + 20, kReadoutWidth, Label15->sizeHint().height());
    CheckBox1->move(kCheckBoxLeft, labelTop + 20);
    Button1->move(Label15->x() + Button1->width() + 5, labelTop + 14);
}

QSlider* TForm2::GetBandTrackBar(int i) const {
    if (i < 0 || i >= static_cast<int>(kEqBandCount)) return nullptr;
    return bandTrackBars[i];
}

void TForm2::refresh() {
    // Setting the controls must not report back to the equalizer as gestures.
    for (int i = 0; i < static_cast<int>(kEqBandCount); ++i) {
        const QSignalBlocker block(bandTrackBars[i]);
        bandTrackBars[i]->setValue(equalizer_.bandPosition(i));
        bandLabels[i]->setText(QString::fromStdString(equalizer_.bandLabel(i)));
        bandLabels[i]->adjustSize();
    }
    Label15->setText(QString::fromStdString(equalizer_.readout()));
    {
        const QSignalBlocker block(CheckBox1);
        CheckBox1->setChecked(equalizer_.isOn());
    }
    const QSignalBlocker block(bandSetGroup_);
    radioButtons[equalizer_.bandSet()]->setChecked(true);
}

}  // namespace tqx
