#include "session/project_file_commands.h"

#include <chrono>
#include <cmath>
#include <exception>

#include "effects/equalizer.h"
#include "engine/device_choice.h"
#include "engine/transport.h"
#include "io/wave_import.h"
#include "platform/atomic_file_writer.h"
#include "project/clip_location.h"
#include "session/new_project.h"
#include "session/studio.h"

namespace tqx {

namespace {

// Values a damaged file may hold that no slider or timeline position can take; they are
// replaced before they reach arithmetic that would overflow.
float saneOr(float value, float fallback, float limit) {
    return std::isfinite(value) && std::fabs(value) <= limit ? value : fallback;
}
constexpr float kSettingLimit = 1000.0f;
constexpr float kStartTimeLimit = 1.0e6f;  // seconds; far beyond any recording

}  // namespace

void ProjectFileCommands::error(const std::string& text) {
    studio_.dialogs.messageBox(text, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
}

bool ProjectFileCommands::askToSaveChanges() {
    if (!studio_.model.modified()) return true;
    switch (studio_.dialogs.messageBox(kSaveChangesQuestion, kApplicationTitle, DialogIcon::Question,
                                       DialogButtons::YesNoCancel)) {
        case DialogAnswer::Yes: return SaveCommand();
        case DialogAnswer::No: return true;
        case DialogAnswer::Ok:
        case DialogAnswer::Cancel: break;
    }
    return false;
}

void ProjectFileCommands::OpenCommand() {
    studio_.StopAll();
    if (!askToSaveChanges()) return;
    chooseAndOpen();
}

void ProjectFileCommands::chooseAndOpen() {
    studio_.StopAll();
    auto path = studio_.dialogs.openFile(fileFilter(), "tqxproj");
    if (!path) return;
    studio_.texts.setCaption(kOpeningCaption);
    Load(*path);
    studio_.texts.setCaption(kApplicationTitle);
}

bool ProjectFileCommands::SaveCommand() {
    studio_.StopAll();
    if (studio_.model.SavePath.empty()) return SaveAsCommand();
    studio_.texts.setCaption(kSavingCaption);
    const bool written = Write(studio_.model.SavePath);
    studio_.texts.setCaption(kApplicationTitle);
    return written;
}

bool ProjectFileCommands::SaveAsCommand() {
    studio_.StopAll();
    auto path = studio_.dialogs.saveFile(studio_.model.ProjectPath, fileFilter(), "tqxproj", true);
    if (!path) return false;
    studio_.texts.setCaption(kSavingCaption);
    const bool written = Write(*path);
    // Save goes on writing to this file only once it really holds the project.
    if (written) {
        studio_.model.SavePath = *path;
        studio_.model.setModified(false);  // the title names the new file
    }
    studio_.texts.setCaption(kApplicationTitle);
    return written;
}

ProjectFileContents ProjectFileCommands::gather() const {
    ProjectFileContents c;
    const ProjectModel& model = studio_.model;
    c.sampleRate = model.ProjectSampleRate;
    c.playbackDevice = studio_.devices.OutputDeviceId;
    c.playbackPerTrack = studio_.devices.perTrackPlayback ? 1 : 0;
    c.recordingDevice = studio_.devices.InputDeviceId;
    c.recordingPerTrack = studio_.devices.perTrackRecording ? 1 : 0;
    c.recordingMode = studio_.model.recordingMode;
    for (const TrackOrderEntry& entry : model.buildOrderedTrackList()) {
        auto settings = model.gatherSettings(entry.slot);
        if (!settings) continue;
        StoredTrack t{std::move(*settings), {}};
        for (const ClipEntry& clip : model.buildClipList(entry.slot))
            t.clips.push_back({clip.clipSlot, clip.trackSlot, clip.path, clip.start});
        c.tracks.push_back(std::move(t));
    }
    Equalizer& eq = studio_.equalizer();
    c.equalizer.on = eq.isOn() ? 1 : 0;
    c.equalizer.bandSet = eq.bandSet();
    for (int i = 0; i < kEqualizerBands; ++i) c.equalizer.bands[static_cast<std::size_t>(i)] = eq.bandPosition(i);
    return c;
}

bool ProjectFileCommands::Write(const std::string& path) {
    try {
        return writeFile(path);
    } catch (const std::exception&) {
        error(kExceptionMessage);
        return false;
    }
}

bool ProjectFileCommands::writeFile(const std::string& path) {
    const EncodedProjectFile encoded = encodeProjectFile(gather());
    switch (encoded.error) {
        case EncodeError::NameTooLong:
            studio_.dialogs.showMessage("エラー。トラック名「" + encoded.offending +
                                        "」が長すぎて保存できません（255バイトまで）。ファイルは書き込んでいません。");
            return false;
        case EncodeError::PathTooLong:
            studio_.dialogs.showMessage(
                "エラー。クリップのファイルパスが長すぎて保存できません（259バイトまで）。ファイルは書き込んでいません"
                "。\n" +
                encoded.offending);
            return false;
        case EncodeError::None: break;
    }
    AtomicFileWriter file(path);
    switch (file.open()) {
        case AtomicFileWriter::Status::Ok: break;
        case AtomicFileWriter::Status::NotRegular:
            studio_.dialogs.showMessage(notRegularFileMessage(file.target(), file.targetKind()));
            return false;
        case AtomicFileWriter::Status::ReadOnly:
            studio_.dialogs.showMessage(readOnlyFileMessage(file.target()));
            return false;
        case AtomicFileWriter::Status::CannotCreate:
        case AtomicFileWriter::Status::CannotWrite: studio_.dialogs.showMessage(kCannotCreateMessage); return false;
    }
    file.write(encoded.bytes.data(), encoded.bytes.size());
    if (file.commit() == AtomicFileWriter::Status::Ok) {
        studio_.model.setModified(false);
        return true;
    }
    studio_.dialogs.showMessage(file.replacesExisting() ? kCannotWriteMessage : kCannotWriteNewMessage);
    return false;
}

bool ProjectFileCommands::Load(const std::string& path) {
    try {
        return loadFile(path);
    } catch (const std::exception&) {
        // What was loaded so far stays; the views are brought up to date with it.
        error(kExceptionMessage);
        return false;
    }
}

bool ProjectFileCommands::loadFile(const std::string& path) {
    const ParsedProjectFile parsed = parseProjectFile(path);
    if (!parsed.opened) {
        const bool special = parsed.kind != FileKind::Missing && parsed.kind != FileKind::Regular;
        studio_.dialogs.showMessage(special ? notRegularFileMessage(path, parsed.kind) : kCannotOpenMessage);
        return false;
    }
    clipsLeftOut_.clear();
    bool finished = false;
    {
        const ProjectModel::BulkChange rebuilding(studio_.model);
        studio_.model.resetProject();
        // Whatever happens next, the project is no longer the one SavePath was written for: the
        // next Save asks for a file instead of overwriting that one.
        studio_.model.SavePath.clear();
        if (parsed.projectId) {
            applyHeader(parsed);
            finished = applyTracks(parsed, path);  // false: the user stopped it
            // A file that was damaged before its equalizer block gives a flat equalizer, like
            // one that ends after its tracks.
            applyEqualizer(finished && parsed.equalizer ? *parsed.equalizer : StoredEqualizer{});
            studio_.transport().SpeedButton2Click();
            studio_.model.ProjectPath = path;
        }
    }
    if (parsed.projectId && !finished) {
        // Half a project must never be saved over the file it came from.
        clipsLeftOut_.clear();
        applyNewProject(studio_, studio_.newProjectChoice.trackCountIndex, studio_.newProjectChoice.rateIndex, {});
        return false;
    }
    studio_.model.setModified(false);
    reportMissingClips();
    if (!parsed.projectId) {
        error(kWrongIdMessage);
        return false;
    }
    if (parsed.damage != ProjectFileDamage::None) {
        error(damageMessage(parsed));
        return false;
    }
    return finished;
}

void ProjectFileCommands::applyHeader(const ParsedProjectFile& parsed) {
    if (parsed.sampleRate) {
        studio_.model.ProjectSampleRate = *parsed.sampleRate;
        studio_.timeline.setRate(*parsed.sampleRate);
        studio_.timeline.scaleChanged();
    }
    DeviceChoice& devices = studio_.deviceChoice();
    // A stored -1 (or a device this machine lacks) selects the last item, "WAVE MAPPER".
    if (parsed.playbackDevice) devices.ComboBox2Change(devices.outputItemOf(*parsed.playbackDevice));
    devices.CheckBox2Click(parsed.playbackPerTrack != 0);
    if (parsed.recordingDevice) devices.ComboBox1Change(devices.inputItemOf(*parsed.recordingDevice));
    devices.CheckBox1Click(parsed.recordingPerTrack != 0);
    studio_.model.setRecordingMode(parsed.recordingMode);
    devices.changed();
}

bool ProjectFileCommands::applyTracks(const ParsedProjectFile& parsed, const std::string& path) {
    ProjectModel& model = studio_.model;
    const int outputs = static_cast<int>(studio_.devices.outputs.size());
    const int inputs = static_cast<int>(studio_.devices.inputs.size());

    // Progress counts tracks and clips alike; clip imports are what takes the time.
    std::size_t total = parsed.tracks.size(), done = 0;
    for (const StoredTrack& t : parsed.tracks) total += t.clips.size();
    const auto started = std::chrono::steady_clock::now();
    const auto goOn = [&] {
        ++done;
        if (std::chrono::steady_clock::now() - started < progressAfter) return true;
        const std::string what =
            std::string(kOpeningCaption) + " " + std::to_string(done) + "/" + std::to_string(total);
        return studio_.dialogs.progress(what, double(done) / double(total));
    };

    for (const StoredTrack& stored : parsed.tracks) {
        if (!goOn()) return false;
        const int slot = stored.settings.slot;
        // Slot 10,000 never holds a track: its record is skipped with its clips.
        if (model.createTrack(slot) < 0) {
            done += stored.clips.size();
            continue;
        }
        TrackSettings s = stored.settings;
        s.volume = saneOr(s.volume, 1.0f, kSettingLimit);
        s.pan = saneOr(s.pan, 0.0f, kSettingLimit);
        s.gain = saneOr(s.gain, 0.0f, kSettingLimit);
        model.applySettings(slot, s, true, outputs, inputs);

        for (const StoredClip& clip : stored.clips) {
            if (!goOn()) return false;
            applyClip(clip, slot, path);
        }
        // The clips take their places from the file.
        for (const StoredClip& clip : stored.clips) {
            TMultiWave* wave = model.clip(clip.clipSlot);
            if (!wave) continue;
            wave->SetStartTime(saneOr(clip.start, 0.0f, kStartTimeLimit));
            studio_.timeline.layClip(*wave, model.ProjectSampleRate);
        }
    }
    return true;
}

void ProjectFileCommands::applyClip(const StoredClip& clip, int track, const std::string& projectFile) {
    std::string where = clip.path;
    if (auto found = relocatedClipPath(clip.path, projectFile)) {
        where = *found;
        studio_.texts.addMemo(kRelocatedMemo);
        studio_.texts.addMemo("元の場所: " + clip.path);
        studio_.texts.addMemo("見つけた場所: " + where);
    }
    // A file that is not there is reported once, with the others, not by the import.
    const bool there = fileKindOf(where) != FileKind::Missing;
    if (there && studio_.importer().importForProject(clip.clipSlot, where, track)) return;
    clipsLeftOut_.push_back(clip);
    clipsLeftOut_.back().trackSlot = track;  // the track it is on
    studio_.texts.addMemo(kClipFailedMemo);
    studio_.texts.addMemo("トラック: " + std::to_string(track));
    studio_.texts.addMemo("ファイル: " + clip.path);
    if (clip.clipSlot < 0 || clip.clipSlot >= kClipSlots || studio_.model.clip(clip.clipSlot)) return;
    // Kept as it was stored, so saving writes it back and a later open finds the file again.
    TMultiWave& missing = studio_.model.createClip(clip.clipSlot);
    missing.SetMissing(true);
    missing.SetTrack(track);
    missing.SetFileName(clip.path);
}

void ProjectFileCommands::reportMissingClips() {
    if (clipsLeftOut_.empty()) return;
    std::string text = kMissingClipsMessage;
    for (std::size_t i = 0; i < clipsLeftOut_.size() && i < kMissingClipsListed; ++i)
        text += "\n" + clipsLeftOut_[i].path;
    if (clipsLeftOut_.size() > kMissingClipsListed)
        text += "\nほか " + std::to_string(clipsLeftOut_.size() - kMissingClipsListed) + " 個";
    studio_.dialogs.messageBox(text, kApplicationTitle, DialogIcon::Warning, DialogButtons::Ok);
}

void ProjectFileCommands::applyEqualizer(const StoredEqualizer& stored) {
    Equalizer& eq = studio_.equalizer();
    eq.loadOn(stored.on != 0);
    eq.loadBandSet(stored.bandSet);
    for (int i = 0; i < eq.GetBandCount() && i < kEqualizerBands; ++i)
        eq.loadBandPosition(i, stored.bands[static_cast<std::size_t>(i)]);
}

std::string ProjectFileCommands::damageMessage(const ParsedProjectFile& parsed) {
    const std::string v = std::to_string(parsed.damageValue);
    std::string detail;
    switch (parsed.damage) {
        case ProjectFileDamage::None: return {};
        case ProjectFileDamage::CutOff:
            detail = "ファイルが途中で終わっていて、トラックかクリップの記録が足りません。";
            break;
        case ProjectFileDamage::BadSampleRate: detail = "サンプリング周波数 " + v + " Hz は使えません。"; break;
        case ProjectFileDamage::BadTrackCount: detail = "トラック数 " + v + " が不正です。"; break;
        case ProjectFileDamage::BadTrackSlot: detail = "トラックのスロット番号 " + v + " が範囲外です。"; break;
        case ProjectFileDamage::DuplicateTrackSlot:
            detail = "トラックのスロット番号 " + v + " が二度記録されています。";
            break;
        case ProjectFileDamage::BadNameLength: detail = "トラック名の長さ " + v + " バイトが不正です。"; break;
        case ProjectFileDamage::BadClipCount: detail = "クリップ数 " + v + " が不正です。"; break;
        case ProjectFileDamage::BadClipSlot: detail = "クリップのスロット番号 " + v + " が範囲外です。"; break;
        case ProjectFileDamage::DuplicateClipSlot:
            detail = "クリップのスロット番号 " + v + " が二度記録されています。";
            break;
        case ProjectFileDamage::BadPathLength: detail = "ファイルパスの長さ " + v + " バイトが不正です。"; break;
    }
    return std::string(kDamagedMessage) + "\n" + detail + "（" + std::to_string(parsed.damageOffset) +
           " バイト目）\n読み込めた所までを開きました。";
}

}  // namespace tqx
