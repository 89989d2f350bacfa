#include "project/clip_capture.h"

#include <algorithm>
#include <new>

namespace tqx {

bool ClipCapture::createHeap() {
    heap_.reset();
    buffersAllocated_ = false;
    writeFailed_ = false;
    try {
        heap_ = std::make_unique<Memory>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ClipCapture::allocBuffers() {
    if (!heap_) return false;
    try {
        for (int i = 0; i < kBufferCount; ++i) {
            heap_->headers[i] = WaveHeader{};
            heap_->buffers[i].assign(kBufferBytes, 0);
        }
    } catch (const std::bad_alloc&) {
        freeBuffers();
        return false;
    }
    buffersAllocated_ = true;
    return true;
}

void ClipCapture::freeBuffers() {
    buffersAllocated_ = false;
    if (!heap_) return;
    for (int i = 0; i < kBufferCount; ++i) {
        heap_->headers[i] = WaveHeader{};
        heap_->buffers[i] = {};
    }
}

void ClipCapture::destroyHeap() {
    buffersAllocated_ = false;
    heap_.reset();
}

bool ClipCapture::queryFormat(AudioSystem& audio, int device) { return audio.queryInputFormat(device, format_); }

bool ClipCapture::open(AudioSystem& audio, int device, AudioListener* listener) {
    if (waveIn_ != 0) return false;
    waveIn_ = audio.openInput(device, format_, listener);
    return waveIn_ != 0;
}

bool ClipCapture::queueBuffers(AudioSystem& audio, int bytes) {
    if (waveIn_ == 0 || !buffersAllocated_) return false;
    queued_ = 0;
    bytesWritten_ = 0;
    takeBytes_ = 0;
    takeEnd_ = kWholeTake;
    // The rest of each 64 KiB buffer stays unused.
    const auto length = static_cast<std::uint32_t>(std::clamp<int>(bytes, 0, static_cast<int>(kBufferBytes)));
    for (int i = 0; i < kBufferCount; ++i) {
        WaveHeader& h = heap_->headers[static_cast<std::size_t>(i)];
        h.data = heap_->buffers[static_cast<std::size_t>(i)].data();
        h.bufferLength = length;
        h.bytesRecorded = 0;
        h.flags = 0;
        if (!audio.prepareHeader(&h)) return false;
        if (!audio.addInputBuffer(waveIn_, &h)) return false;
        heap_->queuedAs[static_cast<std::size_t>(i)] = ++heap_->queueCount;
        ++queued_;
    }
    return true;
}

bool ClipCapture::writeCaptured(const WaveHeader& header) {
    if (writeFailed_ || header.bytesRecorded == 0) return false;
    if (!write(header)) {
        writeFailed_ = true;
        return false;
    }
    return true;
}

bool ClipCapture::onData(AudioSystem& audio, WaveHeader* header) {
    constexpr std::uint32_t doneAndPrepared = WaveHeader::Done | WaveHeader::Prepared;
    if (queued_ == 0 || header == nullptr || (header->flags & doneAndPrepared) != doneAndPrepared) return false;
    writeCaptured(*header);
    if (!audio.unprepareHeader(header)) return false;
    --queued_;
    // After a failed write the buffer is not queued again: the recording ends here.
    if (writeFailed_) return false;
    header->flags = 0;
    header->bytesRecorded = 0;
    if (!audio.prepareHeader(header)) return false;
    if (!audio.addInputBuffer(waveIn_, header)) return false;
    if (heap_)
        for (std::size_t i = 0; i < heap_->headers.size(); ++i)
            if (&heap_->headers[i] == header) heap_->queuedAs[i] = ++heap_->queueCount;
    ++queued_;
    return true;
}

void ClipCapture::stop(AudioSystem& audio) {
    if (waveIn_ != 0) audio.resetInput(waveIn_);
    if (heap_) {
        writeReturnedBuffers(audio);
        // What the buffers could not take by the stop (the program was busy, or the sound
        // server had just delivered a burst) is still with the device: the same buffers carry
        // it to the file, so the take holds everything captured up to the stop.
        while (waveIn_ != 0 && !writeFailed_ && audio.pendingInput(waveIn_) > 0) {
            bool added = false;
            for (std::size_t i = 0; i < heap_->headers.size() && audio.pendingInput(waveIn_) > 0; ++i) {
                WaveHeader& h = heap_->headers[i];
                h.flags = 0;
                h.bytesRecorded = 0;
                if (!audio.prepareHeader(&h) || !audio.addInputBuffer(waveIn_, &h)) break;
                heap_->queuedAs[i] = ++heap_->queueCount;
                added = true;
            }
            if (!added) break;
            writeReturnedBuffers(audio);
        }
    }
    queued_ = 0;
}

void ClipCapture::writeReturnedBuffers(AudioSystem& audio) {
    // The buffers come back in the order they were queued, not in slot order: a buffer
    // filled before the stop may still wait for its notification while the next one holds
    // the last partial block. Writing them by queue order keeps the take in order.
    constexpr std::uint32_t doneAndPrepared = WaveHeader::Done | WaveHeader::Prepared;
    std::vector<std::size_t> returned;
    for (std::size_t i = 0; i < heap_->headers.size(); ++i)
        if ((heap_->headers[i].flags & doneAndPrepared) == doneAndPrepared) returned.push_back(i);
    std::sort(returned.begin(), returned.end(),
              [this](std::size_t a, std::size_t b) { return heap_->queuedAs[a] < heap_->queuedAs[b]; });
    for (std::size_t i : returned) {
        writeCaptured(heap_->headers[i]);
        audio.unprepareHeader(&heap_->headers[i]);
    }
}

bool ClipCapture::close(AudioSystem& audio) {
    if (waveIn_ == 0) return true;
    audio.closeInput(waveIn_);
    waveIn_ = 0;
    return true;
}

void ClipCapture::setFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    format_ = WaveFormat::pcm(channels, rate, bits);
}

int ClipCapture::createFile(const std::string& name) {
    const int rc = waveFile_.create(name, format_);
    if (rc == WaveFileWriter::kOk) bytesWritten_ = 0;
    return rc;
}

bool ClipCapture::write(const WaveHeader& header) {
    if (header.bytesRecorded == 0 || header.data == nullptr) return false;
    const std::uint8_t* bytes = header.data;
    std::uint32_t left = header.bytesRecorded;
    while (left > 0) {
        if (bytesWritten_ >= fileLimit_) {
            // The file is full: the take goes on in the next one, or ends here.
            if (!onFileFull || !onFileFull() || bytesWritten_ >= fileLimit_) return false;
            continue;
        }
        if (takeBytes_ >= takeEnd_) return true;  // the take has ended; what came later is not part of it
        const std::uint32_t n =
            std::uint32_t(std::min<std::uint64_t>({left, fileLimit_ - bytesWritten_, takeEnd_ - takeBytes_}));
        const std::uint32_t written = waveFile_.append(bytes, n);
        bytesWritten_ += written;
        takeBytes_ += written;
        if (written != n) return false;
        bytes += n;
        left -= n;
    }
    return true;
}

}  // namespace tqx
