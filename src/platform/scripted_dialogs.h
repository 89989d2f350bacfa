#pragma once
// UserDialogs for tests and batch use: answers come from queues, every text is recorded.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_dialogs.h"

namespace tqx {

class ScriptedDialogs : public UserDialogs {
public:
    enum class Kind { MessageBox, PlainMessage, OpenFile, SaveFile, ChooseFolder, ChooseTracks };
    struct Shown {
        Kind kind;
        std::string text;     // message text, proposed file name or folder title
        std::string caption;  // message boxes only
        DialogIcon icon = DialogIcon::None;
        DialogButtons buttons = DialogButtons::Ok;
    };

    // Answers used in order; when a queue runs dry, a Yes/No question is answered Yes, a
    // Yes/No/Cancel question No (go on without saving), an OK box OK, and every file or folder
    // dialog is cancelled.
    std::deque<DialogAnswer> answers;
    std::deque<std::optional<std::string>> files;              // open and save dialogs
    std::deque<std::optional<std::string>> folders;            // folder chooser
    std::deque<std::optional<std::vector<int>>> trackChoices;  // the track selection dialog
    std::vector<std::string> tracksOffered;                    // the names the last track selection showed
    // Every progress report, and how many the command may make before the user stops it.
    std::vector<std::pair<std::string, double>> progressReports;
    std::optional<std::size_t> stopAfterReports;

    std::vector<Shown> shown;

    DialogAnswer messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                            DialogButtons buttons) override;
    void showMessage(const std::string& text) override;
    std::optional<std::string> openFile(const FileFilter& filter, const std::string& defaultExtension) override;
    std::optional<std::string> saveFile(const std::string& proposedName, const FileFilter& filter,
                                        const std::string& defaultExtension, bool overwritePrompt) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;
    std::optional<std::vector<int>> chooseTracks(const std::vector<std::string>& names) override;
    bool progress(const std::string& what, double fraction) override;

    // Texts of every message box and plain message, in order.
    std::vector<std::string> messages() const;
    // True when some message box or plain message showed exactly `text`.
    bool showed(const std::string& text) const;
};

}  // namespace tqx
