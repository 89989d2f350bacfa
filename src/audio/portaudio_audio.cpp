#include "audio/portaudio_audio.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <shared_mutex>
#include <thread>

#include "audio/portaudio_streams.h"
#include "audio/stream_format.h"
#include "platform/byte_order.h"

namespace tqx {

using namespace pa;

namespace {

constexpr std::uint32_t kDone = WaveHeader::Done;
constexpr std::uint32_t kInQueue = WaveHeader::InQueue;
constexpr std::uint32_t kPrepared = WaveHeader::Prepared;

// Device buffering in seconds, at least. With less, a busy machine starves the sound server
// now and then (measured with PulseAudio: the period drops to 9 ms); with 0.1 s the callback
// still comes every 25 ms or so, well within the 100 ms a clip's block lasts.
constexpr double kMinimumLatency = 0.1;
// An output device stays open this long after its last stream closed. A finished block has
// only been mixed, not yet heard: closing at once would cut what the server still buffers.
// Playback that starts again within the time also finds the device ready.
constexpr auto kOutputLinger = std::chrono::seconds(2);
// A take lines up with its run's output once the output device has reported this many
// buffers: the first ones, which only fill the device, report times that are off.
constexpr std::uint64_t kNotesBeforeAligning = ClockLog::kNotes;
// A take whose output never reports that often starts where its input began.
constexpr auto kAlignGiveUp = std::chrono::seconds(3);

std::int64_t steadyNow() { return std::chrono::steady_clock::now().time_since_epoch().count(); }
std::int64_t steadyTicks(std::chrono::steady_clock::duration d) { return d.count(); }

void markDone(WaveHeader* h) { h->flags = (h->flags | kDone) & ~kInQueue; }

bool lingeredEnough(const DeviceStream& d) {
    const std::int64_t since = d.idleSince.load();
    return since != 0 && steadyNow() - since >= steadyTicks(kOutputLinger);
}

// PortAudio probes every ALSA card and the JACK server when it starts, and both libraries
// report each failed probe on stderr. None of that concerns the user, so the reports are
// switched off while PortAudio starts; the libraries are already loaded with PortAudio.
void ignoreAlsaReport(const char*, int, const char*, int, const char*, ...) {}
void ignoreJackReport(const char*) {}

using AlsaReport = void (*)(const char*, int, const char*, int, const char*, ...);
using SetAlsaReport = int (*)(AlsaReport);
using JackReport = void (*)(const char*);
using SetJackReport = void (*)(JackReport);

int startPortAudioQuietly() {
    setenv("JACK_NO_START_SERVER", "1", 0);
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
        if (auto set = reinterpret_cast<SetJackReport>(dlsym(RTLD_DEFAULT, name))) set(ignoreJackReport);
    auto setAlsa = reinterpret_cast<SetAlsaReport>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"));
    if (setAlsa) setAlsa(ignoreAlsaReport);
    const PaError result = Pa_Initialize();
    if (setAlsa) setAlsa(nullptr);
    return result;
}

}  // namespace

struct PortAudioSystem::State : std::enable_shared_from_this<PortAudioSystem::State> {
    explicit State(EventSink& s) : sink(s) {}

    EventSink& sink;
    std::vector<PaDeviceIndex> inputIndex, outputIndex;
    std::vector<DeviceCaps> inputCaps, outputCaps;

    // Changed on the GUI thread only; framesHeard and lostFrames read it from other threads.
    mutable std::shared_mutex streamsLock;
    std::map<StreamId, std::unique_ptr<VirtualStream>> streams;
    StreamId lastId = 0;
    std::uint64_t generation = 0;
    std::uint64_t lastGroup = 0;

    // Guards the device list (and every device's member list) against the notifier, and is
    // held by whoever empties a device's finished ring, so that ring has one consumer at a
    // time and posts stay in order.
    std::mutex registry;
    std::vector<std::unique_ptr<DeviceStream>> devices;

    std::counting_semaphore<> wake{0};
    std::atomic<bool> stopping{false};
    std::atomic<bool> sweepPosted{false};
    std::thread notifier;

    void listDevices() {
        const int count = Pa_GetDeviceCount();
        for (PaDeviceIndex i = 0; i < count; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (!info) continue;
            if (info->maxInputChannels > 0) {
                inputIndex.push_back(i);
                inputCaps.push_back({info->name ? info->name : "", false, false});
            }
            if (info->maxOutputChannels > 0) {
                outputIndex.push_back(i);
                outputCaps.push_back({info->name ? info->name : "", false, false});
            }
        }
    }

