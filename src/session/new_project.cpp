#include "session/new_project.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "effects/equalizer.h"
#include "engine/transport.h"
#include "project/project_file.h"
#include "project/take_paths.h"
#include "project/text_encoding.h"
#include "session/studio.h"
#include "session/track_commands.h"

namespace tqx {

namespace fs = std::filesystem;

std::string defaultProjectLocation() {
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/Tinderquillex";
}

NewProjectEntries defaultNewProjectEntries() {
    NewProjectEntries e;
    e.location = defaultProjectLocation();
    return e;
}

namespace {

void error(UserDialogs& dialogs, const std::string& text) {
    dialogs.messageBox(text, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
}

// Creates every missing folder of `path`; an existing folder is no failure.
bool makeFolders(const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

}  // namespace

std::string expandHomeFolder(const std::string& location) {
    if (location != "~" && location.rfind("~/", 0) != 0) return location;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return location;
    std::string expanded = home;
    if (expanded.size() > 1 && expanded.back() == '/') expanded.pop_back();
    return expanded + location.substr(1);
}

namespace {

std::string projectExistsQuestion(const std::string& file) {
    return "プロジェクトファイル「" + file +
           "」は既に存在します。新しいプロジェクトを保存すると上書きされます。よろしいですか？";
}

std::string nameTooLongMessage(const std::string& name) {
    return "エラー。名前が長すぎます。プロジェクトファイル「" + name + kProjectFileExtension +
           "」の名前がファイル名の上限 " + std::to_string(kMaxFileNameBytes) + " バイトを超えます。";
}

}  // namespace

int confirmNewProject(const NewProjectEntries& given, UserDialogs& dialogs, std::string& chosenProjectFile) {
    chosenProjectFile.clear();
    NewProjectEntries entries = given;
    entries.location = expandHomeFolder(given.location);
    if (entries.name.empty()) {
        error(dialogs, "名前が入力されていません。");
        return kNewProjectNone;
    }
    if (entries.location.empty()) {
        error(dialogs, "場所が指定されていません。");
        return kNewProjectNone;
    }
    // A name becomes a folder and a file name: it cannot hold a separator or be a
    // reference to a folder itself.
    if (entries.name.find('/') != std::string::npos || entries.name == "." || entries.name == "..") {
        error(dialogs, "名前に「/」は使えません。また「.」「..」は名前にできません。");
        return kNewProjectNone;
    }
    // What the project file cannot store is refused before any folder is made.
    if (entries.name.size() + std::string(kProjectFileExtension).size() > kMaxFileNameBytes) {
        error(dialogs, nameTooLongMessage(entries.name));
        return kNewProjectNone;
    }
    const std::string base = entries.location.back() == '/' ? entries.location : entries.location + "/";
    const std::string projectFolder = entries.createProjectFolder ? base + entries.name : entries.location;
    if (!takePathsFit(projectFolder)) {
        error(dialogs, "エラー。場所が長すぎます。" + takeFolderTooLongMessage(projectFolder));
        return kNewProjectNone;
    }
    const fs::path location(entries.location);
    std::error_code ec;
    if (!fs::is_directory(location, ec)) {
        DialogAnswer a = dialogs.messageBox("指定の場所は存在しません。作成しますか？", kApplicationTitle,
                                            DialogIcon::Warning, DialogButtons::YesNo);
        if (a != DialogAnswer::Yes) return kNewProjectNone;
        if (!makeFolders(location)) {
            error(dialogs, "エラー。作成できませんでした。");
            return kNewProjectNone;
        }
    }
    if (entries.createProjectFolder) {
        chosenProjectFile = base + entries.name + "/" + entries.name + kProjectFileExtension;
        if (!makeFolders(base + entries.name)) {
            error(dialogs, "エラー。プロジェクトフォルダを作成できませんでした。");
            return kNewProjectNone;
        }
    } else {
        chosenProjectFile = base + entries.name + kProjectFileExtension;
    }
    // Saving the new project would replace a project already there, with all it holds.
    if (fs::exists(fs::symlink_status(chosenProjectFile, ec))) {
        const DialogAnswer a = dialogs.messageBox(projectExistsQuestion(chosenProjectFile), kApplicationTitle,
                                                  DialogIcon::Warning, DialogButtons::YesNo);
        if (a != DialogAnswer::Yes) {
            chosenProjectFile.clear();
            return kNewProjectNone;
        }
    }
    return kNewProjectOk;
}

}  // namespace tqx

namespace tqx {

void applyNewProject(Studio& studio, int trackCountIndex, int rateIndex, const std::string& chosenProjectFile) {
    const int rate = kSampleRateChoices[static_cast<std::size_t>(std::clamp(rateIndex, 0, 5))];
    const int tracks = kTrackCountChoices[static_cast<std::size_t>(std::clamp(trackCountIndex, 0, 7))];
    studio.StopAll();
    const ProjectModel::BulkChange rebuilding(studio.model);
    studio.model.resetProject();
    studio.model.ProjectSampleRate = rate;
    studio.timeline.setRate(rate);
    studio.timeline.hScrollPosition = 0;
    studio.timeline.hScrollRange = 200;
    studio.timeline.vScrollPosition = 0;
    for (int i = 0; i < tracks; ++i)
        if (studio.trackCommands().createTrack() < 0) break;
    studio.trackCommands().selectTrack(0);
    studio.transport().SpeedButton2Click();
    studio.model.ProjectPath = chosenProjectFile;
    studio.model.SavePath = chosenProjectFile;
    studio.equalizer().newProjectReset();
    studio.timeline.scaleChanged();
    studio.newProjectChoice = {trackCountIndex, rateIndex};
    studio.model.setModified(false);
}

}  // namespace tqx
