#include "cli/console_tool.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>

#include "engine/studio.h"
#include "project/project_file_commands.h"

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

bool parseTrackNumbers(const std::string& text, std::vector<int>& out) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        if (item.empty() || item.size() > 6 || !std::all_of(item.begin(), item.end(), [](char c) {
                return c >= '0' && c <= '9';
            }))
            return false;
        const int n = std::stoi(item);
        if (n < 1) return false;
        out.push_back(n);
        at = comma + 1;
    }
    return !out.empty();
}

std::optional<double> parseSeconds(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value) || value < 0) return std::nullopt;
    return value;
}

std::optional<std::string> optionValue(int argc, char** argv, int& i, const std::string& name, bool& missing) {
    const std::string arg = argv[i];
    missing = false;
    if (arg == name) {
        if (i + 1 >= argc) {
            missing = true;
            return std::string();
        }
        return std::string(argv[++i]);
    }
    if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
    return std::nullopt;
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
    for (const std::string& line : studio.memo) std::cerr << tool << ": " << line << '\n';
    studio.memo.clear();
}

bool progressWanted() { return isatty(STDERR_FILENO) == 1; }

}  // namespace tqx
