#pragma once
// Import of 16-bit WAVE files as clips: interactively into the selected track at the play
// cursor, and clip by clip while a project is opened. A file at another sampling rate is
// converted to the project's rate by the converter library.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/clip_bytes.h"
#include "platform/user_dialogs.h"
#include "platform/wave_format.h"

namespace tqx {

class ProjectModel;
class WindowTexts;
struct Timeline;

class WaveImporter {
public:
    // Warning boxes of the import (application title as caption).
    static constexpr const char* kReadErrorMessage = "The error occurred by the file reading.";
    static constexpr const char* kSixteenBitOnlyMessage = "16bit format only corresponds.";
    static constexpr const char* kConvertFailedMessage = "エラー。サンプリング周波数の変換に失敗しました。";
    static constexpr const char* kOpeningCaption = "The file is opened...";
    static std::string notWaveMessage(const std::string& path) {
        return "File " + path + " is not an effective WAVE file.";
    }
    static std::string pathTooLongMessage(const std::string& path) {
        return "エラー。ファイルのパスが長すぎるため読み込めません。プロジェクトファイルに保存できるのは 259 "
               "バイトまでです。\n" +
               path;
    }
    static std::string outOfMemoryMessage(const std::string& path) {
        return "エラー。メモリが足りないため、ファイル「" + path + "」を読み込めませんでした。";
    }

    // `stopAll` ends playback and recording before an import from the menu.
    WaveImporter(UserDialogs& dialogs, ProjectModel& model, Timeline& timeline, WindowTexts& texts,
                 std::function<void()> stopAll)
        : dialogs_(dialogs), model_(model), timeline_(timeline), texts_(texts), stopAll_(std::move(stopAll)) {}

    // The menu command: asks for a file and imports it into the selected track.
    void N17Click();
    // Imports the file into the selected track at the play cursor (also a drop from the file
    // browser). Reports every failure itself; does nothing when no track is selected.
    void importInteractive(const std::string& path);
    // Imports the file into clip slot `clipSlot` of track `track` while a project is opened;
    // true when the clip was created. Leaves the track's import working area alone.
    bool importForProject(int clipSlot, const std::string& path, int track);

    // For a studio that only renders (tqx-mixdown): from now on a project's clips are checked
    // as every import checks them, but their audio stays in their files, each described in
    // `files` under its clip slot, and a rendering reads it from there. Nullptr ends it.
    void keepProjectAudioInFiles(ClipFiles* files) { clipFiles_ = files; }

private:
    enum class LoadResult { Ok, Failed, FormatRefused };
    // Reads, checks and converts the file, showing what went wrong. `format` receives the
    // file's format as soon as its fmt chunk was read, even when the file is then refused.
    // A format record that the import does not take is refused before any audio is read.
    // `interactive` shows the opening caption while the data is read. With `inFile` the data
    // is not read; `inFile` tells where it lies.
    LoadResult load(const std::string& path, WaveFormat& format, std::vector<std::uint8_t>& data, bool interactive,
                    ClipFile* inFile = nullptr);
    void importIntoSelectedTrack(const std::string& path);
    void warn(const std::string& text);
    // Creates and places the clip in `slot` at the play cursor, handing it `data`.
    void placeClip(int slot, int track, const WaveFormat& format, std::vector<std::uint8_t>&& data,
                   const std::string& path);

    UserDialogs& dialogs_;
    ProjectModel& model_;
    Timeline& timeline_;
    WindowTexts& texts_;
    std::function<void()> stopAll_;
    ClipFiles* clipFiles_ = nullptr;
};

}  // namespace tqx
