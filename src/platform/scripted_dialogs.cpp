#include "platform/scripted_dialogs.h"

#include <algorithm>

namespace tqx {

DialogAnswer ScriptedDialogs::messageBox(const std::string& text, const std::string& caption, DialogIcon icon,
                                         DialogButtons buttons) {
    shown.push_back({Kind::MessageBox, text, caption, icon, buttons});
    if (!answers.empty()) {
        DialogAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
        case DialogButtons::YesNo: return DialogAnswer::Yes;
        case DialogButtons::YesNoCancel: return DialogAnswer::No;
        case DialogButtons::Ok: break;
    }
    return DialogAnswer::Ok;
}

void ScriptedDialogs::showMessage(const std::string& text) {
    shown.push_back({Kind::PlainMessage, text, kApplicationTitle, DialogIcon::None, DialogButtons::Ok});
}

static std::optional<std::string> nextOf(std::deque<std::optional<std::string>>& queue) {
    if (queue.empty()) return std::nullopt;
    auto v = queue.front();
    queue.pop_front();
    return v;
}

std::optional<std::string> ScriptedDialogs::openFile(const FileFilter& filter, const std::string&) {
    shown.push_back({Kind::OpenFile, filter.pattern, "", DialogIcon::None, DialogButtons::Ok});
    return nextOf(files);
}

std::optional<std::string> ScriptedDialogs::saveFile(const std::string& proposedName, const FileFilter&,
                                                     const std::string&, bool) {
    shown.push_back({Kind::SaveFile, proposedName, "", DialogIcon::None, DialogButtons::Ok});
    return nextOf(files);
}

std::optional<std::string> ScriptedDialogs::chooseFolder(const std::string& title) {
    shown.push_back({Kind::ChooseFolder, title, "", DialogIcon::None, DialogButtons::Ok});
    return nextOf(folders);
}

std::optional<std::vector<int>> ScriptedDialogs::chooseTracks(const std::vector<std::string>& names) {
    shown.push_back({Kind::ChooseTracks, "", "", DialogIcon::None, DialogButtons::Ok});
    tracksOffered = names;
    if (trackChoices.empty()) return std::nullopt;
    auto v = trackChoices.front();
    trackChoices.pop_front();
    return v;
}

bool ScriptedDialogs::progress(const std::string& what, double fraction) {
    progressReports.emplace_back(what, fraction);
    return !stopAfterReports || progressReports.size() < *stopAfterReports;
}

std::vector<std::string> ScriptedDialogs::messages() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
        if (s.kind == Kind::MessageBox || s.kind == Kind::PlainMessage) out.push_back(s.text);
    return out;
}

bool ScriptedDialogs::showed(const std::string& text) const {
    auto m = messages();
    return std::find(m.begin(), m.end(), text) != m.end();
}

}  // namespace tqx
