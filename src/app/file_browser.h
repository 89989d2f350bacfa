#pragma once
// The file browser of the bottom panel: a drive list (mounted volumes) over a folder list,
// and the file list of the chosen folder filtered by "*.wav" (or "*.*"). Files are dragged
// from the list onto the clip canvas to be imported; a double click or Enter opens a file
// with the program the desktop associates with it.
#include <functional>

#include <QListWidget>
#include <QPointer>
#include <QSplitter>

class QComboBox;
class QMenu;

namespace tqx {

class FilePropertiesDialog;

// The drag format of a file dragged out of the file list; the canvas takes nothing else.
inline constexpr char kWaveFileMimeType[] = "application/x-tinderquillex-file-path";

class FileList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    // Full path of an item.
    static constexpr int kPathRole = Qt::UserRole + 1;

protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    QStringList mimeTypes() const override { return {kWaveFileMimeType}; }
};

class FileBrowser : public QSplitter {
    Q_OBJECT
public:
    static constexpr int kFolderPaneWidth = 240;
    static constexpr int kFileListWidth = 622;

    explicit FileBrowser(QWidget* parent = nullptr);

    // Shows `path` in the folder list and its files in the file list.
    void setFolder(const QString& path);
    QString folder() const { return folder_; }
    // "*.wav" while "WAVEファイル" is checked, "*.*" while "すべて" is.
    QString mask() const { return showAll_ ? "*.*" : "*.wav"; }
    // Full path of the selected file, empty when none.
    QString selectedPath() const;
    // "プロパティ(&R)": the properties of the selected file; nothing without a selection.
    void showProperties();

    QComboBox* driveList = nullptr;
    QListWidget* folderList = nullptr;
    FileList* fileList = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* waveFilesAction = nullptr;   // WAVEファイル
    QAction* allFilesAction = nullptr;    // すべて
    QAction* propertiesAction = nullptr;  // プロパティ(&R)
    // Opens a file with the desktop's associated program; tests put a recorder here.
    std::function<void(const QString&)> openFile;
    // The properties window last opened (null when it has been closed).
    QPointer<FilePropertiesDialog> lastProperties;

private:
    void fillDrives();
    void fillFolders();
    void fillFiles();
    void setShowAll(bool all);

    QString folder_;
    bool showAll_ = false;
};

}  // namespace tqx
