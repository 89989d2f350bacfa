#include "audio/simulated_audio.h"

#include <algorithm>

#include "audio/stream_format.h"
#include "platform/byte_order.h"

namespace tqx {

namespace {

constexpr std::uint32_t kDone = WaveHeader::Done;
constexpr std::uint32_t kInQueue = WaveHeader::InQueue;
constexpr std::uint32_t kPrepared = WaveHeader::Prepared;
// Loopback keeps this much of what the outputs played.
constexpr std::int64_t kTapeSeconds = 30;

// Frames a device of `rate` has gone through after `ms` milliseconds; taken from the start of
// the clock each time so that 44.1 frames per millisecond never drift.
std::int64_t framesAt(std::int64_t ms, std::uint32_t rate) { return ms * std::int64_t(rate) / 1000; }

void markDone(WaveHeader* h) { h->flags = (h->flags | kDone) & ~kInQueue; }

std::int16_t saturate16(std::int32_t v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

SimulatedAudioSystem::SimulatedAudioSystem(EventSink& sink) : sink_(sink) {}

void SimulatedAudioSystem::addInputDevice(const std::string& name) { inputNames_.push_back(name); }
void SimulatedAudioSystem::addOutputDevice(const std::string& name) { outputNames_.push_back(name); }

std::vector<DeviceCaps> SimulatedAudioSystem::inputDevices() {
    std::vector<DeviceCaps> list;
    for (const auto& n : inputNames_) list.push_back({n, false, false});
    return list;
}

std::vector<DeviceCaps> SimulatedAudioSystem::outputDevices() {
    std::vector<DeviceCaps> list;
    for (const auto& n : outputNames_) list.push_back({n, false, false});
    return list;
}

void SimulatedAudioSystem::setInputSignal(std::function<std::int16_t(std::uint64_t, int)> signal) {
    signal_ = std::move(signal);
}

void SimulatedAudioSystem::setLatencies(int outputMilliseconds, int inputMilliseconds) {
    outputLatency_ = std::max(0, outputMilliseconds);
    inputLatency_ = std::max(0, inputMilliseconds);
}

void SimulatedAudioSystem::setInputBurst(int milliseconds) { burst_ = std::max(0, milliseconds); }

std::uint64_t SimulatedAudioSystem::elapsedMilliseconds() const {
    std::lock_guard lock(mutex_);
    return now_;
}

std::int64_t SimulatedAudioSystem::latencyFrames(int milliseconds, std::uint32_t rate) const {
    return framesAt(milliseconds, rate);
}

// ---- streams ----

SimulatedAudioSystem::Stream* SimulatedAudioSystem::find(StreamId id, bool input) {
    auto it = streams_.find(id);
    return it != streams_.end() && it->second.input == input ? &it->second : nullptr;
}

const SimulatedAudioSystem::Stream* SimulatedAudioSystem::find(StreamId id, bool input) const {
    auto it = streams_.find(id);
    return it != streams_.end() && it->second.input == input ? &it->second : nullptr;
}

bool SimulatedAudioSystem::acceptsDevice(int device, std::size_t count, const std::set<int>& refusing) const {
    if (refusing.count(device)) return false;
    return device == kDefaultDevice || (device >= 0 && static_cast<std::size_t>(device) < count);
}

StreamId SimulatedAudioSystem::open(bool input, int device, const WaveFormat& format, AudioListener* listener) {
    Stream s;
    s.input = input;
    s.format = format;
    s.listener = listener;
    std::lock_guard lock(mutex_);
    StreamId id = ++lastId_;
    streams_.emplace(id, std::move(s));
    deviceOf_[id] = device;
    if (input) inputIds_.insert(id);
    return id;
}

StreamId SimulatedAudioSystem::openOutput(int device, const WaveFormat& format, AudioListener* listener) {
    if (refuseOutputOpen || !isStreamFormat(format) ||
        !acceptsDevice(device, outputNames_.size(), refusingOutputDevices))
        return 0;
    return open(false, device, format, listener);
}

bool SimulatedAudioSystem::queryInputFormat(int device, const WaveFormat& format) {
    return !refuseInputFormat && isStreamFormat(format) &&
           acceptsDevice(device, inputNames_.size(), refusingInputDevices);
}

StreamId SimulatedAudioSystem::openInput(int device, const WaveFormat& format, AudioListener* listener) {
    if (refuseInputOpen || !queryInputFormat(device, format)) return 0;
    return open(true, device, format, listener);
}

bool SimulatedAudioSystem::writeOutput(StreamId stream, WaveHeader* header) {
    Stream* s = find(stream, false);
    // A device takes only prepared headers that it does not hold already.
    if (refuseWrite || !s || !header || !(header->flags & kPrepared) || (header->flags & kInQueue)) return false;
    Block b;
    b.header = header;
    b.start = s->written;
    b.frames = wholeFrameBytes(header->bufferLength, s->format.blockAlign) / s->format.blockAlign;
    s->written += b.frames;
    header->flags = (header->flags & ~kDone) | kInQueue;
    header->generation = ++generation_;
    s->queue.push_back(b);
    return true;
}

bool SimulatedAudioSystem::addInputBuffer(StreamId stream, WaveHeader* header) {
    Stream* s = find(stream, true);
    if (refuseAddBuffer || !s || !header || !(header->flags & kPrepared) || (header->flags & kInQueue)) return false;
    header->bytesRecorded = 0;
    header->flags = (header->flags & ~kDone) | kInQueue;
    header->generation = ++generation_;
    s->queue.push_back({header, 0, 0, 0});
    // After a stop, what the stream still holds goes out at once.
    if (!s->capturing && (!s->hold.empty() || s->silenceAfterHold > 0)) fillBuffers(stream, *s, true);
    return true;
}

void SimulatedAudioSystem::notify(StreamId id, const Stream& s, WaveHeader* header) {
    AudioListener* listener = s.listener;
    if (!listener) return;
    if (s.input)
        sink_.post([listener, id, header] { listener->onInputData(id, header); });
    else
        sink_.post([listener, id, header] { listener->onOutputDone(id, header); });
}

void SimulatedAudioSystem::finish(StreamId id, Stream& s, std::uint32_t bytesRecorded) {
    WaveHeader* h = s.queue.front().header;
    s.queue.pop_front();
    if (s.input) h->bytesRecorded = bytesRecorded;
    markDone(h);
    notify(id, s, h);
}

void SimulatedAudioSystem::resetOutput(StreamId stream) {
    Stream* s = find(stream, false);
    if (!s) return;
    while (!s->queue.empty()) finish(stream, *s, 0);
    std::lock_guard lock(mutex_);
    s->written = 0;
    s->origin.reset();
}

void SimulatedAudioSystem::resetInput(StreamId stream) {
    Stream* s = find(stream, true);
    if (!s) return;
    s->capturing = false;
    fillBuffers(stream, *s, true);
}

std::uint64_t SimulatedAudioSystem::pendingInput(StreamId stream) {
    const Stream* s = find(stream, true);
    if (!s) return 0;
    return s->hold.size() * 2 + s->silenceAfterHold * s->format.blockAlign;
}

std::uint64_t SimulatedAudioSystem::awaitInput(StreamId stream, std::uint64_t frames, std::chrono::milliseconds limit) {
    const auto captured = [&]() -> std::uint64_t {
        const Stream* s = find(stream, true);
        if (!s || !s->nextCapture) return 0;
        return std::uint64_t(std::max<std::int64_t>(0, *s->nextCapture - s->firstCapture));
    };
    for (auto waited = limit.zero(); captured() < frames && waited < limit; ++waited) {
        const Stream* s = find(stream, true);
        if (!s || !s->capturing) break;
        step();
    }
    return captured();
}

// Closing discards what is still queued: the blocks are released (Done, out of the queue)
// without a notification.
void SimulatedAudioSystem::closeOutput(StreamId stream) {
    if (Stream* s = find(stream, false)) {
        for (auto& b : s->queue) markDone(b.header);
        std::lock_guard lock(mutex_);
        streams_.erase(stream);
    }
}

void SimulatedAudioSystem::closeInput(StreamId stream) {
    if (Stream* s = find(stream, true)) {
        for (auto& b : s->queue) markDone(b.header);
        std::lock_guard lock(mutex_);
        streams_.erase(stream);
    }
}

void SimulatedAudioSystem::startStreams(std::span<const StreamId> ids) {
    std::lock_guard lock(mutex_);
    std::optional<std::int64_t> heardFromMs;  // when the first output's frame 0 is heard
    for (StreamId id : ids) {
        auto it = streams_.find(id);
        if (it == streams_.end() || it->second.input) continue;
        Stream& s = it->second;
        if (!s.origin) s.origin = framesAt(std::int64_t(now_), s.format.samplesPerSec);
        if (!heardFromMs) heardFromMs = std::int64_t(now_) + outputLatency_;
    }
    for (StreamId id : ids) {
        auto it = streams_.find(id);
        if (it == streams_.end() || !it->second.input || it->second.nextCapture) continue;
        Stream& s = it->second;
        s.capturing = true;
        s.nextCapture = framesAt(heardFromMs.value_or(std::int64_t(now_)), s.format.samplesPerSec);
        s.firstCapture = *s.nextCapture;
    }
}

std::int64_t SimulatedAudioSystem::framesHeard(StreamId output) const {
    std::lock_guard lock(mutex_);
    const Stream* s = find(output, false);
    if (!s || !s->origin) return kNotHeard;
    const std::uint32_t rate = s->format.samplesPerSec;
    return framesAt(std::int64_t(now_), rate) - *s->origin - latencyFrames(outputLatency_, rate);
}

std::uint64_t SimulatedAudioSystem::lostFrames(StreamId stream) const {
    std::lock_guard lock(mutex_);
    auto it = streams_.find(stream);
    return it == streams_.end() ? 0 : it->second.lost;
}

// ---- the clock ----

void SimulatedAudioSystem::advance(int milliseconds) { advance(milliseconds, {}); }

void SimulatedAudioSystem::advance(int milliseconds, const std::function<void()>& afterEachMillisecond) {
    for (int i = 0; i < milliseconds; ++i) {
        step();
        if (afterEachMillisecond) afterEachMillisecond();
    }
}

void SimulatedAudioSystem::step() {
    std::lock_guard lock(mutex_);
    const auto now = std::int64_t(now_);
    for (auto& [id, s] : streams_) {
        if (s.input || !s.origin) continue;
        const std::int64_t first = framesAt(now, s.format.samplesPerSec);
        play(id, s, first, framesAt(now + 1, s.format.samplesPerSec) - first);
    }
    // Input sounded before this moment has reached the streams.
    std::int64_t delivered = now + 1;
    if (burst_ > 0) delivered = delivered / burst_ * burst_;
    delivered -= inputLatency_;
    for (auto& [id, s] : streams_) {
        if (!s.input || !s.capturing) continue;
        record(s, framesAt(std::max<std::int64_t>(0, delivered), s.format.samplesPerSec));
        fillBuffers(id, s, false);
    }
    ++now_;
    if (!tape_.empty() && tape_.size() > std::size_t(kTapeSeconds * 48000)) {
        const std::size_t drop = tape_.size() / 2;
        tape_.erase(tape_.begin(), tape_.begin() + std::ptrdiff_t(drop));
        tapeStart_ += std::int64_t(drop);
    }
}

// Device frames [firstFrame, firstFrame + frames) of a started output stream.
void SimulatedAudioSystem::play(StreamId id, Stream& s, std::int64_t firstFrame, std::int64_t frames) {
    const int channels = s.format.channels;
    const std::int64_t end = firstFrame - *s.origin + frames;  // on the stream's timeline
    std::int64_t at = firstFrame - *s.origin;
    while (!s.queue.empty()) {
        Block& b = s.queue.front();
        const std::int64_t blockEnd = b.start + b.frames;
        // What the device has passed before the block came is not played.
        const std::int64_t due = b.start + b.done;
        if (at > due) {
            const std::int64_t missed = std::min(at, blockEnd) - due;
            s.lost += std::uint64_t(missed);
            b.done += std::uint32_t(missed);
        }
        if (b.done == b.frames) {
            finish(id, s, 0);
            continue;
        }
        if (at < b.start) at = b.start;
        if (at >= end) break;
        const std::int64_t count = std::min(end, blockEnd) - at;
        const std::int64_t deviceFrame = at + *s.origin;
        PlayedRun* run = played_.empty() ? nullptr : &played_.back();
        if (!run || run->stream != id ||
            run->deviceFrame + std::int64_t(run->samples.size()) / channels != deviceFrame) {
            played_.push_back({id, s.format, deviceFrame, at, {}});
            run = &played_.back();
        }
        const std::uint8_t* src = b.header->data + std::size_t(at - b.start) * s.format.blockAlign;
        for (std::int64_t f = 0; f < count; ++f) {
            std::array<std::int32_t, 2> frame{};
            for (int c = 0; c < channels; ++c) {
                const std::int16_t v = getSample16(src);
                src += 2;
                run->samples.push_back(v);
                frame[std::size_t(c)] = v;
            }
            if (channels == 1) frame[1] = frame[0];
            if (loopback_) {
                if (tape_.empty()) tapeStart_ = deviceFrame + f;
                const std::int64_t index = deviceFrame + f - tapeStart_;
                if (index >= 0) {
                    if (std::size_t(index) >= tape_.size()) tape_.resize(std::size_t(index) + 1);
                    tape_[std::size_t(index)][0] += frame[0];
                    tape_[std::size_t(index)][1] += frame[1];
                }
            }
        }
        b.done += std::uint32_t(count);
        at += count;
        if (b.done == b.frames)
            finish(id, s, 0);
        else
            break;
    }
}

// What an input stream's device captured at its frame `frame`.
std::int16_t SimulatedAudioSystem::heard(const Stream& s, std::int64_t frame, int channel) const {
    const int channels = s.format.channels;
    if (!loopback_) return signal_ ? signal_(std::uint64_t(frame), channel) : std::int16_t{0};
    // The room hears a frame as the listener does: the output's latency after it played.
    const std::int64_t played = frame - latencyFrames(outputLatency_, s.format.samplesPerSec) - tapeStart_;
    if (played < 0 || std::size_t(played) >= tape_.size()) return 0;
    const auto& f = tape_[std::size_t(played)];
    const std::int16_t l = saturate16(f[0]), r = saturate16(f[1]);
    if (channels == 1) return static_cast<std::int16_t>((l + r) / 2);
    return channel == 0 ? l : r;
}

// Captures up to device frame `deliverableEnd` into the hold; what does not fit is lost.
void SimulatedAudioSystem::record(Stream& s, std::int64_t deliverableEnd) {
    std::int64_t& next = *s.nextCapture;
    if (next >= deliverableEnd) return;
    const int channels = s.format.channels;
    const auto capacity = std::size_t(kInputHoldSeconds) * s.format.samplesPerSec;
    auto space = [&] { return capacity - s.hold.size() / std::size_t(channels); };
    const std::uint64_t owed = std::min<std::uint64_t>(s.silenceAfterHold, space());
    s.hold.insert(s.hold.end(), owed * std::size_t(channels), std::int16_t{0});
    s.silenceAfterHold -= owed;
    for (; next < deliverableEnd; ++next) {
        if (s.silenceAfterHold > 0 || space() == 0) {
            ++s.lost;
            ++s.silenceAfterHold;
            continue;
        }
        for (int c = 0; c < channels; ++c) s.hold.push_back(heard(s, next, c));
    }
}

// Moves held input into the queued buffers. A buffer is handed back once full; with `drain`
// (the stream has stopped) every queued buffer goes back, filled as far as the input goes.
void SimulatedAudioSystem::fillBuffers(StreamId id, Stream& s, bool drain) {
    const std::uint32_t frameBytes = s.format.blockAlign;
    while (!s.queue.empty()) {
        Block& b = s.queue.front();
        const std::uint32_t capacity = b.header->bufferLength / frameBytes;
        std::uint8_t* out = b.header->data + std::size_t(b.done) * frameBytes;
        while (b.done < capacity && !s.hold.empty()) {
            for (int c = 0; c < s.format.channels; ++c, out += 2) {
                putSample16(out, s.hold.front());
                s.hold.pop_front();
            }
            ++b.done;
        }
        while (drain && b.done < capacity && s.hold.empty() && s.silenceAfterHold > 0) {
            std::fill_n(out, frameBytes, std::uint8_t{0});
            out += frameBytes;
            --s.silenceAfterHold;
            ++b.done;
        }
        if (b.done < capacity && !drain) return;
        finish(id, s, b.done * frameBytes);
    }
}

// ---- inspection ----

std::vector<std::int16_t> SimulatedAudioSystem::playedSamples(StreamId stream) const {
    std::vector<std::int16_t> all;
    for (const auto& r : played_)
        if (r.stream == stream) all.insert(all.end(), r.samples.begin(), r.samples.end());
    return all;
}

int SimulatedAudioSystem::openOutputCount() const {
    return static_cast<int>(
        std::count_if(streams_.begin(), streams_.end(), [](const auto& e) { return !e.second.input; }));
}

int SimulatedAudioSystem::openInputCount() const { return static_cast<int>(streams_.size()) - openOutputCount(); }

std::optional<int> SimulatedAudioSystem::outputDeviceOf(StreamId stream) const {
    auto it = deviceOf_.find(stream);
    if (it == deviceOf_.end() || inputIds_.count(stream)) return std::nullopt;
    return it->second;
}

std::optional<int> SimulatedAudioSystem::inputDeviceOf(StreamId stream) const {
    auto it = deviceOf_.find(stream);
    if (it == deviceOf_.end() || !inputIds_.count(stream)) return std::nullopt;
    return it->second;
}

bool SimulatedAudioSystem::isOpen(StreamId stream) const { return streams_.count(stream) != 0; }

std::size_t SimulatedAudioSystem::queuedCount(StreamId stream) const {
    auto it = streams_.find(stream);
    return it == streams_.end() ? 0 : it->second.queue.size();
}

bool SimulatedAudioSystem::isRecording(StreamId stream) const {
    const Stream* s = find(stream, true);
    return s && s->capturing;
}

std::optional<std::int64_t> SimulatedAudioSystem::originOf(StreamId stream) const {
    const Stream* s = find(stream, false);
    return s ? s->origin : std::nullopt;
}

}  // namespace tqx