    PaDeviceIndex resolve(bool input, int device) const {
        if (device == kDefaultDevice) return input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
        const auto& list = input ? inputIndex : outputIndex;
        if (device < 0 || static_cast<std::size_t>(device) >= list.size()) return paNoDevice;
        return list[static_cast<std::size_t>(device)];
    }

    // ---- device streams ----

    static bool deviceParameters(bool input, PaDeviceIndex index, PaStreamParameters& p) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (!info) return false;
        const int channels = input ? info->maxInputChannels : info->maxOutputChannels;
        if (channels < 1) return false;
        p = {};
        p.device = index;
        p.channelCount = std::min(channels, kMaxDeviceChannels);
        p.sampleFormat = paInt16;
        p.suggestedLatency =
            std::max(kMinimumLatency, input ? info->defaultHighInputLatency : info->defaultHighOutputLatency);
        return true;
    }

    DeviceStream* findDevice(bool input, PaDeviceIndex index, double rate) const {
        for (const auto& d : devices)
            if (d->input == input && d->index == index && d->rate == rate) return d.get();
        return nullptr;
    }

    DeviceStream* deviceFor(bool input, PaDeviceIndex index, double rate) {
        if (DeviceStream* d = findDevice(input, index, rate)) return d;
        PaStreamParameters p;
        if (index == paNoDevice || !deviceParameters(input, index, p)) return nullptr;
        auto d = std::make_unique<DeviceStream>();
        d->input = input;
        d->index = index;
        d->rate = rate;
        d->channels = p.channelCount;
        d->wake = &wake;
        d->mix.resize(kMixFrames * kMaxDeviceChannels);
        d->convert.resize(kMixFrames * kMaxDeviceChannels);
        d->members.store(new MemberList);
        PaError e =
            Pa_OpenStream(&d->stream, input ? &p : nullptr, input ? nullptr : &p, rate, paFramesPerBufferUnspecified,
                          paNoFlag, input ? recordCallback : playCallback, d.get());
        if (e != paNoError) {
            delete d->members.load();
            return nullptr;
        }
        if (const PaStreamInfo* info = Pa_GetStreamInfo(d->stream))
            d->reportedLatency = input ? info->inputLatency : info->outputLatency;
        if (Pa_StartStream(d->stream) != paNoError) {
            Pa_CloseStream(d->stream);
            delete d->members.load();
            return nullptr;
        }
        std::lock_guard lock(registry);
        devices.push_back(std::move(d));
        return devices.back().get();
    }

    void closeDevice(DeviceStream* d) {
        Pa_AbortStream(d->stream);
        Pa_CloseStream(d->stream);
        std::lock_guard lock(registry);
        drainLocked(*d);
        delete d->members.exchange(nullptr);
        std::erase_if(devices, [d](const auto& p) { return p.get() == d; });
    }

    // Publishes a device's new member list (under the registry lock); the old one is freed
    // once no callback can still be walking it.
    static void changeMembers(DeviceStream& d, VirtualStream* add, VirtualStream* remove) {
        const MemberList* old = d.members.load();
        auto next = std::make_unique<MemberList>();
        if (old) next->streams = old->streams;
        if (remove) std::erase(next->streams, remove);
        if (add) next->streams.push_back(add);
        d.members.store(next.release(), std::memory_order_release);
        d.quiesce();
        delete old;
    }

    // ---- notifications ----

    void post(const Finished& f) {
        sink.post([weak = weak_from_this(), f] {
            if (auto self = weak.lock()) self->deliver(f);
        });
    }

    void drainLocked(DeviceStream& d) {
        Finished f;
        while (d.finished.pop(f)) post(f);
    }

    void notifierLoop() {
        using namespace std::chrono_literals;
        while (!stopping.load()) {
            (void)wake.try_acquire_for(10ms);
            std::lock_guard lock(registry);
            bool idle = false;
            for (auto& d : devices) {
                drainLocked(*d);
                if (d->input) {
                    if (const MemberList* members = d->members.load())
                        for (VirtualStream* v : members->streams) {
                            std::lock_guard consumerLock(v->consumer);
                            serviceInput(*v, false);
                        }
                }
                idle = idle || lingeredEnough(*d);
            }
            if (idle && !sweepPosted.exchange(true))
                sink.post([weak = weak_from_this()] {
                    if (auto self = weak.lock()) self->closeIdleDevices();
                });
        }
    }

