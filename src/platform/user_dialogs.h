#pragma once
// Every message box, file/folder dialog and progress report the core shows goes through this
// interface, so tests can answer them and read back every text that was shown. GUI thread.
#include <optional>
#include <string>
#include <vector>

namespace tqx {

// The program's name: window title and the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "Tinderquillex";

enum class DialogIcon { None, Error, Warning, Question, Information };
enum class DialogButtons {
    Ok,
    YesNo,
    YesNoCancel,  // answered Yes, No or Cancel (closing the box is Cancel)
};
enum class DialogAnswer { Ok, Cancel, Yes, No };

struct FileFilter {
    std::string description;  // e.g. "Wave files (*.wav)"
    std::string pattern;      // e.g. "*.wav"
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A modal message box with caption, icon and buttons.
    virtual DialogAnswer messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                                    DialogButtons buttons) = 0;
    // A plain message: application title as caption, no icon, an OK button.
    virtual void showMessage(const std::string& text) = 0;

    // File chooser for an existing file; nothing when cancelled.
    virtual std::optional<std::string> openFile(const FileFilter& filter, const std::string& defaultExtension) = 0;
    // File chooser for a file to write, proposing `proposedName`; asks before overwriting
    // when `overwritePrompt` is set. Nothing when cancelled.
    virtual std::optional<std::string> saveFile(const std::string& proposedName, const FileFilter& filter,
                                                const std::string& defaultExtension, bool overwritePrompt) = 0;
    // Folder chooser titled `title`; nothing when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& title) = 0;
    // The track selection dialog: the user ticks some of `names` (in the order shown); the
    // ticked indices, nothing when cancelled.
    virtual std::optional<std::vector<int>> chooseTracks(const std::vector<std::string>& names) = 0;
    // A long command's progress (0..1) under `what`; false when the user asked it to stop.
    // A fraction of 1 ends the report.
    virtual bool progress(const std::string& what, double fraction) = 0;
};

}  // namespace tqx
