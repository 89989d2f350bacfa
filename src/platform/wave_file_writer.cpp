#include "platform/wave_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/byte_order.h"

namespace tqx {

namespace {

bool writeAllAt(int fd, const std::uint8_t* p, std::size_t n, off_t offset) {
    while (n > 0) {
        ssize_t w = pwrite(fd, p, n, offset);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
        offset += w;
    }
    return true;
}

}  // namespace

WaveFileWriter::~WaveFileWriter() { close(); }

int WaveFileWriter::create(const std::string& path, const WaveFormat& format) {
    if (isOpen()) return kCannotOpen;
    if (path.empty()) return kFileNotFound;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return kCannotCreate;
    dataBytes_ = 0;
    blockAlign_ = format.blockAlign;
    // Both sizes describe an empty take from the start, so the file is valid at every moment.
    std::string h = "RIFF";
    appendLe32(h, kHeaderBytes - 8);
    h += "WAVEfmt ";
    appendLe32(h, WaveFormat::kRecordSize);
    auto rec = format.toBytes();
    h.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    h += "data";
    appendLe32(h, 0);
    if (!writeAllAt(fd_, reinterpret_cast<const std::uint8_t*>(h.data()), h.size(), 0)) {
        ::close(fd_);
        fd_ = -1;
        return kCannotWrite;
    }
    lastSync_ = std::chrono::steady_clock::now();
    return kOk;
}

bool WaveFileWriter::writeSizes(std::uint32_t riffSize) {
    std::uint8_t b[4];
    putLe32(b, riffSize);
    if (!writeAllAt(fd_, b, 4, 4)) return false;
    putLe32(b, dataBytes_);
    return writeAllAt(fd_, b, 4, 42);
}

std::uint32_t WaveFileWriter::append(const std::uint8_t* bytes, std::uint32_t count) {
    if (!isOpen() || count == 0) return 0;
    std::uint32_t written = 0;
    while (written < count) {
        ssize_t w = pwrite(fd_, bytes + written, count - written, kHeaderBytes + dataBytes_ + written);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        written += static_cast<std::uint32_t>(w);
    }
    if (written < count && blockAlign_ > 1) {
        // A write cut short (disk full) would leave half a frame: the take ends at the
        // last whole frame, so every player reads the file the same way.
        const std::uint32_t total = dataBytes_ + written;
        const std::uint32_t whole = total - total % blockAlign_;
        if (whole >= dataBytes_ && ftruncate(fd_, kHeaderBytes + whole) == 0) written = whole - dataBytes_;
    }
    dataBytes_ += written;
    // Sizes follow every write; the disk is asked to keep them about once a second.
    writeSizes(kHeaderBytes - 8 + dataBytes_);
    auto now = std::chrono::steady_clock::now();
    if (now - lastSync_ >= std::chrono::seconds(1)) {
        fdatasync(fd_);
        lastSync_ = now;
    }
    return written;
}

int WaveFileWriter::close() {
    if (!isOpen()) return kOk;
    bool ok = true;
    std::uint32_t padded = dataBytes_;
    if (dataBytes_ % 2 == 1) {
        const std::uint8_t zero = 0;
        ok = writeAllAt(fd_, &zero, 1, kHeaderBytes + dataBytes_);
        if (ok) padded += 1;
    }
    ok = writeSizes(kHeaderBytes - 8 + padded) && ok;
    ok = (fsync(fd_) == 0) && ok;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    return ok ? kOk : kCannotWrite;
}

}  // namespace tqx
