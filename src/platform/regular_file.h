#pragma once
// Opening clip and project files for reading. A path may name a FIFO, a device or a folder;
// opening a FIFO the ordinary way waits for a writer for ever, and opening a device can do
// things no reader intends. So only regular files are opened: the type is looked at before
// the open, the open itself never blocks, and the type is looked at again on what was opened.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tqx {

enum class FileKind { Missing, Regular, Directory, Fifo, Device, Socket, Other };

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct RegularFile {
    FilePtr file;                       // set only when a regular file could be opened
    FileKind kind = FileKind::Missing;  // what the path names (Regular even when unreadable)
    std::uint64_t size = 0;
};

// Opens `path` (links followed) for binary reading when it is a regular file.
RegularFile openRegularFile(const std::string& path);

// What `path` names, links followed; Missing when nothing can be looked at there.
FileKind fileKindOf(const std::string& path);

// The refusal shown for a path that names something other than a regular file.
std::string notRegularFileMessage(const std::string& path, FileKind kind);

}  // namespace tqx
