#include "platform/portaudio_audio.h"

#include <dlfcn.h>
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <semaphore>
#include <thread>

#include "platform/byte_order.h"
#include "platform/spsc_ring.h"
#include "platform/stream_format.h"

namespace tqx {

namespace {

constexpr std::uint32_t kDone = WaveHeader::Done;
constexpr std::uint32_t kInQueue = WaveHeader::InQueue;
constexpr std::uint32_t kPrepared = WaveHeader::Prepared;

// Finished blocks a device can hold for the notifier. Far more than the program ever has in
// flight (two per clip, four per recording); should it fill up all the same, the callback
// keeps the finished block and tries again on its next call rather than lose it.
constexpr std::size_t kFinishedCapacity = 16384;
// The callback mixes at most this many frames per pass, so its scratch space is fixed.
constexpr unsigned long kMixFrames = 4096;
constexpr int kMaxDeviceChannels = 2;
// Device buffering in seconds, at least. With less, a busy machine starves the sound server
// now and then (measured with PulseAudio: the period drops to 9 ms); with 0.1 s the callback
// still comes every 25 ms or so, well within the 100 ms a clip's block lasts.
constexpr double kMinimumLatency = 0.1;
// An output device stays open this long after its last stream closed. A finished block has
// only been mixed, not yet heard: closing at once would cut what the server still buffers.
// Playback that starts again within the time also finds the device ready.
constexpr auto kOutputLinger = std::chrono::seconds(2);

std::int64_t steadyNow() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

struct Queued {
    WaveHeader* header = nullptr;
    std::uint64_t generation = 0;
};

// A block the device is done with, on its way to the listener.
struct Finished {
    StreamId stream = 0;
    WaveHeader* header = nullptr;
    std::uint64_t generation = 0;
    std::uint32_t bytes = 0;  // input: bytes filled
    AudioListener* listener = nullptr;
    bool input = false;
};

struct DeviceStream;

struct VirtualStream {
    StreamId id = 0;
    bool input = false;
    int channels = 0;
    AudioListener* listener = nullptr;
    DeviceStream* device = nullptr;

    // GUI thread only.
    std::vector<Queued> outstanding;  // handed to the device and not yet marked Done
    bool wantRunning = false;         // output from open on; input from start until reset

    // Shared with the callback, under device->mutex.
    std::vector<Queued> queue;
    std::uint32_t position = 0;  // bytes of the head block played or filled
    bool running = false;
};

struct DeviceStream {
    bool input = false;
    PaDeviceIndex index = paNoDevice;
    double rate = 0;
    int channels = 0;
    PaStream* stream = nullptr;
    std::counting_semaphore<>* wake = nullptr;
    // When an output device lost its last stream (steady clock), 0 while in use. Set by the
    // GUI thread, read by the notifier.
    std::atomic<std::int64_t> idleSince{0};

    bool lingeredEnough() const {
        const std::int64_t since = idleSince.load();
        return since != 0 &&
               steadyNow() - since >=
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(kOutputLinger).count();
    }