    void closeIdleDevices() {
        sweepPosted.store(false);
        std::vector<DeviceStream*> idle;
        for (auto& d : devices) {
            const MemberList* members = d->members.load();
            if ((!members || members->streams.empty()) && lingeredEnough(*d)) idle.push_back(d.get());
        }
        for (DeviceStream* d : idle) closeDevice(d);
    }

    // GUI thread: the block is settled (unless a reset or close settled it already, or it was
    // queued again since), then the listener hears of it.
    void deliver(const Finished& f) {
        auto it = streams.find(f.stream);
        if (it != streams.end()) {
            VirtualStream& v = *it->second;
            auto settle = [&](std::vector<Outstanding>& list) {
                auto q = std::find_if(list.begin(), list.end(), [&](const Outstanding& e) {
                    return e.header == f.header && e.generation == f.generation;
                });
                if (q == list.end()) return;
                if (f.input) f.header->bytesRecorded = f.bytes;
                markDone(f.header);
                list.erase(q);
            };
            if (f.input) {
                std::lock_guard lock(v.consumer);
                settle(v.posted);
            } else {
                settle(v.outstanding);
            }
        }
        if (!f.listener) return;
        if (f.input)
            f.listener->onInputData(f.stream, f.header);
        else
            f.listener->onOutputDone(f.stream, f.header);
    }

    // ---- input: from the hold into the program's buffers (under v.consumer) ----

    // Finds the device frame the take begins with: the one captured as the reference output's
    // first frame was heard. `force` settles for what is known (the stop came first).
    void align(VirtualStream& v, bool force) {
        const std::int64_t firstHeld = v.firstHeld.load(std::memory_order_acquire);
        if (v.aligned || firstHeld == kUnpinned) return;
        std::optional<std::int64_t> start;
        if (!v.reference) {
            start = firstHeld;
        } else if (isDevice(v.reference)) {
            const DeviceStream& out = *v.reference;
            const auto pinned = out.pinnedAt(v.referenceGroup);
            if (pinned && (out.clock.notes() >= kNotesBeforeAligning || force)) {
                const auto heard = out.clock.timeOf(*pinned, out.rate);
                const auto zero = v.device->clock.timeOf(0, v.device->rate);
                if (heard && zero) start = std::llround((*heard - *zero) * v.device->rate);
            }
        }
        const bool gaveUp = steadyNow() - v.capturingSince > steadyTicks(kAlignGiveUp);
        if (!start && (force || gaveUp || !isDevice(v.reference))) start = firstHeld;
        if (!start) return;
        v.aligned = true;
        v.takeFrame = *start;
        v.takeFirstFrame = *start;
        v.heldFrame = firstHeld;
    }

    bool isDevice(const DeviceStream* d) const {
        return std::any_of(devices.begin(), devices.end(), [d](const auto& p) { return p.get() == d; });
    }

    // Fills the queued buffers in order. A full buffer is posted; with `drain` (the stream has
    // stopped) every queued buffer goes back, filled as far as the input goes, and is marked
    // Done at once.
    void serviceInput(VirtualStream& v, bool drain) {
        align(v, drain);
        if (!v.aligned) {
            if (drain) handBackAll(v);
            return;
        }
        SampleRing& hold = *v.hold;
        const auto frameBytes = static_cast<std::uint32_t>(v.channels * 2);
        const std::int64_t firstHeld = v.firstHeld.load(std::memory_order_acquire);
        // Captured before the take begins: not part of it.
        if (v.takeFrame > v.heldFrame) {
            const auto skip = static_cast<std::size_t>(
                std::min<std::int64_t>(v.takeFrame - v.heldFrame, std::int64_t(hold.available())));
            hold.discard(skip);
            v.heldFrame += std::int64_t(skip);
        }
        while (!v.queued.empty()) {
            Outstanding& b = v.queued.front();
            const std::uint32_t capacity = b.header->bufferLength / frameBytes;
            std::uint32_t filled = b.bytes / frameBytes;
            std::uint8_t* out = b.header->data;
            auto silence = [&](std::uint64_t frames) {
                std::fill_n(out + std::size_t(filled) * frameBytes, std::size_t(frames) * frameBytes, std::uint8_t{0});
                filled += std::uint32_t(frames);
                v.takeFrame += std::int64_t(frames);
            };
            // The take begins before the input did (the device opened late): silence first.
            if (v.takeFrame < firstHeld) silence(std::min<std::int64_t>(firstHeld - v.takeFrame, capacity - filled));
            if (v.takeFrame >= v.heldFrame) {
                const auto k = static_cast<std::uint32_t>(std::min<std::size_t>(hold.available(), capacity - filled));
                hold.read(out + std::size_t(filled) * frameBytes, k);
                filled += k;
                v.takeFrame += k;
                v.heldFrame += k;
            }
            if (drain && filled < capacity && hold.available() == 0) {
                const std::uint64_t owed = std::min<std::uint64_t>(v.owedSilence.load(), capacity - filled);
                v.owedSilence.fetch_sub(owed);
                silence(owed);
            }
            b.bytes = filled * frameBytes;
            if (filled < capacity && !drain) return;
            Outstanding done = b;
            v.queued.pop_front();
            if (drain) {
                done.header->bytesRecorded = done.bytes;
                markDone(done.header);
                post({v.id, done.header, done.generation, done.bytes, v.listener, true});
            } else {
                v.posted.push_back(done);
                post({v.id, done.header, done.generation, done.bytes, v.listener, true});
            }
        }
    }

