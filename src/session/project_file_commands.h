#pragma once
// The project file commands of the main window: open, save and save as, the question before
// unsaved changes are thrown away, and the two operations under them, Write (gathers the
// project into a file) and Load (clears the project and rebuilds it from a file, importing
// every clip's WAVE file again; a clip whose file cannot be read stays as a missing clip).
#include <chrono>
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
    static constexpr const char* kSaveChangesQuestion = "変更を保存しますか？";
    static constexpr const char* kRelocatedMemo =
        "注意: 音声ファイルを元の場所で見つけられず、次の場所で見つけました。";
    // The one message after an open that kept missing clips; the files follow, one a line.
    static constexpr const char* kMissingClipsMessage =
        "次の音声ファイルを読み込めませんでした。クリップは「見つからないクリップ」として残し、"
        "保存してもそのまま書き込みます。ファイルを戻してからもう一度開くと読み込みます。";
    static constexpr std::size_t kMissingClipsListed = 20;  // paths named in that message

    static FileFilter fileFilter() { return {"Tinderquillexプロジェクトファイル", "*.tqxproj"}; }

    explicit ProjectFileCommands(Studio& studio) : studio_(studio) {}

    // Opening reports its progress (and can be stopped) once it has taken longer than this.
    std::chrono::steady_clock::duration progressAfter = std::chrono::seconds(1);

    // Before unsaved changes would be thrown away (new project, open, closing): asks
    // "変更を保存しますか？" when the project is modified. Yes saves (Save As when it has no
    // file yet); true when the command may go on: nothing to save, No, or Yes and saved.
    bool askToSaveChanges();

    // "開く(&O)...": asks about unsaved changes, then for a project file, and loads it.
    void OpenCommand();
    // The open command once the question about changes was answered: asks for a file and loads it.
    void chooseAndOpen();
    // "上書き保存(&S)": writes to SavePath, or runs Save As when there is none. True when written.
    bool SaveCommand();
    // "名前を付けて保存(&A)...": asks for a file (ProjectPath proposed) and writes to it. True
    // when written.
    bool SaveAsCommand();

    // Writes the project to `path`; the previous file there stays intact on any failure, and
    // a write-protected file is not replaced. True when the file was written; failures are
    // reported to the user.
    bool Write(const std::string& path);
    // Replaces the project by the one in `path`. True when the whole file was read (clips
    // whose WAVE file could not be imported are listed in the memo and kept as missing clips;
    // they do not count). A file moved with its project folder is found beside the project
    // file. When the user stops it, the project is left empty as after a new project.
    bool Load(const std::string& path);

    // The project as the file stores it.
    ProjectFileContents gather() const;

    // The clips of the last Load whose WAVE file could not be imported (the memo lists them),
    // each with the slot of the track it is on; they are in the project as missing clips.
    const std::vector<StoredClip>& clipsLeftOut() const { return clipsLeftOut_; }

    // Text of the message for a damaged file.
    static std::string damageMessage(const ParsedProjectFile& parsed);

private:
    bool writeFile(const std::string& path);
    bool loadFile(const std::string& path);
    void applyHeader(const ParsedProjectFile& parsed);
    // False when the user asked the progress report to stop.
    bool applyTracks(const ParsedProjectFile& parsed, const std::string& path);
    // Imports one stored clip (from where it lies now) or keeps it as a missing clip.
    void applyClip(const StoredClip& clip, int track, const std::string& projectFile);
    void reportMissingClips();
    void applyEqualizer(const StoredEqualizer& eq);
    void error(const std::string& text);

    Studio& studio_;
    std::vector<StoredClip> clipsLeftOut_;
};

}  // namespace tqx
