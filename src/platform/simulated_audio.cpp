#include "platform/simulated_audio.h"

#include <algorithm>

#include "platform/byte_order.h"
#include "platform/stream_format.h"

namespace tqx {

namespace {

constexpr std::uint32_t kDone = WaveHeader::Done;
constexpr std::uint32_t kInQueue = WaveHeader::InQueue;
constexpr std::uint32_t kPrepared = WaveHeader::Prepared;

// Frames a stream of `rate` has gone through after `ms` milliseconds; taken from the start of
// the clock each time so that 44.1 frames per millisecond never drift.
std::uint64_t framesAt(std::uint64_t ms, std::uint32_t rate) { return ms * rate / 1000; }

void markDone(WaveHeader* h) { h->flags = (h->flags | kDone) & ~kInQueue; }

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

// ---- streams ----

SimulatedAudioSystem::Stream* SimulatedAudioSystem::find(StreamId id, bool input) {
    auto it = streams_.find(id);
    return it != streams_.end() && it->second.input == input ? &it->second : nullptr;
}

const SimulatedAudioSystem::Stream* SimulatedAudioSystem::find(StreamId id, bool input) const {
    auto it = streams_.find(id);
    return it != streams_.end() && it->second.input == input ? &it->second : nullptr;
}

bool SimulatedAudioSystem::acceptsDevice(int device, std::size_t count,
                                         const std::set<int>& refusing) const {
    if (refusing.count(device)) return false;
    return device == kDefaultDevice || (device >= 0 && static_cast<std::size_t>(device) < count);
}

StreamId SimulatedAudioSystem::open(bool input, int device, const WaveFormat& format,
                                    AudioListener* listener) {
    Stream s;
    s.input = input;
    s.format = format;
    s.listener = listener;
    StreamId id = ++lastId_;
    streams_.emplace(id, std::move(s));
    deviceOf_[id] = device;
    if (input) inputIds_.insert(id);
    return id;
}

StreamId SimulatedAudioSystem::openOutput(int device, const WaveFormat& format,
                                          AudioListener* listener) {
    if (refuseOutputOpen || !isStreamFormat(format) ||
        !acceptsDevice(device, outputNames_.size(), refusingOutputDevices))
        return 0;
    return open(false, device, format, listener);
}

bool SimulatedAudioSystem::queryInputFormat(int device, const WaveFormat& format) {
    return !refuseInputFormat && isStreamFormat(format) &&
           acceptsDevice(device, inputNames_.size(), refusingInputDevices);
}

StreamId SimulatedAudioSystem::openInput(int device, const WaveFormat& format,
                                         AudioListener* listener) {
    if (refuseInputOpen || !queryInputFormat(device, format)) return 0;
    return open(true, device, format, listener);
}

bool SimulatedAudioSystem::enqueue(StreamId id, bool input, WaveHeader* header) {
    Stream* s = find(id, input);
    // A device takes only prepared headers that it does not hold already.
    if (!s || !header || !(header->flags & kPrepared) || (header->flags & kInQueue)) return false;
    Queued q;
    q.header = header;
    if (input) {
        header->bytesRecorded = 0;
    } else {
        const std::uint32_t bytes = wholeFrameBytes(header->bufferLength, s->format.blockAlign);
        q.samples.resize(bytes / 2);
        for (std::size_t i = 0; i < q.samples.size(); ++i)
            q.samples[i] = getSample16(header->data + 2 * i);
    }
    header->flags = (header->flags & ~kDone) | kInQueue;
    header->generation = ++generation_;
    s->queue.push_back(std::move(q));
    return true;
}

bool SimulatedAudioSystem::writeOutput(StreamId stream, WaveHeader* header) {
    return !refuseWrite && enqueue(stream, false, header);
}

bool SimulatedAudioSystem::addInputBuffer(StreamId stream, WaveHeader* header) {
    return !refuseAddBuffer && enqueue(stream, true, header);
}

bool SimulatedAudioSystem::startInput(StreamId stream) {
    Stream* s = find(stream, true);
    if (!s) return false;
    s->started = true;
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

void SimulatedAudioSystem::handBack(StreamId id, Stream& s, WaveHeader* header) {
    markDone(header);
    notify(id, s, header);
}

void SimulatedAudioSystem::resetOutput(StreamId stream) {
    Stream* s = find(stream, false);
    if (!s) return;
    auto queue = std::move(s->queue);
    s->queue.clear();
    s->position = 0;
    for (auto& q : queue) handBack(stream, *s, q.header);
}

void SimulatedAudioSystem::resetInput(StreamId stream) {
    Stream* s = find(stream, true);
    if (!s) return;
    auto queue = std::move(s->queue);
    s->queue.clear();
    const std::uint32_t filled = s->position * s->format.blockAlign;
    s->position = 0;
    s->started = false;
    bool first = true;
    for (auto& q : queue) {
        q.header->bytesRecorded = first ? filled : 0;
        first = false;
        handBack(stream, *s, q.header);
    }
}

// Closing discards what is still queued: the blocks are released (Done, out of the queue)
// without a notification.
void SimulatedAudioSystem::closeOutput(StreamId stream) {
    if (Stream* s = find(stream, false)) {
        for (auto& q : s->queue) markDone(q.header);
        streams_.erase(stream);
    }
}

void SimulatedAudioSystem::closeInput(StreamId stream) {
    if (Stream* s = find(stream, true)) {
        for (auto& q : s->queue) markDone(q.header);
        streams_.erase(stream);
    }
}

// ---- the clock ----

void SimulatedAudioSystem::advance(int milliseconds) { advance(milliseconds, {}); }

void SimulatedAudioSystem::advance(int milliseconds,
                                   const std::function<void()>& afterEachMillisecond) {
    for (int i = 0; i < milliseconds; ++i) {
        step();
        if (afterEachMillisecond) afterEachMillisecond();
    }
}

void SimulatedAudioSystem::step() {
    for (auto& [id, s] : streams_) {
        const std::uint64_t first = framesAt(now_, s.format.samplesPerSec);
        serve(id, s, first, framesAt(now_ + 1, s.format.samplesPerSec) - first);
    }
    ++now_;
}

void SimulatedAudioSystem::serve(StreamId id, Stream& s, std::uint64_t frame,
                                 std::uint64_t frames) {
    if (s.input && !s.started) return;
    const std::uint32_t frameBytes = s.format.blockAlign;
    while (!s.queue.empty()) {
        WaveHeader* h = s.queue.front().header;
        const std::uint32_t total = h->bufferLength / frameBytes;
        if (s.position >= total) {
            finishHead(id, s, total * frameBytes);
            continue;
        }
        if (frames == 0) return;
        const auto take =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, total - s.position));
        if (s.input) {
            std::uint8_t* out = h->data + static_cast<std::size_t>(s.position) * frameBytes;
            for (std::uint32_t k = 0; k < take; ++k)
                for (int ch = 0; ch < s.format.channels; ++ch, out += 2)
                    putSample16(out, signal_ ? signal_(frame + k, ch) : std::int16_t{0});
        }
        s.position += take;
        frame += take;
        frames -= take;
    }
}

void SimulatedAudioSystem::finishHead(StreamId id, Stream& s, std::uint32_t bytes) {
    Queued q = std::move(s.queue.front());
    s.queue.erase(s.queue.begin());
    s.position = 0;
    if (s.input)
        q.header->bytesRecorded = bytes;
    else
        played_.push_back({id, s.format, std::move(q.samples)});
    markDone(q.header);
    notify(id, s, q.header);
}

// ---- inspection ----

std::vector<std::int16_t> SimulatedAudioSystem::playedSamples(StreamId stream) const {
    std::vector<std::int16_t> all;
    for (const auto& b : played_)
        if (b.stream == stream) all.insert(all.end(), b.samples.begin(), b.samples.end());
    return all;
}

int SimulatedAudioSystem::openOutputCount() const {
    return static_cast<int>(std::count_if(streams_.begin(), streams_.end(),
                                          [](const auto& e) { return !e.second.input; }));
}

int SimulatedAudioSystem::openInputCount() const {
    return static_cast<int>(streams_.size()) - openOutputCount();
}

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

std::size_t SimulatedAudioSystem::queuedCount(StreamId stream) const {
    auto it = streams_.find(stream);
    return it == streams_.end() ? 0 : it->second.queue.size();
}

bool SimulatedAudioSystem::isRecording(StreamId stream) const {
    const Stream* s = find(stream, true);
    return s && s->started;
}

}  // namespace tqx
