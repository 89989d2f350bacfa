// The clip's side of a recording: the capture memory, the input stream and its four buffers.
#include <algorithm>
#include <new>

#include "project/multi_wave.h"

namespace tqx {

bool TMultiWave::CreateCaptureHeap() {
    captureHeap_.reset();
    captureBuffersAllocated_ = false;
    captureWriteFailed_ = false;
    try {
        captureHeap_ = std::make_unique<CaptureMemory>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool TMultiWave::AllocCaptureBuffers() {
    if (!captureHeap_) return false;
    try {
        for (int i = 0; i < kCaptureBufferCount; ++i) {
            captureHeap_->headers[i] = WaveHeader{};
            captureHeap_->buffers[i].assign(kCaptureBufferBytes, 0);
        }
    } catch (const std::bad_alloc&) {
        FreeCaptureBuffers();
        return false;
    }
    captureBuffersAllocated_ = true;
    return true;
}

void TMultiWave::FreeCaptureBuffers() {
    captureBuffersAllocated_ = false;
    if (!captureHeap_) return;
    for (int i = 0; i < kCaptureBufferCount; ++i) {
        captureHeap_->headers[i] = WaveHeader{};
        captureHeap_->buffers[i] = {};
    }
}

void TMultiWave::DestroyCaptureHeap() {
    captureBuffersAllocated_ = false;
    captureHeap_.reset();
}

bool TMultiWave::QueryCaptureFormat(AudioSystem& audio, int device) {
    return audio.queryInputFormat(device, captureFormat_);
}

bool TMultiWave::OpenCapture(AudioSystem& audio, int device, AudioListener* listener) {
    if (waveIn_ != 0) return false;
    waveIn_ = audio.openInput(device, captureFormat_, listener);
    return waveIn_ != 0;
}

bool TMultiWave::QueueCaptureBuffers(AudioSystem& audio) {
    if (waveIn_ == 0 || !captureBuffersAllocated_) return false;
    captureQueued_ = 0;
    bytesWritten_ = 0;
    // Each buffer is handed over with OutBufferSamples bytes (50 ms of 16-bit stereo at
    // 44,100 Hz for a recorded clip); the rest of the 64 KiB stays unused.
    const auto length = static_cast<std::uint32_t>(
        std::clamp<int>(outBufferSamples_, 0, static_cast<int>(kCaptureBufferBytes)));
    for (int i = 0; i < kCaptureBufferCount; ++i) {
        WaveHeader& h = captureHeap_->headers[static_cast<std::size_t>(i)];
        h.data = captureHeap_->buffers[static_cast<std::size_t>(i)].data();
        h.bufferLength = length;
        h.bytesRecorded = 0;
        h.flags = 0;
        if (!audio.prepareHeader(&h)) return false;
        if (!audio.addInputBuffer(waveIn_, &h)) return false;
        captureHeap_->queuedAs[static_cast<std::size_t>(i)] = ++captureHeap_->queueCount;
        ++captureQueued_;
    }
    return true;
}

bool TMultiWave::writeCaptured(const WaveHeader& header) {
    if (captureWriteFailed_ || header.bytesRecorded == 0) return false;
    if (!WriteCaptureBuffer(header)) {
        captureWriteFailed_ = true;
        return false;
    }
    return true;
}

bool TMultiWave::OnCaptureData(AudioSystem& audio, WaveHeader* header) {
    constexpr std::uint32_t doneAndPrepared = WaveHeader::Done | WaveHeader::Prepared;
    if (captureQueued_ == 0 || header == nullptr || (header->flags & doneAndPrepared) != doneAndPrepared)
        return false;
    writeCaptured(*header);
    if (!audio.unprepareHeader(header)) return false;
    --captureQueued_;
    // After a failed write the buffer is not queued again: the recording ends here.
    if (captureWriteFailed_) return false;
    header->flags = 0;
    header->bytesRecorded = 0;
    if (!audio.prepareHeader(header)) return false;
    if (!audio.addInputBuffer(waveIn_, header)) return false;
    if (captureHeap_)
        for (std::size_t i = 0; i < captureHeap_->headers.size(); ++i)
            if (&captureHeap_->headers[i] == header) captureHeap_->queuedAs[i] = ++captureHeap_->queueCount;
    ++captureQueued_;
    return true;
}

void TMultiWave::StopCapture(AudioSystem& audio) {
    if (waveIn_ != 0) audio.resetInput(waveIn_);
    if (captureHeap_) {
        writeReturnedBuffers(audio);
        // What the buffers could not take by the stop (the program was busy, or the sound
        // server had just delivered a burst) is still with the device: the same buffers carry
        // it to the file, so the take holds everything captured up to the stop.
        while (waveIn_ != 0 && !captureWriteFailed_ && audio.pendingInput(waveIn_) > 0) {
            bool added = false;
            for (std::size_t i = 0; i < captureHeap_->headers.size() && audio.pendingInput(waveIn_) > 0; ++i) {
                WaveHeader& h = captureHeap_->headers[i];
                h.flags = 0;
                h.bytesRecorded = 0;
                if (!audio.prepareHeader(&h) || !audio.addInputBuffer(waveIn_, &h)) break;
                captureHeap_->queuedAs[i] = ++captureHeap_->queueCount;
                added = true;
            }
            if (!added) break;
            writeReturnedBuffers(audio);
        }
    }
    captureQueued_ = 0;
}

void TMultiWave::writeReturnedBuffers(AudioSystem& audio) {
    // The buffers come back in the order they were queued, not in slot order: a buffer
    // filled before the stop may still wait for its notification while the next one holds
    // the last partial block. Writing them by queue order keeps the take in order.
    constexpr std::uint32_t doneAndPrepared = WaveHeader::Done | WaveHeader::Prepared;
    std::vector<std::size_t> returned;
    for (std::size_t i = 0; i < captureHeap_->headers.size(); ++i)
        if ((captureHeap_->headers[i].flags & doneAndPrepared) == doneAndPrepared) returned.push_back(i);
    std::sort(returned.begin(), returned.end(), [this](std::size_t a, std::size_t b) {
        return captureHeap_->queuedAs[a] < captureHeap_->queuedAs[b];
    });
    for (std::size_t i : returned) {
        writeCaptured(captureHeap_->headers[i]);
        audio.unprepareHeader(&captureHeap_->headers[i]);
    }
}

bool TMultiWave::CloseCapture(AudioSystem& audio) {
    if (waveIn_ == 0) return true;
    audio.closeInput(waveIn_);
    waveIn_ = 0;
    return true;
}

}  // namespace tqx
