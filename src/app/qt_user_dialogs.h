#pragma once
// UserDialogs on Qt's message boxes and file dialogs.
#include "platform/user_dialogs.h"

class QWidget;

namespace tqx {

class QtUserDialogs : public UserDialogs {
public:
    // Dialogs are owned by `parent` (the main window) once it is set.
    void setParent(QWidget* parent) { parent_ = parent; }

    DialogAnswer messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                            DialogButtons buttons) override;
    void showMessage(const std::string& text) override;
    std::optional<std::string> openFile(const FileFilter& filter,
                                        const std::string& defaultExtension) override;
    std::optional<std::string> saveFile(const std::string& proposedName, const FileFilter& filter,
                                        const std::string& defaultExtension,
                                        bool overwritePrompt) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace tqx
