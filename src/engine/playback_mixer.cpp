#include "engine/playback_mixer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "effects/equalizer.h"
#include "engine/level_meters.h"
#include "engine/timeline.h"
#include "engine/window_texts.h"
#include "platform/number_format.h"
#include "project/clip_timing.h"
#include "project/device_selection.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kOpenFailedMessage = "再生デバイスの初期化に失敗しました。再生できません。";
constexpr const char* kFillFailedMessage = "エラー。再生できません。";

}  // namespace

PlaybackMixer::PlaybackMixer(AudioSystem& audio, UserDialogs& dialogs, ProjectModel& model, const Timeline& timeline,
                             const DeviceSelection& devices, const Equalizer& equalizer, LevelMeters& meters,
                             WindowTexts& texts)
    : audio_(audio),
      dialogs_(dialogs),
      model_(model),
      timeline_(timeline),
      devices_(devices),
      equalizer_(equalizer),
      meters_(meters),
      texts_(texts),
      clock_(audio) {}

void PlaybackMixer::openRun() {
    clock_.open(devices_.OutputDeviceId, static_cast<std::uint32_t>(model_.ProjectSampleRate));
}

void PlaybackMixer::startRun(std::vector<StreamId> others) {
    // The clock comes first: recordings line up with the moment it is heard.
    std::vector<StreamId> run;
    if (clock_.stream()) run.push_back(clock_.stream());
    for (const auto& [stream, slot] : streams_) run.push_back(stream);
    run.insert(run.end(), others.begin(), others.end());
    audio_.startStreams(run);
}

