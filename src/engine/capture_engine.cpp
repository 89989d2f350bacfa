#include "engine/capture_engine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>

#include "engine/level_meters.h"
#include "engine/timeline.h"
#include "engine/window_texts.h"
#include "platform/byte_order.h"
#include "platform/number_format.h"
#include "project/clip_timing.h"
#include "project/device_selection.h"
#include "project/project_model.h"
#include "project/take_paths.h"

namespace tqx {

namespace {

// The folder part of a path, up to and including the last '/'; empty when there is none.
std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Any directory entry counts, even a dangling link: creating the file would go through it.
bool nameTaken(const std::string& path) {
    std::error_code ec;
    const auto st = std::filesystem::symlink_status(path, ec);
    return !ec && st.type() != std::filesystem::file_type::not_found;
}

}  // namespace

CaptureEngine::CaptureEngine(AudioSystem& audio, UserDialogs& dialogs, ProjectModel& model, Timeline& timeline,
                             const DeviceSelection& devices, LevelMeters& meters, WindowTexts& texts)
    : audio_(audio),
      dialogs_(dialogs),
      model_(model),
      timeline_(timeline),
      devices_(devices),
      meters_(meters),
      texts_(texts) {}

std::string CaptureEngine::writeFailedMessage(int track, const std::string& fileName) {
    return "トラック" + std::to_string(track + 1) + "の録音ファイル「" + fileName +
           "」に書き込めませんでした。ディスクの空きが足りないか、保存先のフォルダーが使えません。"
           "このトラックの録音を止めました。止めるまでに録音した分はファイルに残っています。";
}

std::string CaptureEngine::nextFileName() {
    const std::string folder = folderOf(model_.ProjectPath);
    // The counter starts at 0 with every run, so its names may already be in the folder
    // from earlier sessions; a take never replaces one of them.
    for (int tries = 0; tries <= kMaxFileCounter; ++tries) {
        if (RecordFileCounter < 0 || RecordFileCounter > kMaxFileCounter) RecordFileCounter = 0;
        std::string name = folder + std::to_string(RecordFileCounter) + ".wav";
        if (!nameTaken(name)) return name;
        ++RecordFileCounter;
    }
    return {};
}

int CaptureEngine::startRecordings() {
    int started = 0;
    const std::string folder = folderOf(model_.ProjectPath);
    for (int t = 0; t < kUsableTrackSlots; ++t) {
        if (!model_.trackExists(t) || !model_.track(t).recordArmed) continue;
        // A project opened with armed tracks in a folder too deep for its take paths: the
        // takes could never be saved in the project, so none is begun.
        if (!takePathsFit(folder)) {
            dialogs_.messageBox(takeFolderTooLongMessage(folder), kApplicationTitle, DialogIcon::Error,
                                DialogButtons::Ok);
            return 0;
        }
        if (model_.firstFreeClipSlot() < 0) continue;  // the clip table is full
        if (startTrack(t)) ++started;
    }
    if (RecordFileCounter > kMaxFileCounter) RecordFileCounter = 0;
    return started;
}

std::vector<StreamId> CaptureEngine::streamsToStart() {
    std::vector<StreamId> streams;
    for (int slot : toStart_)
        if (const TMultiWave* clip = model_.clip(slot); clip && clip->IsCapturing()) streams.push_back(clip->WaveIn());
    toStart_.clear();
    return streams;
}

bool CaptureEngine::startTrack(int t) {
    ProjectModel& model = model_;
    const int slot = model.firstFreeClipSlot();
    TMultiWave& clip = model.createClip(slot);
    TrackSlot& track = model.track(t);
    track.untouched = false;
    clip.SetTrack(t);

    const int R = model.ProjectSampleRate;
    const Timeline& tl = timeline_;
    clip.SetTimelinePos(static_cast<int>(std::trunc(double(R) / tl.TimeScale * tl.StartPosition)));
    clip.SetStartTime(tl.StartPosition);
    clip.onTimeline = false;  // placed only when the take is read back

    bool ok = false;
    try {
        const bool memory = clip.CreateCaptureHeap() && clip.AllocCaptureBuffers();
        const std::uint16_t channels = model_.recordingMode == 1 ? 1 : 2;  // "モノラル" : "ステレオ"
        clip.SetCaptureFormat(channels, static_cast<std::uint32_t>(R), 16);
        const DeviceSelection& dev = devices_;
        const int device = dev.perTrackRecording ? track.recordingDevice : dev.InputDeviceId;
        if (memory) {
            const std::string name = nextFileName();
            ok = clip.CreateWaveFile(name) == 0 && clip.QueryCaptureFormat(audio_, device) &&
                 clip.OpenCapture(audio_, device, this) && clip.QueueCaptureBuffers(audio_);
        }
        if (ok) {
            clip.SetCaptureFileLimit(takeFileLimit(clip.GetStartTime(), clip.CaptureFormat().blockAlign));
            clip.onCaptureFileFull = [this](TMultiWave& full) { return continueTake(full); };
            toStart_.push_back(slot);
            ++RecordFileCounter;
        }
    } catch (const std::exception&) {
        ok = false;
    }
    model.changedClip(slot, ClipChange::Added);
    model.changedTrack(t, TrackChange::Values);
    if (ok) return true;

    dialogs_.messageBox(kStartFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
    // The clip stays in its slot, empty and off the timeline.
    clip.StopCapture(audio_);
    clip.CloseWaveFile();
    clip.CloseCapture(audio_);
    clip.FreeCaptureBuffers();
    clip.DestroyCaptureHeap();
    return false;
}

std::uint32_t CaptureEngine::takeFileLimit(float startTime, int frameBytes) const {
    const auto rate = static_cast<std::uint32_t>(model_.ProjectSampleRate);
    const std::int64_t most = maxTakeFileBytes / std::uint32_t(std::max(1, frameBytes));
    const std::int64_t first = frameAtTime(startTime, rate);
    // Far into a long timeline start times are coarser than a frame; the file ends a few
    // frames early rather than let the next part start off its frame.
    for (std::int64_t frames = most; frames > 0 && frames > most - 100000; --frames)
        if (exactStartTime(first + frames, rate)) return std::uint32_t(frames * frameBytes);
    return std::uint32_t(most * frameBytes);
}

bool CaptureEngine::continueTake(TMultiWave& clip) {
    ProjectModel& model = model_;
    const auto rate = clip.CaptureFormat().samplesPerSec;
    const std::int64_t next = frameAtTime(clip.GetStartTime(), rate) +
                              clip.BytesWritten() / std::max<std::uint32_t>(1, clip.CaptureFormat().blockAlign);
    const std::optional<float> nextStart = exactStartTime(next, rate);
    const int partSlot = model.firstFreeClipSlot();
    if (!nextStart || partSlot < 0 || clip.CloseWaveFile() != 0) return false;

    // The full file stays a clip of its own on the track, read back with the rest of the take.
    TMultiWave& part = model.createClip(partSlot);
    part.SetTrack(clip.GetTrack());
    part.SetStartTime(clip.GetStartTime());
    part.SetFileName(clip.FileName());
    part.onTimeline = false;
    finishedParts_.push_back(partSlot);

    clip.SetFileName({});  // should the next file fail, this clip reads nothing back
    clip.SetStartTime(*nextStart);
    const std::string name = nextFileName();
    if (name.empty() || clip.CreateWaveFile(name) != 0) return false;
    ++RecordFileCounter;
    if (RecordFileCounter > kMaxFileCounter) RecordFileCounter = 0;
    clip.SetCaptureFileLimit(takeFileLimit(*nextStart, clip.CaptureFormat().blockAlign));
    model.changedClip(partSlot, ClipChange::Added);
    model.changedClip(clip.SlotIndex(), ClipChange::Moved);
    return true;
}

void CaptureEngine::OnWaveInData(StreamId h, WaveHeader* H) {
    if (h == 0 || H == nullptr) return;
    for (int slot : model_.clipSlots()) {
        TMultiWave* clip = model_.clip(slot);
        if (!clip || !clip->IsCapturing() || clip->WaveIn() != h) continue;
        // Only now is H known to belong to a live recording: buffers handed back after a
        // stop arrive when their memory is already gone and match no clip.
        MeasureCaptureLevel(clip->GetTrack(), *H, clip->CaptureFormat().channels);
        clip->OnCaptureData(audio_, H);
        if (clip->CaptureWriteFailed()) {
            // The disk no longer takes the take: end this track's recording now, keep what
            // reached the file and put it on the timeline, then tell the user. The record
            // toggle comes up, so the next play starts no take on a disk that is full.
            endCapture(*clip);
            reloadClip(*clip);
            reloadFinishedParts();
            dialogs_.messageBox(writeFailedMessage(clip->GetTrack(), clip->FileName()), kApplicationTitle,
                                DialogIcon::Error, DialogButtons::Ok);
            takeFailed();
        }
        return;  // a stream belongs to one clip only
    }
}

void CaptureEngine::MeasureCaptureLevel(int track, const WaveHeader& H, int channels) {
    std::array<double, 2> sum{0.0, 0.0};
    std::array<long, 2> count{0, 0};
    const std::uint32_t samples = H.data ? H.bytesRecorded / 2 : 0;
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double v = getSample16(H.data + 2 * i) / 32768.0;
        const std::size_t c = (channels == 2 && i % 2 == 1) ? 1 : 0;
        sum[c] += std::fabs(v);
        ++count[c];
    }
    LevelMeters& meters = meters_;
    // While clips play the master meter follows playback; a recording alone drives it, and
    // since MeterDivisor is then 0 every buffer draws it, halving the sum after its own share.
    const bool masterFollowsCapture = meters.MeterDivisor <= 0;
    meters.showBlockLevels(channels, track, sum, count, masterFollowsCapture);
    if (masterFollowsCapture) meters.paceMasterMeter(meters.captureFillCounter);
}

bool CaptureEngine::endCapture(TMultiWave& clip) {
    clip.StopCapture(audio_);
    reportLostInput(clip);
    const bool closed = clip.CloseWaveFile() == 0;
    clip.CloseCapture(audio_);
    clip.FreeCaptureBuffers();
    clip.DestroyCaptureHeap();
    clip.onCaptureFileFull = nullptr;
    return closed && !clip.CaptureWriteFailed();
}

void CaptureEngine::reportLostInput(const TMultiWave& clip) {
    const std::uint64_t lost = clip.WaveIn() ? audio_.lostFrames(clip.WaveIn()) : 0;
    if (lost == 0) return;
    const double seconds = double(lost) / std::max<std::uint32_t>(1, clip.CaptureFormat().samplesPerSec);
    texts_.addMemo("トラック" + std::to_string(clip.GetTrack() + 1) + "の録音で入力があふれ、" +
                   formatFixed(seconds, 3) + "秒分を無音で埋めました。");
}

void CaptureEngine::reloadClip(TMultiWave& clip) {
    meters_.clearTrackMeter(clip.GetTrack());
    meters_.clearMaster();
    clip.LoadWaveFile(clip.FileName());
    // The take plays back in blocks of a tenth of a second, like an imported clip.
    clip.AllocOutBuffers(TMultiWave::playbackBlockSamples(model_.ProjectSampleRate, clip.GetFormat().channels));
    timeline_.layClip(clip, model_.ProjectSampleRate);
    model_.changedClip(clip.SlotIndex(), ClipChange::Data);
}

void CaptureEngine::reloadFinishedParts() {
    for (int slot : finishedParts_)
        if (TMultiWave* part = model_.clip(slot)) reloadClip(*part);
    finishedParts_.clear();
}

bool CaptureEngine::recording() const {
    const auto slots = model_.clipSlots();
    return std::any_of(slots.begin(), slots.end(), [this](int slot) {
        const TMultiWave* clip = model_.clip(slot);
        return clip && clip->IsCapturing();
    });
}

void CaptureEngine::awaitTails(double heard) {
    const auto rate = static_cast<std::uint32_t>(model_.ProjectSampleRate);
    // Frame 0 of every take is the frame heard at the run's start.
    const std::int64_t wanted = frameAtTime(heard, rate) - frameAtTime(timeline_.StartPosition, rate);
    if (wanted <= 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kTailWait;
    for (int slot : model_.clipSlots()) {
        TMultiWave* clip = model_.clip(slot);
        if (!clip || !clip->IsCapturing()) continue;
        // What the device captured after the stop is not part of the take.
        clip->capture().endTakeAt(std::uint64_t(wanted) * clip->CaptureFormat().blockAlign);
        const auto left = std::max(
            std::chrono::milliseconds::zero(),
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
        const std::uint64_t got = audio_.awaitInput(clip->WaveIn(), std::uint64_t(wanted), left);
        if (got >= std::uint64_t(wanted)) continue;
        texts_.addMemo("トラック" + std::to_string(clip->GetTrack() + 1) + "の録音は、停止前の" +
                       formatFixed(double(std::uint64_t(wanted) - got) / rate, 3) +
                       "秒分が入力から届かなかったため、その手前で終わっています。");
    }
}

bool CaptureEngine::StopRecordingAt(double heard) {
    if (!recording()) return false;
    awaitTails(heard);
    return StopRecording(true);
}

bool CaptureEngine::StopRecording(bool reload) {
    bool any = false;
    for (int slot : model_.clipSlots()) {
        TMultiWave* clip = model_.clip(slot);
        if (!clip || !clip->IsCapturing()) continue;
        any = true;
        const bool complete = endCapture(*clip);
        if (reload) reloadClip(*clip);
        if (!complete)
            dialogs_.messageBox(writeFailedMessage(clip->GetTrack(), clip->FileName()), kApplicationTitle,
                                DialogIcon::Error, DialogButtons::Ok);
    }
    if (reload) reloadFinishedParts();
    finishedParts_.clear();
    toStart_.clear();
    return any;
}

}  // namespace tqx
