#include "app/device_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

#include "engine/device_choice.h"
#include "engine/master_volume.h"
#include "forms/master_volume_image.h"
#include "forms/rgb_image.h"

namespace tqx {

namespace {

void setItems(QComboBox* box, const std::vector<std::string>& items, int current) {
    const QSignalBlocker block(box);
    box->clear();
    for (const auto& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(current);
}

}  // namespace

MasterVolumeView::MasterVolumeView(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setObjectName("MasterVolume");
    setFixedSize(MasterVolume::kWidth, kMasterVolumeHeight);
    volumeChanged_ = studio_.masterVolume().changed.connect([this] { update(); });
}

QSize MasterVolumeView::sizeHint() const { return {MasterVolume::kWidth, kMasterVolumeHeight}; }

void MasterVolumeView::paintEvent(QPaintEvent*) {
    const auto& volume = studio_.masterVolume();
    if (!volume.drawn()) return;  // undrawn until the library answered or the user dragged
    QPainter p(this);
    p.drawImage(0, 0, toQImage(masterVolumeImage(volume.column())));
    QFont font = p.font();
    font.setPointSize(10);
    p.setFont(font);
    p.setPen(Qt::black);
    const QString text = QString::fromStdString(volume.percentText());
    p.drawText(QPoint(0, QFontMetrics(font).ascent()), text);
}

void MasterVolumeView::MasterVolumeMouseDown() { dragging_ = true; }

void MasterVolumeView::MasterVolumeMouseMove(int x) {
    if (dragging_) studio_.masterVolume().setColumn(x);
}

void MasterVolumeView::MasterVolumeMouseUp() { dragging_ = false; }

void MasterVolumeView::mousePressEvent(QMouseEvent*) { MasterVolumeMouseDown(); }

void MasterVolumeView::mouseMoveEvent(QMouseEvent* event) {
    MasterVolumeMouseMove(static_cast<int>(event->position().x()));
}

void MasterVolumeView::mouseReleaseEvent(QMouseEvent*) { MasterVolumeMouseUp(); }

DeviceBar::DeviceBar(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 2);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    CheckBox1 = new QCheckBox(DeviceChoice::kPerTrackLabel, this);
    CheckBox1->setObjectName("CheckBox1");
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName("ComboBox2");
    CheckBox2 = new QCheckBox(DeviceChoice::kPerTrackLabel, this);
    CheckBox2->setObjectName("CheckBox2");
    MasterVolume = new MasterVolumeView(studio_, this);
    // Device names are read whole, in the list and in its popup.
    for (QComboBox* list : {ComboBox1, ComboBox2}) list->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    grid->addWidget(new QLabel("録音デバイス", this), 0, 0);
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(CheckBox1, 1, 0, 1, 2);  // under the list, as wide as label and list
    grid->addWidget(new QLabel("再生デバイス", this), 0, 2);
    grid->addWidget(ComboBox2, 0, 3);
    grid->addWidget(CheckBox2, 1, 2, 1, 2);
    grid->addWidget(MasterVolume, 0, 4, Qt::AlignLeft | Qt::AlignVCenter);
    grid->setColumnStretch(5, 1);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this](int i) { studio_.deviceChoice().ComboBox1Change(i); });
    connect(ComboBox2, &QComboBox::currentIndexChanged, this,
            [this](int i) { studio_.deviceChoice().ComboBox2Change(i); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { studio_.deviceChoice().CheckBox1Click(on); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) { studio_.deviceChoice().CheckBox2Click(on); });
    fillLists();
    devicesChanged_ = studio_.deviceChoice().changed.connect([this] { fillLists(); });
}

void DeviceBar::fillLists() {
    const DeviceChoice& choice = studio_.deviceChoice();
    const DeviceSelection& d = studio_.devices;
    setItems(ComboBox1, choice.inputItems(), choice.inputItemOf(d.InputDeviceId));
    setItems(ComboBox2, choice.outputItems(), choice.outputItemOf(d.OutputDeviceId));
    {
        const QSignalBlocker b1(CheckBox1), b2(CheckBox2);
        CheckBox1->setChecked(d.perTrackRecording);
        CheckBox2->setChecked(d.perTrackPlayback);
    }
    ComboBox1->setEnabled(choice.inputListEnabled());
    ComboBox2->setEnabled(choice.outputListEnabled());
}

}  // namespace tqx
