#include "forms/effect_window.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

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
constexpr int kAreaMargin = 6;  // below and right of the lowest and rightmost control
}  // namespace

TForm2::TForm2(Studio& studio, QWidget* parent) : QWidget(parent), equalizer_(studio.equalizer()) {
    setWindowTitle("エフェクト");

    GroupBox1 = new QGroupBox("１０バンド・イコライザー", this);
    GroupBox1->setGeometry(kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight);
    // The caption's height depends on the font; the controls start under it.
    bandArea = new QWidget(GroupBox1);
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->addWidget(bandArea);

    Label14 = new QLabel("[Hz]", bandArea);
    Label15 = new QLabel("----", bandArea);
    CheckBox1 = new QCheckBox("ON", bandArea);
    Button1 = new QPushButton("リセット", bandArea);
    Button1->resize(kButtonWidth, std::max(kButtonHeight, Button1->sizeHint().height()));
    bandSetGroup_ = new QButtonGroup(this);
    for (int n = 0; n < static_cast<int>(kEqBandSetCount); ++n) {
        radioButtons[n] = new QRadioButton(QString::number(n + 1), bandArea);
        const int pitch = std::max(kRadioPitch, radioButtons[n]->sizeHint().height());
        radioButtons[n]->setGeometry(QRect(QPoint(kRadioLeft, kRadioTop + pitch * n), radioButtons[n]->sizeHint()));
        bandSetGroup_->addButton(radioButtons[n], n);
    }
    radioButtons[0]->setChecked(true);
    BuildBandControls();
    fitToControls();

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
        QSlider* slider = new QSlider(Qt::Vertical, bandArea);
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

        QLabel* label = new QLabel(QString::fromStdString(equalizer_.bandLabel(i)), bandArea);
        label->move(kBandLeft + kBandPitch * i, kBandSliderHeight + kBandSliderTop);
        label->setProperty("tag", kTagBase + i);
        label->adjustSize();
        bandLabels[i] = label;
    }

    const char* scaleTexts[3] = {"+", "0", "-"};
    const int scaleTops[3] = {16, kBandSliderHeight / 2 + 10, kBandSliderHeight};
    for (int k = 0; k < 3; ++k) {
        scaleLabels[k] = new QLabel(scaleTexts[k], bandArea);
        scaleLabels[k]->move(10, scaleTops[k]);
        scaleLabels[k]->setProperty("tag", kTagBase + k);
        scaleLabels[k]->adjustSize();
    }

    // The fixed controls go under the band labels: 14 and 20 pixels below their top, or
    // further down when the font makes the labels taller than that.
    const int labelTop = bandLabels[0]->y();
    const int labelHeight = bandLabels[0]->sizeHint().height();
    const int rowTop = labelTop + std::max(14, labelHeight);
    const int readoutTop = rowTop + 6;
    Label14->move(bandLabels[kEqBandCount - 1]->x() + 5, rowTop);
    Label14->adjustSize();
    Label15->setGeometry(kReadoutLeft, readoutTop, kReadoutWidth, Label15->sizeHint().height());
    CheckBox1->move(kCheckBoxLeft, readoutTop);
    CheckBox1->resize(CheckBox1->sizeHint());
    Button1->move(Label15->x() + Button1->width() + 5, rowTop);
}

void TForm2::fitToControls() {
    QRect used;
    for (QWidget* w : bandArea->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) used |= w->geometry();
    bandArea->setMinimumSize(used.right() + 1 + kAreaMargin, used.bottom() + 1 + kAreaMargin);
    const QSize group = GroupBox1->sizeHint().expandedTo(QSize(kGroupWidth, kGroupHeight));
    GroupBox1->resize(group);
    setMinimumSize(kGroupLeft * 2 + group.width(), kGroupTop * 2 + group.height());
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
