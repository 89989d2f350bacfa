#include "app/wave_drop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "app/file_browser.h"
#include "io/wave_import.h"
#include "session/studio.h"

namespace tqx {

QStringList droppedWaveFiles(const QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (event->source() && data->hasFormat(kWaveFileMimeType)) {
        const QString path = QString::fromUtf8(data->data(kWaveFileMimeType));
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    // The file manager offers any files; only local WAVE files are taken.
    QStringList files;
    if (!data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo info(url.toLocalFile());
        if (info.suffix().compare("wav", Qt::CaseInsensitive) == 0 && info.isFile()) files << info.absoluteFilePath();
    }
    return files;
}

void acceptWaveDrag(QDropEvent* event) {
    if (droppedWaveFiles(event).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void importWaveDrop(Studio& studio, QDropEvent* event) {
    const QStringList files = droppedWaveFiles(event);
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    for (const QString& path : files) studio.importer().importInteractive(path.toStdString());
}

}  // namespace tqx
