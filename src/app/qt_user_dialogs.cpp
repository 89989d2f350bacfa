#include "app/qt_user_dialogs.h"

#include <algorithm>

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

#include "forms/track_selection_dialog.h"

namespace tqx {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QString filterText(const FileFilter& f) { return q(f.description) + " (" + q(f.pattern) + ")"; }

std::string withExtension(const QString& path, const std::string& ext) {
    if (path.isEmpty()) return {};
    QFileInfo info(path);
    if (!ext.empty() && info.suffix().isEmpty())
        return (path + "." + q(ext).remove(0, ext[0] == '.' ? 1 : 0)).toStdString();
    return path.toStdString();
}

}  // namespace

DialogAnswer QtUserDialogs::messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                                       DialogButtons buttons) {
    closeProgress();  // a message ends or interrupts the command: no bar left behind it
    QMessageBox box(parent_);
    box.setWindowTitle(q(caption));
    box.setText(q(text));
    switch (icon) {
        case DialogIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case DialogIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case DialogIcon::Question: box.setIcon(QMessageBox::Question); break;
        case DialogIcon::Information: box.setIcon(QMessageBox::Information); break;
        case DialogIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
        case DialogButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case DialogButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case DialogButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    }
    const int r = box.exec();
    switch (buttons) {
        case DialogButtons::YesNo: return r == QMessageBox::Yes ? DialogAnswer::Yes : DialogAnswer::No;
        case DialogButtons::YesNoCancel:
            if (r == QMessageBox::Yes) return DialogAnswer::Yes;
            return r == QMessageBox::No ? DialogAnswer::No : DialogAnswer::Cancel;
        case DialogButtons::Ok: break;
    }
    return DialogAnswer::Ok;
}

void QtUserDialogs::showMessage(const std::string& text) {
    messageBox(text, kApplicationTitle, DialogIcon::None, DialogButtons::Ok);
}

std::optional<std::string> QtUserDialogs::openFile(const FileFilter& filter, const std::string& defaultExtension) {
    QFileDialog dlg(parent_);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    if (const QString folder = startFolder(); !folder.isEmpty()) dlg.setDirectory(folder);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(filterText(filter));
    dlg.setDefaultSuffix(q(defaultExtension));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return dlg.selectedFiles().first().toStdString();
}

std::optional<std::string> QtUserDialogs::saveFile(const std::string& proposedName, const FileFilter& filter,
                                                   const std::string& defaultExtension, bool overwritePrompt) {
    QFileDialog dlg(parent_);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // A proposed name with a folder of its own (the project's file) takes the dialog there.
    if (const QString folder = startFolder(); !folder.isEmpty()) dlg.setDirectory(folder);
    dlg.setNameFilter(filterText(filter));
    dlg.setDefaultSuffix(q(defaultExtension));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !overwritePrompt);
    dlg.selectFile(q(proposedName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return withExtension(dlg.selectedFiles().first(), defaultExtension);
}

std::optional<std::string> QtUserDialogs::chooseFolder(const std::string& title) {
    QString dir = QFileDialog::getExistingDirectory(parent_, q(title), startFolder());
    if (dir.isEmpty()) return std::nullopt;
    return dir.toStdString();
}

std::optional<std::vector<int>> QtUserDialogs::chooseTracks(const std::vector<std::string>& names) {
    if (!trackSelection_) return std::nullopt;
    return trackSelection_->chooseTracks(names);
}

bool QtUserDialogs::progress(const std::string& what, double fraction) {
    if (!progress_) {
        progress_ = new QProgressDialog(parent_);
        progress_->setWindowTitle(kApplicationTitle);
        progress_->setCancelButtonText("キャンセル");
        progress_->setMinimumDuration(progressDelay_);
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setRange(0, 1000);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
        // Commands run on the GUI thread and report as they go; when the event loop gets a
        // turn outside a report, the command is over, however it ended.
        commandEnded_ = new QTimer(progress_);
        commandEnded_->setSingleShot(true);
        commandEnded_->setInterval(0);
        QObject::connect(commandEnded_, &QTimer::timeout, progress_, [this] {
            if (!reporting_) closeProgress();
        });
    }
    reporting_ = true;
    progress_->setLabelText(q(what));
    progress_->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000));
    reporting_ = false;
    const bool goOn = !progress_->wasCanceled();
    if (fraction >= 1.0 || !goOn)
        closeProgress();
    else
        commandEnded_->start();
    return goOn;
}

void QtUserDialogs::closeProgress() {
    if (!progress_) return;
    progress_->hide();
    // Deleted later: this may run inside the dialog's own timer.
    progress_->deleteLater();
    progress_ = nullptr;
    commandEnded_ = nullptr;
}

}  // namespace tqx
