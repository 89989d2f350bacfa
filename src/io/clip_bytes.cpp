#include "io/clip_bytes.h"

#include <unistd.h>

#include <cerrno>

#include "project/multi_wave.h"

namespace tqx {

const std::uint8_t* FileClipBytes::read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& buffer) {
    if (!open_) {
        // Only a regular file, as at the import: the path may name something else by now.
        RegularFile opened = openRegularFile(file_.path);
        if (!opened.file) return nullptr;
        open_ = std::move(opened.file);
    }
    // The buffer only grows: growing it clears what is new, which each stretch would pay again.
    if (buffer.size() < count) buffer.resize(count);
    const int fd = ::fileno(open_.get());
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(fd, buffer.data() + done, count - done, static_cast<off_t>(file_.dataOffset + offset + done));
        if (n < 0 && errno == EINTR) continue;
        // An error, or a file cut short since it was checked.
        if (n <= 0) return nullptr;
        done += static_cast<std::size_t>(n);
    }
    return buffer.data();
}

const ClipFile* clipFileOf(const ClipFiles* files, int slot) {
    if (!files) return nullptr;
    const auto found = files->find(slot);
    return found == files->end() ? nullptr : &found->second;
}

std::uint32_t clipDataSize(const TMultiWave& clip, const ClipFiles* files) {
    const ClipFile* file = clipFileOf(files, clip.SlotIndex());
    return file ? file->importedBytes : clip.GetDataSize();
}

}  // namespace tqx
