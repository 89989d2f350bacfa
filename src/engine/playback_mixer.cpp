#include "engine/playback_mixer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "effects/apply_equalizer.h"
#include "effects/equalizer.h"
#include "engine/level_meters.h"
#include "engine/studio.h"

namespace tqx {

namespace {

constexpr const char* kOpenFailedMessage = "再生デバイスの初期化に失敗しました。再生できません。";
constexpr const char* kFillFailedMessage = "エラー。再生できません。";

}  // namespace

PlaybackMixer::PlaybackMixer(Studio& studio) : studio_(studio) {}

bool PlaybackMixer::OpenClipOutput(int clipSlot) {
    TMultiWave* clip = studio_.model.clip(clipSlot);
    if (!clip) return false;
    // A stream still open from an earlier run (a start whose timer failed) is not leaked.
    if (clip->WaveOut) closeClipStream(*clip);

    const int n = clip->GetOutBufferSamples();
    for (int i = 0; i < 2; ++i) {
        std::int16_t* block = clip->OutBuffer(i);
        if (block) std::fill_n(block, n, std::int16_t{0});
        WaveHeader& h = clip->OutHeaders[static_cast<std::size_t>(i)];
        h = WaveHeader{};
        h.data = reinterpret_cast<std::uint8_t*>(block);
        h.bufferLength = static_cast<std::uint32_t>(std::max(0, n)) * 2u;
    }

    int device = studio_.devices.OutputDeviceId;
    if (studio_.devices.perTrackPlayback && studio_.model.trackExists(clip->GetTrack()))
        device = studio_.model.track(clip->GetTrack()).playbackDevice;

    const StreamId stream = studio_.audio.openOutput(device, clip->GetFormat(), this);
    if (stream == 0) {
        studio_.dialogs.messageBox(kOpenFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
        return false;
    }
    clip->WaveOut = stream;
    streams_[stream] = clipSlot;
    clip->SetBlockCounter(0);

    // Prime both blocks. These two do not pass through the equalizer.
    for (int i = 0; i < 2; ++i) {
        const int s = BlockStartOffset(clipSlot, i);
        const int b = clip->GetBlockCounter();
        const int r = s >= 0 ? FillBlock(clipSlot, i, s, b) : 1;
        if (r == 0) break;
        if (r == -1 || !queueBlock(*clip, i)) {
            studio_.dialogs.messageBox(kFillFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
            break;
        }
        clip->SetBlockCounter(b + 1);
        clip->SetPlaying(1);
    }
    return true;
}

int PlaybackMixer::BlockStartOffset(int clipSlot, int block) {
    TMultiWave* clip = studio_.model.clip(clipSlot);
    if (!clip) return -1;
    const double startTime = clip->GetStartTime();
    // Whole seconds only: a start 2.7 s into a clip enters it at 2 s, and a clip less than
    // a second ahead (difference above -1) counts as already reached.
    const double ahead = std::clamp(double(studio_.timeline.StartPosition) - startTime, -1e9, 1e9);
    const int s = static_cast<int>(std::trunc(ahead));
    if (s >= 0) return s;
    if (double(studio_.timeline.PlayHead.load()) - startTime >= 0.0) return 0;
    if (block >= 0 && block < 2) {
        std::int16_t* samples = clip->OutBuffer(block);
        if (samples) std::fill_n(samples, clip->GetOutBufferSamples(), std::int16_t{0});
    }
    clip->SetBlockCounter(0);
    return s;
}

int PlaybackMixer::FillBlock(int clipSlot, int block, int startSeconds, int counter) {
    TMultiWave* clip = studio_.model.clip(clipSlot);
    if (!clip || block < 0 || block > 1 || startSeconds < 0 || counter < 0) return -1;
    const int track = clip->GetTrack();
    if (track < 0 || track >= kTrackSlots) return -1;
    const TrackSlot& t = studio_.model.track(track);
    const WaveFormat format = clip->GetFormat();
    const int n = clip->GetOutBufferSamples();
    std::int16_t* out = clip->OutBuffer(block);
    if (n <= 0 || out == nullptr) return -1;

    // Gain is applied in double precision and the product stored back as float.
    const double gainFactor = std::pow(10.0, 0.05 * double(t.gain));
    const float volume = t.volume;
    const float pan = t.pan;
    if (!std::isfinite(gainFactor) || !std::isfinite(volume) || !std::isfinite(pan)) return -1;

    const std::uint8_t* data = clip->GetData();
    const std::uint64_t total = clip->GetDataSize() / 2u;
    // The second offset is rounded as a byte count and halved as an unsigned number.
    const auto secondBytes =
        static_cast<std::uint64_t>(std::trunc(double(startSeconds) * format.avgBytesPerSec + 0.5));
    const std::uint64_t first = std::uint64_t(counter) * std::uint64_t(n) + secondBytes / 2u;
    // A block that would run past the data is not played at all, not even in part.
    if (data == nullptr || first + std::uint64_t(n) > total) return 0;

    const bool silent = t.muted || (studio_.model.AnySolo && !t.soloed);
    const bool stereo = format.channels == 2;
    // Pan only ever attenuates the far side; a factor of 1.0 leaves the value as it is.
    const double leftPan = pan > 0.0f ? 1.0 - pan : 1.0;
    const double rightPan = stereo && pan < 0.0f ? 1.0 + pan : 1.0;
    const std::uint8_t* in = data + 2u * first;
    // Sample j through gain, volume and pan to 16 bits; returns |v| for the meter.
    auto shape = [&](int j, double panFactor) {
        const auto x = static_cast<std::int16_t>(std::uint16_t(in[2 * j]) | std::uint16_t(in[2 * j + 1]) << 8);
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
        int j = 0;
        for (; j + 1 < n; j += 2) {
            sum[0] += shape(j, leftPan);
            sum[1] += shape(j + 1, rightPan);
        }
        if (j < n) sum[0] += shape(j, leftPan);
        count = {n - n / 2, n / 2};
    } else {
        for (int j = 0; j < n; ++j) sum[0] += shape(j, leftPan);
        count = {n, 0};
    }

    LevelMeters& meters = studio_.meters();
    meters.showBlockLevels(format.channels, track, sum, count, true);
    // Only audible clips draw the master meter.
    meters.paceMasterMeter(meters.fillCounter, studio_.model.trackAudible(track));
    return 1;
}

void PlaybackMixer::OnWaveOutDone(StreamId h) {
    const auto found = streams_.find(h);
    if (h == 0 || found == streams_.end()) return;  // a block of a stream closed since
    const int slot = found->second;
    TMultiWave* clip = studio_.model.clip(slot);
    if (!clip || clip->WaveOut != h) {
        streams_.erase(found);
        return;
    }
    for (int j = 0; j < 2; ++j) {
        WaveHeader& header = clip->OutHeaders[static_cast<std::size_t>(j)];
        if (!(header.flags & WaveHeader::Done)) continue;
        const int s = BlockStartOffset(slot, j);
        const int b = clip->GetBlockCounter();
        const int r = s < 0 ? 1 : FillBlock(slot, j, s, b);
        if (r != 1) {
            closeClipStream(*clip);
            return;
        }
        const Equalizer& eq = studio_.equalizer();
        if (eq.isOn()) {
            ApplyEqualizer(static_cast<std::size_t>(clip->GetOutBufferSamples()), clip->OutBuffer(j),
                           eq.table().denominator, eq.table().numerator);
        }
        studio_.audio.unprepareHeader(&header);
        if (!queueBlock(*clip, j)) {
            closeClipStream(*clip);
            return;
        }
        clip->SetBlockCounter(b + 1);
        clip->SetPlaying(1);
    }
}

bool PlaybackMixer::queueBlock(TMultiWave& clip, int block) {
    WaveHeader* header = &clip.OutHeaders[static_cast<std::size_t>(block)];
    studio_.audio.prepareHeader(header);
    return studio_.audio.writeOutput(clip.WaveOut, header);
}

void PlaybackMixer::closeClipStream(TMultiWave& clip) {
    AudioSystem& audio = studio_.audio;
    audio.resetOutput(clip.WaveOut);
    for (WaveHeader& header : clip.OutHeaders) audio.unprepareHeader(&header);
    audio.closeOutput(clip.WaveOut);
    streams_.erase(clip.WaveOut);
    clip.WaveOut = 0;
    studio_.meters().clearTrackMeter(clip.GetTrack());
    studio_.meters().clearMaster();
    clip.SetPlaying(0);
}

void PlaybackMixer::CloseAllOutputs() {
    for (int slot : studio_.model.clipSlots()) {
        TMultiWave* clip = studio_.model.clip(slot);
        if (clip->WaveOut) closeClipStream(*clip);
    }
    streams_.clear();
}

void PlaybackMixer::RewindOutputs() {
    // The reset hands both queued blocks back; their notifications refill them from the new
    // start position.
    for (int slot : studio_.model.clipSlots()) {
        TMultiWave* clip = studio_.model.clip(slot);
        if (!clip->WaveOut) continue;
        clip->SetBlockCounter(0);
        studio_.audio.resetOutput(clip->WaveOut);
    }
}

int PlaybackMixer::openOutputCount() const {
    int open = 0;
    for (int slot : studio_.model.clipSlots())
        if (studio_.model.clip(slot)->WaveOut) ++open;
    return open;
}

void PlaybackMixer::onOutputDone(StreamId stream, WaveHeader*) { OnWaveOutDone(stream); }

// Capture streams are opened with the capture engine as their listener.
void PlaybackMixer::onInputData(StreamId, WaveHeader*) {}

}  // namespace tqx