    std::mutex mutex;
    std::vector<VirtualStream*> members;  // under mutex
    SpscRing<Finished> finished{kFinishedCapacity};
    std::vector<std::int32_t> mix;  // callback only
};

void markDone(WaveHeader* h) { h->flags = (h->flags | kDone) & ~kInQueue; }

std::int16_t saturate16(std::int32_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

// Moves one virtual stream on by up to `frames` frames: `transfer(bytes, frameOffset, count)`
// plays or fills `count` frames of the head block, and every block that is complete goes to
// the finished ring. Runs in the callback with the device's lock held. Returns whether a block
// finished.
template <typename Transfer>
bool serve(DeviceStream& d, VirtualStream& v, unsigned long frames, Transfer&& transfer) {
    const auto frameBytes = static_cast<std::uint32_t>(v.channels * 2);
    bool finished = false;
    unsigned long frame = 0;
    while (!v.queue.empty()) {
        const Queued head = v.queue.front();
        const std::uint32_t total = wholeFrameBytes(head.header->bufferLength, frameBytes);
        if (v.position >= total) {
            if (!d.finished.push({v.id, head.header, head.generation, total, v.listener, v.input}))
                break;
            v.queue.erase(v.queue.begin());  // no allocation: the vector keeps its storage
            v.position = 0;
            finished = true;
            continue;
        }
        if (frame == frames) break;
        const auto count = static_cast<std::uint32_t>(
            std::min<unsigned long>(frames - frame, (total - v.position) / frameBytes));
        transfer(head.header->data + v.position, frame, count);
        v.position += count * frameBytes;
        frame += count;
    }
    return finished;
}

int playCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                 PaStreamCallbackFlags, void* user) {
    auto& d = *static_cast<DeviceStream*>(user);
    auto* out = static_cast<std::int16_t*>(output);
    const int dc = d.channels;
    bool finished = false;
    {
        std::lock_guard lock(d.mutex);
        for (unsigned long done = 0; done < frames;) {
            const unsigned long n = std::min(frames - done, kMixFrames);
            std::int32_t* acc = d.mix.data();
            std::fill(acc, acc + n * dc, 0);
            for (VirtualStream* v : d.members) {
                if (!v->running) continue;
                const int vc = v->channels;
                finished |= serve(d, *v, n, [&](const std::uint8_t* src, unsigned long at,
                                                std::uint32_t count) {
                    std::int32_t* a = acc + at * dc;
                    for (std::uint32_t i = 0; i < count; ++i, a += dc) {
                        if (vc == 1) {
                            const int s = getSample16(src);
                            src += 2;
                            a[0] += s;
                            if (dc == 2) a[1] += s;
                        } else {
                            const int l = getSample16(src), r = getSample16(src + 2);
                            src += 4;
                            if (dc == 2) {
                                a[0] += l;
                                a[1] += r;
                            } else {
                                a[0] += (l + r) / 2;
                            }
                        }
                    }
                });
            }
            std::int16_t* o = out + done * dc;
            for (unsigned long i = 0; i < n * dc; ++i) o[i] = saturate16(acc[i]);
            done += n;
        }
    }
    if (finished) d.wake->release();
    return paContinue;
}

int recordCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* user) {
    auto& d = *static_cast<DeviceStream*>(user);
    const auto* in = static_cast<const std::int16_t*>(input);
    const int dc = d.channels;
    bool finished = false;
    {
        std::lock_guard lock(d.mutex);
        for (VirtualStream* v : d.members) {
            if (!v->running) continue;
            const int vc = v->channels;
            finished |= serve(d, *v, frames, [&](std::uint8_t* dst, unsigned long at,
                                                 std::uint32_t count) {
                const std::int16_t* s = in ? in + at * dc : nullptr;
                for (std::uint32_t i = 0; i < count; ++i) {
                    const int l = s ? s[0] : 0;
                    const int r = s && dc == 2 ? s[1] : l;
                    if (s) s += dc;
                    if (vc == 1) {
                        putSample16(dst, static_cast<std::int16_t>((l + r) / 2));
                        dst += 2;
                    } else {
                        putSample16(dst, static_cast<std::int16_t>(l));
                        putSample16(dst + 2, static_cast<std::int16_t>(r));
                        dst += 4;
                    }
                }
            });
        }
    }
    if (finished) d.wake->release();
    return paContinue;
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
        if (auto set = reinterpret_cast<SetJackReport>(dlsym(RTLD_DEFAULT, name)))
            set(ignoreJackReport);
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

    // GUI thread only.
    std::map<StreamId, std::unique_ptr<VirtualStream>> streams;
    std::vector<StreamId> starting;  // go live at the next publish()
    StreamId lastId = 0;
    std::uint64_t generation = 0;

    // Guards the device list against the notifier and is held by whoever empties a device's
    // finished ring, so that ring has one consumer at a time and posts stay in order.
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
        if (device == kDefaultDevice)
            return input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
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
        p.suggestedLatency = std::max(kMinimumLatency, input ? info->defaultHighInputLatency
                                                             : info->defaultHighOutputLatency);
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
        PaError e = Pa_OpenStream(&d->stream, input ? &p : nullptr, input ? nullptr : &p, rate,
                                  paFramesPerBufferUnspecified, paNoFlag,
                                  input ? recordCallback : playCallback, d.get());
        if (e != paNoError) return nullptr;
        if (Pa_StartStream(d->stream) != paNoError) {
            Pa_CloseStream(d->stream);
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
        std::erase_if(devices, [d](const auto& p) { return p.get() == d; });
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
            (void)wake.try_acquire_for(100ms);
            std::lock_guard lock(registry);
            bool idle = false;
            for (auto& d : devices) {
                drainLocked(*d);
                idle = idle || d->lingeredEnough();
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
        for (auto& d : devices)
            if (d->members.empty() && d->lingeredEnough()) idle.push_back(d.get());
        for (DeviceStream* d : idle) closeDevice(d);
    }

    // GUI thread: the block is settled (unless a reset or close settled it already, or it was
    // queued again since), then the listener hears of it.
    void deliver(const Finished& f) {
        auto it = streams.find(f.stream);
        if (it != streams.end()) {
            auto& out = it->second->outstanding;
            auto q = std::find_if(out.begin(), out.end(), [&](const Queued& e) {
                return e.header == f.header && e.generation == f.generation;
            });
            if (q != out.end()) {
                if (f.input) f.header->bytesRecorded = f.bytes;
                markDone(f.header);
                out.erase(q);
            }
        }
        if (!f.listener) return;
        if (f.input)
            f.listener->onInputData(f.stream, f.header);
        else
            f.listener->onOutputDone(f.stream, f.header);
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
        v->wantRunning = !input;
        v->queue.reserve(16);
        {
            std::lock_guard lock(d->mutex);
            d->members.push_back(v.get());
        }
        d->idleSince.store(0);
        const StreamId id = v->id;
        streams.emplace(id, std::move(v));
        if (!input) goLiveSoon(id);
        return id;
    }

    void goLiveSoon(StreamId id) {
        if (starting.empty())
            sink.post([weak = weak_from_this()] {
                if (auto self = weak.lock()) self->publish();
            });
        starting.push_back(id);
    }

    // Everything opened or started since the last publish begins on the same callback of its
    // device.
    void publish() {
        std::vector<StreamId> ids = std::move(starting);
        starting.clear();
        std::vector<DeviceStream*> touched;
        for (StreamId id : ids) {
            auto it = streams.find(id);
            if (it == streams.end() || !it->second->wantRunning) continue;
            DeviceStream* d = it->second->device;
            if (std::find(touched.begin(), touched.end(), d) == touched.end()) touched.push_back(d);
        }
        for (DeviceStream* d : touched) {
            std::lock_guard lock(d->mutex);
            for (StreamId id : ids) {
                auto it = streams.find(id);
                if (it != streams.end() && it->second->device == d && it->second->wantRunning)
                    it->second->running = true;
            }
        }
    }

    bool enqueue(StreamId id, bool input, WaveHeader* header) {
        VirtualStream* v = find(id, input);
        if (!v || !header || !(header->flags & kPrepared) || (header->flags & kInQueue))
            return false;
        if (input) header->bytesRecorded = 0;
        header->flags = (header->flags & ~kDone) | kInQueue;
        header->generation = ++generation;
        const Queued q{header, header->generation};
        v->outstanding.push_back(q);
        std::lock_guard lock(v->device->mutex);
        v->queue.push_back(q);
        return true;
    }

    // Takes every block away from the device (and, when `detach`, the stream off the device).
    // Blocks that finished before are posted first, so a stream's notifications keep their
    // order. Returns the blocks that had not finished, and how far the head one had got.
    std::vector<Queued> takeBack(VirtualStream& v, bool detach, std::uint32_t& position) {
        std::vector<Queued> unfinished;
        DeviceStream& d = *v.device;
        std::lock_guard lock(registry);
        {
            std::lock_guard deviceLock(d.mutex);
            unfinished = std::move(v.queue);
            v.queue.clear();
            position = v.position;
            v.position = 0;
            if (v.input) v.running = false;
            if (detach) std::erase(d.members, &v);
        }
        drainLocked(d);
        return unfinished;
    }

    void reset(StreamId id, bool input) {
        VirtualStream* v = find(id, input);
        if (!v) return;
        std::uint32_t position = 0;
        std::vector<Queued> unfinished = takeBack(*v, false, position);
        if (input) v->wantRunning = false;
        // Blocks that finished but whose notification is still on its way count as handed
        // back as well: every block the device held is Done when the reset returns.
        const auto frameBytes = static_cast<std::uint32_t>(v->channels * 2);
        for (const Queued& q : v->outstanding) {
            if (input) {
                auto u = std::find_if(unfinished.begin(), unfinished.end(), [&](const Queued& e) {
                    return e.header == q.header && e.generation == q.generation;
                });
                if (u == unfinished.end())
                    q.header->bytesRecorded = wholeFrameBytes(q.header->bufferLength, frameBytes);
                else
                    q.header->bytesRecorded = u == unfinished.begin() ? position : 0;
            }
            markDone(q.header);
        }
        v->outstanding.clear();
        for (const Queued& q : unfinished)
            post({id, q.header, q.generation, q.header->bytesRecorded, v->listener, input});
    }

    // Closing discards what is still queued: released (Done, out of the queue), not notified.
    void close(StreamId id, bool input) {
        VirtualStream* v = find(id, input);
        if (!v) return;
        std::uint32_t position = 0;
        takeBack(*v, true, position);
        for (const Queued& q : v->outstanding) markDone(q.header);
        DeviceStream* d = v->device;
        streams.erase(id);
        if (!d->members.empty()) return;
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

    bool start(StreamId id) {
        VirtualStream* v = find(id, true);
        if (!v) return false;
        v->wantRunning = true;
        goLiveSoon(id);
        return true;
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
bool PortAudioSystem::writeOutput(StreamId stream, WaveHeader* header) {
    return state_->enqueue(stream, false, header);
}
void PortAudioSystem::resetOutput(StreamId stream) { state_->reset(stream, false); }
void PortAudioSystem::closeOutput(StreamId stream) { state_->close(stream, false); }

bool PortAudioSystem::queryInputFormat(int device, const WaveFormat& format) {
    return state_->queryInput(device, format);
}
StreamId PortAudioSystem::openInput(int device, const WaveFormat& format, AudioListener* listener) {
    return state_->open(true, device, format, listener);
}
bool PortAudioSystem::addInputBuffer(StreamId stream, WaveHeader* header) {
    return state_->enqueue(stream, true, header);
}
bool PortAudioSystem::startInput(StreamId stream) { return state_->start(stream); }
void PortAudioSystem::resetInput(StreamId stream) { state_->reset(stream, true); }
void PortAudioSystem::closeInput(StreamId stream) { state_->close(stream, true); }

}  // namespace tqx
