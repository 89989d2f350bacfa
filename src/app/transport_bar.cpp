#include "app/transport_bar.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/level_meters.h"
#include "engine/transport.h"
#include "forms/meter_images.h"

namespace tqx {

namespace {

enum class Glyph { Play, Stop, Start, Record };

QIcon drawGlyph(Glyph glyph) {
    constexpr int kSize = 16;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    switch (glyph) {
        case Glyph::Play: {
            QPainterPath path;
            path.moveTo(4, 2);
            path.lineTo(14, 8);
            path.lineTo(4, 14);
            path.closeSubpath();
            p.fillPath(path, QColor(0, 128, 0));
            break;
        }
        case Glyph::Stop: p.fillRect(QRectF(3, 3, 10, 10), Qt::black); break;
        case Glyph::Start: {
            p.fillRect(QRectF(2, 2, 2, 12), Qt::black);
            QPainterPath path;
            path.moveTo(14, 2);
            path.lineTo(5, 8);
            path.lineTo(14, 14);
            path.closeSubpath();
            p.fillPath(path, Qt::black);
            break;
        }
        case Glyph::Record:
            p.setBrush(QColor(200, 0, 0));
            p.drawEllipse(QRectF(3, 3, 10, 10));
            break;
    }
    return QIcon(pixmap);
}

QToolButton* makeButton(QWidget* parent, const char* hint, Glyph glyph) {
    auto* button = new QToolButton(parent);
    button->setToolTip(QString::fromUtf8(hint));
    button->setIcon(drawGlyph(glyph));
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    return button;
}

}  // namespace

TransportBar::TransportBar(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setObjectName("TransportBar");
    SpeedButton1 = makeButton(this, "再生(停止)", Glyph::Play);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton2 = makeButton(this, "先頭", Glyph::Start);
    SpeedButton2->setObjectName("SpeedButton2");
    SpeedButton3 = makeButton(this, "録音", Glyph::Record);
    SpeedButton3->setObjectName("SpeedButton3");
    SpeedButton3->setCheckable(true);

    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setReadOnly(true);
    Edit2->setAlignment(Qt::AlignRight);
    Edit2->setFixedWidth(90);

    auto* scaleLabel = new QLabel(QString::fromUtf8("タイムスケール"), this);
    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setMinimumWidth(150);

    MasterIndicator = new QLabel(this);
    MasterIndicator->setObjectName("MasterIndicator");
    MasterIndicator->setFixedSize(kMasterMeterWidth, kMasterMeterHeight);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setReadOnly(true);
    Edit1->hide();

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton3);
    buttons->addWidget(Edit2);
    auto* left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addWidget(MasterIndicator);
    auto* scale = new QVBoxLayout;
    scale->addWidget(scaleLabel);
    scale->addWidget(TrackBar1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->addLayout(left);
    row->addLayout(scale);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] {
        studio_.transport().SpeedButton1Click();
        syncButtons();
    });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { studio_.transport().SpeedButton2Click(); });
    // The toggle has no action of its own: the next play press reads it.
    connect(SpeedButton3, &QToolButton::toggled, this,
            [this](bool down) { studio_.transport().setRecordToggle(down); });
    connect(TrackBar1, &QSlider::valueChanged, this,
            [this](int position) { studio_.transport().TrackBar1Change(position); });

    Edit2->setText(QString::fromStdString(studio_.texts.timeText()));
    syncSlider();
    syncButtons();
    showMasterMeter();

    timeChanged_ =
        studio_.texts.timeChanged.connect([this] { Edit2->setText(QString::fromStdString(studio_.texts.timeText())); });
    masterChanged_ = studio_.meters().masterMeterChanged.connect([this] {
        showMasterMeter();
        Edit1->setText(QString::fromStdString(studio_.texts.diagnostic()));
    });
    scaleChanged_ = studio_.timeline.scaleChanged.connect([this] { syncSlider(); });
    playingChanged_ = studio_.transport().playingChanged.connect([this] { syncButtons(); });
    toggleChanged_ = studio_.transport().recordToggleChanged.connect([this] { syncButtons(); });
}

void TransportBar::syncSlider() {
    const Timeline& tl = studio_.timeline;
    const QSignalBlocker block(TrackBar1);
    TrackBar1->setRange(tl.trackBarMin, tl.trackBarMax);
    TrackBar1->setValue(tl.trackBarPosition);
    TrackBar1->setTickInterval(tl.tickFrequency);
}

void TransportBar::syncButtons() {
    const bool playing = studio_.transport().isPlaying();
    if (playing != showingStop_) {
        showingStop_ = playing;
        SpeedButton1->setIcon(drawGlyph(playing ? Glyph::Stop : Glyph::Play));
    }
    if (SpeedButton3->isChecked() != studio_.transport().recordToggle) {
        const QSignalBlocker block(SpeedButton3);
        SpeedButton3->setChecked(studio_.transport().recordToggle);
    }
}

void TransportBar::showMasterMeter() {
    MasterIndicator->setPixmap(QPixmap::fromImage(toQImage(masterMeterImage(studio_.meters().masterMeter()))));
}

}  // namespace tqx
