#include "app/file_browser.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QStorageInfo>
#include <QUrl>
#include <QVBoxLayout>

#include "app/file_properties_dialog.h"

namespace tqx {

namespace {
constexpr int kPathRole = FileList::kPathRole;
constexpr int kIndent = 2;  // spaces per folder level in the folder list
}  // namespace

QMimeData* FileList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty()) return nullptr;
    auto* data = new QMimeData;
    data->setData(kWaveFileMimeType, items.first()->data(kPathRole).toString().toUtf8());
    return data;
}

FileBrowser::FileBrowser(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    auto* folderPane = new QWidget(this);
    auto* paneLayout = new QVBoxLayout(folderPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(2);
    driveList = new QComboBox(folderPane);
    folderList = new QListWidget(folderPane);
    paneLayout->addWidget(driveList);
    paneLayout->addWidget(folderList, 1);

    fileList = new FileList(this);
    fileList->setDragEnabled(true);
    fileList->setDragDropMode(QAbstractItemView::DragOnly);
    fileList->setDefaultDropAction(Qt::CopyAction);
    fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList->setContextMenuPolicy(Qt::CustomContextMenu);

    addWidget(folderPane);
    addWidget(fileList);
    setSizes({kFolderPaneWidth, kFileListWidth});
    // When the bottom panel is short of room the file list gives way; the folders keep theirs.
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);

    popupMenu = new QMenu(this);
    QMenu* viewMenu = popupMenu->addMenu("表示(&V)");
    waveFilesAction = viewMenu->addAction("WAVEファイル");
    allFilesAction = viewMenu->addAction("すべて");
    waveFilesAction->setCheckable(true);
    allFilesAction->setCheckable(true);
    propertiesAction = popupMenu->addAction("プロパティ(&R)");
    // Either entry flips the state when it is the checked one and takes its own otherwise;
    // both come to the same flip, and the checks always show the mask in use.
    connect(waveFilesAction, &QAction::triggered, this, [this] { setShowAll(!showAll_); });
    connect(allFilesAction, &QAction::triggered, this, [this] { setShowAll(!showAll_); });
    connect(propertiesAction, &QAction::triggered, this, [this] { showProperties(); });
    connect(fileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupMenu->popup(fileList->viewport()->mapToGlobal(at)); });

    openFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    connect(fileList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item && openFile) openFile(item->data(kPathRole).toString());
    });
    connect(folderList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setFolder(item->data(kPathRole).toString()); });
    connect(driveList, &QComboBox::activated, this,
            [this](int index) { setFolder(driveList->itemData(index).toString()); });

    fillDrives();
    setShowAll(false);
    setFolder(QDir::homePath());
}

void FileBrowser::fillDrives() {
    driveList->clear();
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        const QString root = v.rootPath();
        const QString name = v.displayName();
        driveList->addItem(name == root ? root : root + "  [" + name + "]", root);
    }
}

void FileBrowser::setFolder(const QString& path) {
    QDir dir(path);
    if (!dir.exists()) return;
    folder_ = dir.canonicalPath();
    // The drive list follows: the volume holding the folder (the longest matching root).
    int best = -1, bestLength = -1;
    for (int i = 0; i < driveList->count(); ++i) {
        const QString root = driveList->itemData(i).toString();
        const bool holds = folder_ == root || folder_.startsWith(root.endsWith('/') ? root : root + '/');
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = int(root.size());
        }
    }
    if (best >= 0) driveList->setCurrentIndex(best);
    fillFolders();
    fillFiles();
}

void FileBrowser::fillFolders() {
    folderList->clear();
    // The chain of folders down to the current one, then its subfolders, indented by depth.
    QStringList chain;
    for (QDir d(folder_);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) break;
    }
    int depth = 0;
    for (const QString& p : chain) {
        const QString name = QDir(p).isRoot() ? p : QDir(p).dirName();
        auto* item = new QListWidgetItem(QString(depth * kIndent, ' ') + name, folderList);
        item->setData(kPathRole, p);
        if (p == folder_) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
            folderList->setCurrentItem(item);
        }
        ++depth;
    }
    const QDir current(folder_);
    for (const QFileInfo& sub :
         current.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QListWidgetItem(QString(depth * kIndent, ' ') + sub.fileName(), folderList);
        item->setData(kPathRole, sub.absoluteFilePath());
    }
}

void FileBrowser::fillFiles() {
    fileList->clear();
    const QDir dir(folder_);
    const QFileInfoList files =
        dir.entryInfoList({mask()}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& f : files) {
        auto* item = new QListWidgetItem(f.fileName(), fileList);
        item->setData(kPathRole, f.absoluteFilePath());
    }
}

void FileBrowser::setShowAll(bool all) {
    showAll_ = all;
    waveFilesAction->setChecked(!all);
    allFilesAction->setChecked(all);
    if (!folder_.isEmpty()) fillFiles();
}

QString FileBrowser::selectedPath() const {
    const QList<QListWidgetItem*> items = fileList->selectedItems();
    return items.isEmpty() ? QString() : items.first()->data(kPathRole).toString();
}

void FileBrowser::showProperties() {
    const QString path = selectedPath();
    if (path.isEmpty()) return;
    auto* dialog = new FilePropertiesDialog(path, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    lastProperties = dialog;
}

}  // namespace tqx
