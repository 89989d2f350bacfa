#include "cli/console_tool.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>

#include "session/project_file_commands.h"
#include "session/studio.h"

namespace tqx {

DialogAnswer ConsoleDialogs::messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                                        DialogButtons buttons) {
    std::cerr << tool_ << ": " << text << '\n';
    return ScriptedDialogs::messageBox(text, caption, icon, buttons);
}

void ConsoleDialogs::showMessage(const std::string& text) {
    std::cerr << tool_ << ": " << text << '\n';
    ScriptedDialogs::showMessage(text);
}

int usageError(const std::string& tool, const std::string& what) {
    std::cerr << tool << ": " << what << "\nTry '" << tool << " --help'.\n";
    return 2;
}

namespace {

// "1,3,4" -> {1, 3, 4}; false on anything that is not a list of positive numbers.
bool parseTrackNumbers(const std::string& text, std::vector<int>& out) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        if (item.empty() || item.size() > 6 ||
            !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        const int n = std::stoi(item);
        if (n < 1) return false;
        out.push_back(n);
        at = comma + 1;
    }
    return !out.empty();
}

}  // namespace

std::optional<std::string> CommandLine::value(const std::string& name) const {
    const auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

bool CommandLine::seconds(const std::string& name, std::optional<double>& out) const {
    const auto text = value(name);
    if (!text) return true;
    double number = 0;
    const char* end = text->data() + text->size();
    const auto [stop, failure] = std::from_chars(text->data(), end, number);
    if (failure != std::errc() || stop != end || !std::isfinite(number) || number < 0) return false;
    out = number;
    return true;
}

bool CommandLine::trackNumbers(const std::string& name, std::vector<int>& out) const {
    const auto text = value(name);
    return !text || parseTrackNumbers(*text, out);
}

CommandLine readCommandLine(int argc, char** argv, std::initializer_list<std::string> valued) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            line.help = true;
            continue;
        }
        bool known = false;
        for (const std::string& name : valued) {
            if (arg == name) {
                if (i + 1 >= argc)
                    line.error = name + " needs a value";
                else
                    line.values[name] = argv[++i];
                known = true;
            } else if (arg.rfind(name + "=", 0) == 0) {
                line.values[name] = arg.substr(name.size() + 1);
                known = true;
            }
        }
        if (known) continue;
        if (arg.size() > 1 && arg[0] == '-')
            line.error = "unknown option '" + arg + "'";
        else
            line.positional.push_back(arg);
    }
    return line;
}

bool openProject(Studio& studio, const std::string& tool, const std::string& path) {
    if (!studio.projectFile().Load(path)) {
        std::cerr << tool << ": cannot read the project " << path << '\n';
        return false;
    }
    printMemo(studio, tool);
    return true;
}

void printMemo(Studio& studio, const std::string& tool) {
    for (const std::string& line : studio.texts.memo()) std::cerr << tool << ": " << line << '\n';
    studio.texts.clearMemo();
}

bool progressWanted() { return isatty(STDERR_FILENO) == 1; }

}  // namespace tqx