    // Every buffer the stream holds is Done before a reset returns, those whose notification
    // is still on its way included.
    void handBackAll(VirtualStream& v) {
        for (Outstanding& p : v.posted) {
            p.header->bytesRecorded = p.bytes;
            markDone(p.header);
        }
        v.posted.clear();
        for (Outstanding& b : v.queued) {
            b.header->bytesRecorded = b.bytes;
            markDone(b.header);
            post({v.id, b.header, b.generation, b.bytes, v.listener, true});
        }
        v.queued.clear();
    }

    // ---- virtual streams ----

    VirtualStream* find(StreamId id, bool input) const {
        auto it = streams.find(id);
        return it != streams.end() && it->second->input == input ? it->second.get() : nullptr;
    }

    StreamId open(bool input, int device, const WaveFormat& format, AudioListener* listener) {
        if (!isStreamFormat(format)) return 0;
        DeviceStream* d = deviceFor(input, resolve(input, device), format.samplesPerSec);
        if (!d) return 0;
        auto v = std::make_unique<VirtualStream>();
        v->id = ++lastId;
        v->input = input;
        v->channels = format.channels;
        v->listener = listener;
        v->device = d;
        if (input)
            v->hold =
                std::make_unique<SampleRing>(std::size_t(kInputHoldSeconds) * format.samplesPerSec, format.channels);
        {
            std::lock_guard lock(registry);
            changeMembers(*d, v.get(), nullptr);
        }
        d->idleSince.store(0);
        const StreamId id = v->id;
        std::unique_lock lock(streamsLock);
        streams.emplace(id, std::move(v));
        return id;
    }

    bool writeOutput(StreamId id, WaveHeader* header) {
        VirtualStream* v = find(id, false);
        if (!v || !header || !(header->flags & kPrepared) || (header->flags & kInQueue)) return false;
        const auto frameBytes = static_cast<std::uint32_t>(v->channels * 2);
        Entry e;
        e.header = header;
        e.generation = generation + 1;
        e.epoch = v->epoch.load();
        e.start = v->written;
        e.frames = wholeFrameBytes(header->bufferLength, frameBytes) / frameBytes;
        header->generation = e.generation;
        header->flags = (header->flags & ~kDone) | kInQueue;
        if (!v->entries.push(e)) {
            header->flags = (header->flags | kDone) & ~kInQueue;
            return false;
        }
        ++generation;
        v->written += e.frames;
        v->outstanding.push_back({header, e.generation, 0});
        return true;
    }

    bool addInputBuffer(StreamId id, WaveHeader* header) {
        VirtualStream* v = find(id, true);
        if (!v || !header || !(header->flags & kPrepared) || (header->flags & kInQueue)) return false;
        header->bytesRecorded = 0;
        header->flags = (header->flags & ~kDone) | kInQueue;
        header->generation = ++generation;
        std::lock_guard lock(v->consumer);
        v->queued.push_back({header, header->generation, 0});
        // After a stop, what the stream still holds goes out at once.
        if (v->started && !v->capturing.load()) serviceInput(*v, true);
        return true;
    }

    // Output blocks still on the callback's queue from before `epoch`: taken back unplayed.
    std::vector<Entry> entriesOf(const VirtualStream& v, std::uint32_t epoch) const {
        std::vector<Entry> left;
        v.entries.forEachQueued([&](const Entry& e) {
            if (e.epoch == epoch) left.push_back(e);
        });
        return left;
    }

