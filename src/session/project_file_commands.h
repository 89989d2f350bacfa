#pragma once
// The project file commands of the main window: open, save and save as, and the two
// operations under them, Write (gathers the project into a file) and Load (clears the project
// and rebuilds it from a file, importing every clip's WAVE file again).
#include <string>
#include <vector>

#include "platform/user_dialogs.h"
#include "project/project_file.h"

namespace tqx {

class Studio;

class ProjectFileCommands {
public:
    static constexpr const char* kOpeningCaption = "開いてます...";
    static constexpr const char* kSavingCaption = "保存中...";
    static constexpr const char* kCannotCreateMessage = "エラー。ファイルの作成に失敗しました。";
    static constexpr const char* kCannotWriteMessage =
        "エラー。ファイルの書き込みに失敗しました。元のファイルはそのまま残っています。";
    static constexpr const char* kCannotWriteNewMessage =
        "エラー。ファイルの書き込みに失敗しました。ファイルは作成されていません。";
    static constexpr const char* kCannotOpenMessage = "エラー。ファイルの操作に失敗しました。";
    static constexpr const char* kWrongIdMessage = "プログラムIDが不正です。指定のファイルは開けません。";
    static constexpr const char* kExceptionMessage = "例外エラー。";
    // First line of every report of a damaged file.
    static constexpr const char* kDamagedMessage = "エラー。プロジェクトファイルが壊れています。";
    static constexpr const char* kClipFailedMemo = "エラー: 音声ファイル読み込み失敗。";

    static FileFilter fileFilter() { return {"Tinderquillexプロジェクトファイル", "*.tqxproj"}; }

    explicit ProjectFileCommands(Studio& studio) : studio_(studio) {}

    // "開く(&O)...": asks for a project file and loads it.
    void OpenCommand();
    // "上書き保存(&S)": writes to SavePath, or runs Save As when there is none.
    void SaveCommand();
    // "名前を付けて保存(&A)...": asks for a file (ProjectPath proposed) and writes to it.
    void SaveAsCommand();

    // Writes the project to `path`; the previous file there stays intact on any failure, and
    // a write-protected file is not replaced. True when the file was written; failures are
    // reported to the user.
    bool Write(const std::string& path);
    // Replaces the project by the one in `path`. True when the whole file was read (clips
    // whose WAVE file could not be imported are listed in the memo and do not count).
    bool Load(const std::string& path);

    // The project as the file stores it.
    ProjectFileContents gather() const;

    // The clips of the last Load whose WAVE file could not be imported (the memo lists them),
    // each with the slot of the track it was to go on.
    const std::vector<StoredClip>& clipsLeftOut() const { return clipsLeftOut_; }

    // Text of the message for a damaged file.
    static std::string damageMessage(const ParsedProjectFile& parsed);

private:
    bool writeFile(const std::string& path);
    bool loadFile(const std::string& path);
    void applyHeader(const ParsedProjectFile& parsed);
    // False when the user asked the progress report to stop.
    bool applyTracks(const ParsedProjectFile& parsed);
    void applyEqualizer(const StoredEqualizer& eq);
    void error(const std::string& text);

    Studio& studio_;
    std::vector<StoredClip> clipsLeftOut_;
};

}  // namespace tqx
