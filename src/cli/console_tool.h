#pragma once
// What the command-line tools share: messages the program would show in a window go to
// standard error, the command line's track lists and times, and a project opened as the
// program opens it.
#include <initializer_list>
#include <map>
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

// The words of a tool's command line.
struct CommandLine {
    bool help = false;                          // -h or --help
    std::vector<std::string> positional;        // every word that is no option
    std::map<std::string, std::string> values;  // option name -> its value
    std::string error;                          // what is wrong with the line, if anything

    std::optional<std::string> value(const std::string& name) const;
    // The option as a number of seconds (0 or more); false when it is given but is no such
    // number.
    bool seconds(const std::string& name, std::optional<double>& out) const;
    // The option as a list of track numbers ("1,3,4"); false when it is given but is no such
    // list.
    bool trackNumbers(const std::string& name, std::vector<int>& out) const;
};

// Reads the command line: -h or --help, the options named in `valued` as "--name VALUE" or
// "--name=VALUE", and the words that do not start with '-'.
CommandLine readCommandLine(int argc, char** argv, std::initializer_list<std::string> valued);

// Prints "TOOL: what" and a hint, and returns the status of a wrong command line (2).
int usageError(const std::string& tool, const std::string& what);

// Opens the project as the program does and prints what the memo says about it (clips that
// could not be read), as printMemo does. False, after a message, when the project cannot be read.
bool openProject(Studio& studio, const std::string& tool, const std::string& path);

// Prints what the memo has gathered since the last call (for instance sound lost to a busy
// machine), and empties it.
void printMemo(Studio& studio, const std::string& tool);

// True when standard error is a terminal, so a tool may show its progress there.
bool progressWanted();

}  // namespace tqx