    // Takes every block away from the callback. Blocks that finished before are posted first,
    // so a stream's notifications keep their order; the rest are returned.
    std::vector<Entry> takeBack(VirtualStream& v, bool detach) {
        DeviceStream& d = *v.device;
        const std::uint32_t epoch = v.epoch.fetch_add(1);
        v.startGroup.store(0);
        std::lock_guard lock(registry);
        if (detach)
            changeMembers(d, nullptr, &v);
        else
            d.quiesce();
        v.origin.store(kUnpinned);
        drainLocked(d);
        std::vector<Entry> unfinished = entriesOf(v, epoch);
        for (const Outstanding& o : v.outstanding) markDone(o.header);
        v.outstanding.clear();
        v.written = 0;
        v.started = false;
        return unfinished;
    }

    void resetOutput(StreamId id) {
        VirtualStream* v = find(id, false);
        if (!v) return;
        for (const Entry& e : takeBack(*v, false)) post({id, e.header, e.generation, 0, v->listener, false});
    }

    void resetInput(StreamId id) {
        VirtualStream* v = find(id, true);
        if (!v) return;
        v->capturing.store(false);
        v->device->quiesce();
        std::lock_guard lock(v->consumer);
        serviceInput(*v, true);
        handBackAll(*v);
    }

    std::uint64_t pendingInput(StreamId id) {
        VirtualStream* v = find(id, true);
        if (!v) return 0;
        std::lock_guard lock(v->consumer);
        return pendingFrames(*v) * std::uint64_t(v->channels * 2);
    }

    // Under v.consumer: frames captured for the take that no buffer has taken yet.
    static std::uint64_t pendingFrames(const VirtualStream& v) {
        if (!v.aligned) return 0;
        std::int64_t frames = std::int64_t(v.hold->available()) + std::int64_t(v.owedSilence.load());
        if (v.takeFrame > v.heldFrame) frames -= v.takeFrame - v.heldFrame;
        return std::uint64_t(std::max<std::int64_t>(0, frames));
    }

