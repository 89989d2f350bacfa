#pragma once
// UserDialogs on Qt's message boxes and file dialogs.
#include <functional>

#include <QString>

#include "platform/user_dialogs.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace tqx {

class TForm3;

class QtUserDialogs : public UserDialogs {
public:
    // Dialogs are owned by `parent` (the main window) once it is set.
    void setParent(QWidget* parent) { parent_ = parent; }
    // The track selection dialog the program created.
    void setTrackSelection(TForm3* dialog) { trackSelection_ = dialog; }
    // The folder the file dialogs start in (the project's); none when it gives "".
    void setStartFolder(std::function<QString()> folder) { startFolder_ = std::move(folder); }

    DialogAnswer messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                            DialogButtons buttons) override;
    void showMessage(const std::string& text) override;
    std::optional<std::string> openFile(const FileFilter& filter, const std::string& defaultExtension) override;
    std::optional<std::string> saveFile(const std::string& proposedName, const FileFilter& filter,
                                        const std::string& defaultExtension, bool overwritePrompt) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;
    std::optional<std::vector<int>> chooseTracks(const std::vector<std::string>& names) override;
    // A progress dialog appears after about a second; Cancel stops the command. It closes
    // when the report ends, when the command stops reporting (it ended, finished or failed:
    // the program is back in its event loop) and before any message box.
    bool progress(const std::string& what, double fraction) override;
    // How long a command runs before its progress shows (milliseconds).
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }

private:
    void closeProgress();
    QString startFolder() const { return startFolder_ ? startFolder_() : QString(); }

    QWidget* parent_ = nullptr;
    std::function<QString()> startFolder_;
    TForm3* trackSelection_ = nullptr;
    QProgressDialog* progress_ = nullptr;  // one per command, while it reports
    QTimer* commandEnded_ = nullptr;       // fires once the event loop runs between reports
    bool reporting_ = false;               // inside progress(): its own event processing
    int progressDelay_ = 1000;
};

}  // namespace tqx