bool PlaybackMixer::OpenClipOutput(int clipSlot) {
    TMultiWave* clip = model_.clip(clipSlot);
    if (!clip) return false;
    // A stream still open from an earlier run (a start whose timer failed) is not leaked.
    if (clip->playback().WaveOut) closeClipStream(*clip);

    const std::uint32_t blockBytes =
        static_cast<std::uint32_t>(std::max(0, clip->OutBlockFrames())) * clip->GetFormat().blockAlign;
    for (int i = 0; i < TMultiWave::kOutputBlocks; ++i) {
        WaveHeader& h = clip->playback().OutHeaders[static_cast<std::size_t>(i)];
        h = WaveHeader{};
        h.data = reinterpret_cast<std::uint8_t*>(clip->OutBuffer(i));
        h.bufferLength = h.data ? blockBytes : 0;
    }

    int device = devices_.OutputDeviceId;
    if (devices_.perTrackPlayback && model_.trackExists(clip->GetTrack()))
        device = model_.track(clip->GetTrack()).playbackDevice;

    const StreamId stream = audio_.openOutput(device, clip->GetFormat(), this);
    if (stream == 0) {
        dialogs_.messageBox(kOpenFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
        return false;
    }
    clip->playback().WaveOut = stream;
    streams_[stream] = clipSlot;
    primeClip(clipSlot);
    return true;
}

void PlaybackMixer::primeClip(int clipSlot) {
    TMultiWave& clip = *model_.clip(clipSlot);
    const std::uint32_t rate = clip.GetFormat().samplesPerSec;
    clip.playback().entryFrame = frameAtTime(timeline_.StartPosition, rate) - frameAtTime(clip.GetStartTime(), rate);
    clip.SetBlockCounter(0);
    clip.playback().outputDraining = false;
    equalizers_[clip.playback().WaveOut].enter(equalizer_);
    for (int i = 0; i < TMultiWave::kOutputBlocks; ++i) {
        const int b = clip.GetBlockCounter();
        const int r = nextBlock(clipSlot, clip, i);
        if (r == 0) {
            clip.playback().outputDraining = true;
            break;
        }
        if (r == -1 || !queueBlock(clip, i)) {
            dialogs_.messageBox(kFillFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
            break;
        }
        clip.SetBlockCounter(b + 1);
        clip.SetPlaying(1);
    }
    // A clip that ended before the start position has nothing to play in this run.
    if (clip.playback().outputDraining && clip.GetBlockCounter() == 0) closeClipStream(clip);
}

std::int64_t PlaybackMixer::BlockStartOffset(int clipSlot) {
    const TMultiWave* clip = model_.clip(clipSlot);
    if (!clip) return 0;
    return clip->playback().entryFrame + std::int64_t(clip->GetBlockCounter()) * clip->OutBlockFrames();
}

int PlaybackMixer::nextBlock(int clipSlot, TMultiWave& clip, int block) {
    const std::int64_t first = BlockStartOffset(clipSlot);
    const int frames = clip.OutBlockFrames();
    // While the clip still lies ahead its blocks go out silent and leave the meters alone.
    const bool ahead = frames > 0 && first + frames <= 0;
    if (ahead) std::fill_n(clip.OutBuffer(block), clip.GetOutBufferSamples(), std::int16_t{0});
    const int r = ahead ? 1 : FillBlock(clipSlot, block, first);
    // Every block that goes to the device passes the equalizer while it is on.
    if (r == 1)
        equalizers_[clip.playback().WaveOut].process(
            {clip.OutBuffer(block), std::size_t(frames) * clip.GetFormat().channels}, clip.GetFormat().channels,
            equalizer_);
    return r;
}

int PlaybackMixer::FillBlock(int clipSlot, int block, std::int64_t firstFrame) {
    TMultiWave* clip = model_.clip(clipSlot);
    if (!clip || block < 0 || block >= TMultiWave::kOutputBlocks) return -1;
    const int track = clip->GetTrack();
    if (track < 0 || track >= kTrackSlots) return -1;
    const TrackSlot& t = model_.track(track);
    const WaveFormat format = clip->GetFormat();
    const int channels = format.channels;
    if (channels < 1 || channels > 2) return -1;
    const int n = clip->OutBlockFrames() * channels;
    std::int16_t* out = clip->OutBuffer(block);
    if (n <= 0 || out == nullptr) return -1;

    // Gain is applied in double precision and the product stored back as float.
    const double gainFactor = std::pow(10.0, 0.05 * double(t.gain));
    const float volume = t.volume;
    const float pan = t.pan;
    if (!std::isfinite(gainFactor) || !std::isfinite(volume) || !std::isfinite(pan)) return -1;

    const std::uint8_t* data = clip->GetData();
    const std::int64_t totalFrames = clip->GetDataSize() / (2u * std::uint32_t(channels));
    if (data == nullptr || firstFrame >= totalFrames) return 0;
    // Every frame of the clip plays: a block reaching past either end of the data is silent
    // there.
    const std::int64_t firstSample = firstFrame * channels;
    const std::int64_t totalSamples = totalFrames * channels;

    const bool silent = t.muted || (model_.AnySolo && !t.soloed);
    const bool stereo = channels == 2;
    // Pan only ever attenuates the far side; a factor of 1.0 leaves the value as it is.
    const double leftPan = pan > 0.0f ? 1.0 - pan : 1.0;
    const double rightPan = stereo && pan < 0.0f ? 1.0 + pan : 1.0;
    // Sample j through gain, volume and pan to 16 bits; returns |v| for the meter.
    auto shape = [&](int j, double panFactor) {
        const std::int64_t k = firstSample + j;
        std::int16_t x = 0;
        if (k >= 0 && k < totalSamples) {
            const std::uint8_t* in = data + 2 * k;
            x = static_cast<std::int16_t>(std::uint16_t(in[0]) | std::uint16_t(in[1]) << 8);
        }
        float v = silent ? 0.0f : float(x) / 32768.0f;
        v = static_cast<float>(double(v) * gainFactor);
        v = v * volume;
        v = static_cast<float>(double(v) * panFactor);
        // Truncate the single-precision product toward zero within the 16-bit range, then
        // trunc(s + 0.5): every negative sample comes out one step nearer zero. (Limiting
        // before truncating gives the same integer, as both limits are whole numbers.)
        const int s = static_cast<int>(std::clamp(v * 32768.0f, -32768.0f, 32767.0f));
        out[j] = static_cast<std::int16_t>(s >= 0 ? s : s + 1);
        return std::fabs(double(v));
    };
    std::array<double, 2> sum{0.0, 0.0};
    std::array<long, 2> count{0, 0};
    if (stereo) {
        for (int j = 0; j + 1 < n; j += 2) {
            sum[0] += shape(j, leftPan);
            sum[1] += shape(j + 1, rightPan);
        }
        count = {n / 2, n / 2};
    } else {
        for (int j = 0; j < n; ++j) sum[0] += shape(j, leftPan);
        count = {n, 0};
    }

    LevelMeters& meters = meters_;
    // Only audible clips feed the master meter; every fill paces it.
    const bool audible = model_.trackAudible(track);
    meters.showBlockLevels(channels, track, sum, count, audible);
    meters.pacePlaybackMeter(audible);
    return 1;
}

void PlaybackMixer::OnWaveOutDone(StreamId h) {
    const auto found = streams_.find(h);
    if (h == 0 || found == streams_.end()) return;  // a block of a stream closed since
    const int slot = found->second;
    TMultiWave* clip = model_.clip(slot);
    if (!clip || clip->playback().WaveOut != h) {
        streams_.erase(found);
        return;
    }
    for (int j = 0; j < TMultiWave::kOutputBlocks; ++j) {
        WaveHeader& header = clip->playback().OutHeaders[static_cast<std::size_t>(j)];
        if (!(header.flags & WaveHeader::Done) || clip->playback().outputDraining) continue;
        const int b = clip->GetBlockCounter();
        const int r = nextBlock(slot, *clip, j);
        if (r == 0) {
            clip->playback().outputDraining = true;
            continue;
        }
        if (r == -1) {
            closeClipStream(*clip);
            return;
        }
        audio_.unprepareHeader(&header);
        if (!queueBlock(*clip, j)) {
            closeClipStream(*clip);
            return;
        }
        clip->SetBlockCounter(b + 1);
        clip->SetPlaying(1);
    }
    // The stream ends once the blocks that hold the clip's last frames have played.
    const bool queued = std::any_of(clip->playback().OutHeaders.begin(), clip->playback().OutHeaders.end(),
                                    [](const WaveHeader& hd) { return (hd.flags & WaveHeader::InQueue) != 0; });
    if (clip->playback().outputDraining && !queued) closeClipStream(*clip);
}

bool PlaybackMixer::queueBlock(TMultiWave& clip, int block) {
    WaveHeader* header = &clip.playback().OutHeaders[static_cast<std::size_t>(block)];
    audio_.prepareHeader(header);
    return audio_.writeOutput(clip.playback().WaveOut, header);
}

void PlaybackMixer::closeClipStream(TMultiWave& clip) {
    AudioSystem& audio = audio_;
    noteLostFrames(clip);
    audio.resetOutput(clip.playback().WaveOut);
    for (WaveHeader& header : clip.playback().OutHeaders) audio.unprepareHeader(&header);
    audio.closeOutput(clip.playback().WaveOut);
    streams_.erase(clip.playback().WaveOut);
    equalizers_.erase(clip.playback().WaveOut);
    clip.playback().WaveOut = 0;
    meters_.clearTrackMeter(clip.GetTrack());
    meters_.clearMaster();
    clip.SetPlaying(0);
}

void PlaybackMixer::CloseAllOutputs() {
    for (int slot : model_.clipSlots()) {
        TMultiWave* clip = model_.clip(slot);
        if (clip->playback().WaveOut) closeClipStream(*clip);
    }
    streams_.clear();
    equalizers_.clear();
    clock_.close();
    reportLostFrames();
}

bool PlaybackMixer::RewindOutputs() {
    if (!clock_.isOpen()) return true;  // nothing plays
    clock_.restart();
    for (int slot : model_.clipSlots()) {
        TMultiWave* clip = model_.clip(slot);
        if (clip->GetDataSize() == 0) continue;
        if (clip->playback().WaveOut) {
            // The reset hands both queued blocks back; they are filled again at once from the
            // new start position, so every stream begins there on the same frame.
            audio_.resetOutput(clip->playback().WaveOut);
            primeClip(slot);
        } else if (!OpenClipOutput(slot)) {
            CloseAllOutputs();
            return false;
        }
    }
    startRun();
    return true;
}

void PlaybackMixer::noteLostFrames(const TMultiWave& clip) {
    if (const std::uint64_t lost = audio_.lostFrames(clip.playback().WaveOut))
        lostMsByTrack_[clip.GetTrack()] += lost * 1000 / std::max<std::uint32_t>(1, clip.GetFormat().samplesPerSec);
}

void PlaybackMixer::reportLostFrames() {
    if (lostMsByTrack_.empty()) return;
    std::vector<int> tracks;
    for (const auto& [track, ms] : lostMsByTrack_) tracks.push_back(track);
    std::sort(tracks.begin(), tracks.end());
    for (int track : tracks)
        texts_.addMemo("トラック" + std::to_string(track + 1) + "の再生が間に合わず、" +
                       formatFixed(double(lostMsByTrack_[track]) / 1000.0, 3) + "秒分の音が抜けました。");
    lostMsByTrack_.clear();
}

int PlaybackMixer::openOutputCount() const {
    int open = 0;
    for (int slot : model_.clipSlots())
        if (model_.clip(slot)->playback().WaveOut) ++open;
    return open;
}

void PlaybackMixer::onOutputDone(StreamId stream, WaveHeader*) { OnWaveOutDone(stream); }

// Capture streams are opened with the capture engine as their listener.
void PlaybackMixer::onInputData(StreamId, WaveHeader*) {}

}  // namespace tqx