    // The device's callbacks go on filling the hold meanwhile; this only looks now and then.
    std::uint64_t awaitInput(StreamId id, std::uint64_t frames, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            VirtualStream* v = find(id, true);
            if (!v) return 0;
            std::uint64_t captured = 0;
            {
                std::lock_guard lock(v->consumer);
                if (v->aligned) captured = std::uint64_t(v->takeFrame - v->takeFirstFrame) + pendingFrames(*v);
            }
            if (captured >= frames || !v->capturing.load() || std::chrono::steady_clock::now() >= deadline)
                return captured;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Closing discards what is still queued: released (Done, out of the queue), not notified.
    void close(StreamId id, bool input) {
        VirtualStream* v = find(id, input);
        if (!v) return;
        DeviceStream* d = v->device;
        if (input) {
            v->capturing.store(false);
            std::lock_guard lock(registry);
            changeMembers(*d, nullptr, v);
            std::lock_guard consumerLock(v->consumer);
            for (Outstanding& o : v->queued) markDone(o.header);
            for (Outstanding& o : v->posted) markDone(o.header);
        } else {
            takeBack(*v, true);
        }
        {
            std::unique_lock lock(streamsLock);
            streams.erase(id);
        }
        const MemberList* members = d->members.load();
        if (members && !members->streams.empty()) return;
        if (input)
            closeDevice(d);
        else
            d->idleSince.store(steadyNow());
    }

    bool queryInput(int device, const WaveFormat& format) {
        if (!isStreamFormat(format)) return false;
        const PaDeviceIndex index = resolve(true, device);
        if (index == paNoDevice) return false;
        if (findDevice(true, index, format.samplesPerSec)) return true;
        PaStreamParameters p;
        return deviceParameters(true, index, p) &&
               Pa_IsFormatSupported(&p, nullptr, format.samplesPerSec) == paFormatIsSupported;
    }

    void start(std::span<const StreamId> ids) {
        const std::uint64_t group = ++lastGroup;
        DeviceStream* reference = nullptr;
        std::vector<DeviceStream*> touched;
        for (StreamId id : ids) {
            VirtualStream* v = find(id, false);
            if (!v || v->started) continue;
            v->started = true;
            v->startGroup.store(group, std::memory_order_release);
            if (!reference) reference = v->device;
            if (std::find(touched.begin(), touched.end(), v->device) == touched.end()) touched.push_back(v->device);
        }
        // The next callback of each device pins every stream of this group on one frame.
        for (DeviceStream* d : touched) d->startRequest.store(group, std::memory_order_release);
        for (StreamId id : ids) {
            VirtualStream* v = find(id, true);
            if (!v || v->started) continue;
            std::lock_guard lock(v->consumer);
            v->started = true;
            v->reference = reference;
            v->referenceGroup = group;
            v->capturingSince = steadyNow();
            v->capturing.store(true, std::memory_order_release);
        }
    }

    std::int64_t framesHeard(StreamId id) const {
        std::shared_lock lock(streamsLock);
        auto it = streams.find(id);
        if (it == streams.end() || it->second->input) return kNotHeard;
        const VirtualStream& v = *it->second;
        const std::int64_t origin = v.origin.load(std::memory_order_acquire);
        if (origin == kUnpinned) return kNotHeard;
        const DeviceStream& d = *v.device;
        const auto zero = d.clock.timeOf(0, d.rate);
        if (!zero) return kNotHeard;
        // Where the device is now, less what it has mixed but not yet sounded; never past
        // what it has mixed.
        const double now = Pa_GetStreamTime(d.stream);
        const auto heard = static_cast<std::int64_t>(std::floor((now - *zero) * d.rate));
        return std::min(heard, d.framesDone.load(std::memory_order_acquire)) - origin;
    }

    std::uint64_t lostFrames(StreamId id) const {
        std::shared_lock lock(streamsLock);
        auto it = streams.find(id);
        return it == streams.end() ? 0 : it->second->lost.load();
    }

    // Stops every device stream without touching any block: by now the engine that owned
    // the blocks may be gone.
    void shutdown() {
        for (auto& d : devices) {
            Pa_AbortStream(d->stream);
            Pa_CloseStream(d->stream);
        }
        stopping.store(true);
        wake.release();
        if (notifier.joinable()) notifier.join();
        for (auto& d : devices) delete d->members.exchange(nullptr);
        devices.clear();
        streams.clear();
    }
};

std::unique_ptr<PortAudioSystem> PortAudioSystem::create(EventSink& sink) {
    if (startPortAudioQuietly() != paNoError) return nullptr;
    auto state = std::make_shared<State>(sink);
    state->listDevices();
    state->notifier = std::thread([s = state.get()] { s->notifierLoop(); });
    return std::unique_ptr<PortAudioSystem>(new PortAudioSystem(std::move(state)));
}

PortAudioSystem::PortAudioSystem(std::shared_ptr<State> state) : state_(std::move(state)) {}

PortAudioSystem::~PortAudioSystem() {
    state_->shutdown();
    state_.reset();
    Pa_Terminate();
}

std::vector<DeviceCaps> PortAudioSystem::inputDevices() { return state_->inputCaps; }
std::vector<DeviceCaps> PortAudioSystem::outputDevices() { return state_->outputCaps; }

StreamId PortAudioSystem::openOutput(int device, const WaveFormat& format, AudioListener* listener) {
    return state_->open(false, device, format, listener);
}
bool PortAudioSystem::writeOutput(StreamId stream, WaveHeader* header) { return state_->writeOutput(stream, header); }
void PortAudioSystem::resetOutput(StreamId stream) { state_->resetOutput(stream); }
void PortAudioSystem::closeOutput(StreamId stream) { state_->close(stream, false); }

bool PortAudioSystem::queryInputFormat(int device, const WaveFormat& format) {
    return state_->queryInput(device, format);
}
StreamId PortAudioSystem::openInput(int device, const WaveFormat& format, AudioListener* listener) {
    return state_->open(true, device, format, listener);
}
bool PortAudioSystem::addInputBuffer(StreamId stream, WaveHeader* header) {
    return state_->addInputBuffer(stream, header);
}
void PortAudioSystem::resetInput(StreamId stream) { state_->resetInput(stream); }
std::uint64_t PortAudioSystem::pendingInput(StreamId stream) { return state_->pendingInput(stream); }

std::uint64_t PortAudioSystem::awaitInput(StreamId stream, std::uint64_t frames, std::chrono::milliseconds limit) {
    return state_->awaitInput(stream, frames, limit);
}
void PortAudioSystem::closeInput(StreamId stream) { state_->close(stream, true); }
void PortAudioSystem::startStreams(std::span<const StreamId> streams) { state_->start(streams); }
std::int64_t PortAudioSystem::framesHeard(StreamId output) const { return state_->framesHeard(output); }
std::uint64_t PortAudioSystem::lostFrames(StreamId stream) const { return state_->lostFrames(stream); }

}  // namespace tqx
