#pragma once
// What the command-line tools share: messages the program would show in a window go to
// standard error, the command line's track lists and times, and a project opened as the
// program opens it.
#include <optional>
#include <string>
#include <vector>

#include "platform/scripted_dialogs.h"

namespace tqx {

class Studio;

// Message boxes print their text, prefixed by the tool's name; questions are answered Yes.
class ConsoleDialogs : public ScriptedDialogs {
public:
    explicit ConsoleDialogs(std::string tool) : tool_(std::move(tool)) {}
    DialogAnswer messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                            DialogButtons buttons) override;
    void showMessage(const std::string& text) override;

private:
    std::string tool_;
};

// Prints "TOOL: what" and a hint, and returns the status of a wrong command line (2).
int usageError(const std::string& tool, const std::string& what);
// "1,3,4" -> {1, 3, 4}; false on anything that is not a list of positive numbers.
bool parseTrackNumbers(const std::string& text, std::vector<int>& out);
// A number of seconds, 0 or more; nullopt for anything else.
std::optional<double> parseSeconds(const std::string& text);
// The value of an option given as "--name VALUE" or "--name=VALUE" at argv[i] (i moves past
// it); nullopt when argv[i] is not that option. `missing` is set when the value is absent.
std::optional<std::string> optionValue(int argc, char** argv, int& i, const std::string& name, bool& missing);

// Opens the project as the program does and prints what the memo says about it (clips that
// could not be read), as printMemo does. False, after a message, when the project cannot be read.
bool openProject(Studio& studio, const std::string& tool, const std::string& path);

// Prints what the memo has gathered since the last call (for instance sound lost to a busy
// machine), and empties it.
void printMemo(Studio& studio, const std::string& tool);

// True when standard error is a terminal, so a tool may show its progress there.
bool progressWanted();

}  // namespace tqx
