#include "app/file_properties_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>

#include "platform/number_format.h"
#include "platform/wave_reader.h"

namespace tqx {

namespace {

QString channelsText(int channels) {
    if (channels == 1) return "モノラル";
    if (channels == 2) return "ステレオ";
    return QString("%1 チャンネル").arg(channels);
}

}  // namespace

std::vector<std::pair<QString, QString>> FilePropertiesDialog::describe(const QString& path) {
    const QFileInfo info(path);
    std::vector<std::pair<QString, QString>> rows;
    rows.emplace_back("場所", info.absoluteFilePath());
    rows.emplace_back("サイズ", QLocale::c().toString(info.size()) + " バイト");

    const WaveScan scan = scanWaveFile(path.toStdString());
    if (scan.error != WaveReadError::None) return rows;
    const WaveFormat& f = scan.chunks.format;
    const QString kind = f.formatTag == WaveFormat::kPcm ? "PCM" : QString("形式 %1").arg(f.formatTag);
    rows.emplace_back("形式", QString("%1 %2 ビット %3 %4 Hz")
                                  .arg(kind)
                                  .arg(f.bitsPerSample)
                                  .arg(channelsText(f.channels))
                                  .arg(f.samplesPerSec));
    // Whole frames only, over what the file really holds.
    const std::uint32_t frameBytes = f.blockAlign ? f.blockAlign : (f.bitsPerSample / 8u) * f.channels;
    if (frameBytes && f.samplesPerSec) {
        const double seconds = double(scan.chunks.dataAvailable / frameBytes) / f.samplesPerSec;
        rows.emplace_back("長さ", QString::fromStdString(formatFixed(seconds, 3)) + " 秒");
    }
    return rows;
}

FilePropertiesDialog::FilePropertiesDialog(const QString& path, QWidget* parent)
    : QDialog(parent), rows_(describe(path)) {
    setWindowTitle(QFileInfo(path).fileName() + " のプロパティ");
    auto* form = new QFormLayout(this);
    for (const auto& [label, value] : rows_) {
        auto* text = new QLabel(value, this);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, text);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    form->addRow(buttons);
}

}  // namespace tqx
