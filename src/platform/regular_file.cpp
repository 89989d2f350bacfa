#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tqx {

namespace {

FileKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Directory;
    if (S_ISFIFO(mode)) return FileKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
    if (S_ISSOCK(mode)) return FileKind::Socket;
    return FileKind::Other;
}

}  // namespace

FileKind fileKindOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return FileKind::Missing;
    return kindOfMode(st.st_mode);
}

RegularFile openRegularFile(const std::string& path) {
    RegularFile result;
    result.kind = fileKindOf(path);
    if (result.kind != FileKind::Regular) return result;
    // Non-blocking, so that a FIFO put in the file's place since the look above cannot hang
    // the open; a regular file reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return result;
    }
    result.kind = kindOfMode(st.st_mode);
    if (result.kind != FileKind::Regular) {
        ::close(fd);
        return result;
    }
    result.file.reset(::fdopen(fd, "rb"));
    if (!result.file) {
        ::close(fd);
        return result;
    }
    result.size = static_cast<std::uint64_t>(st.st_size);
    return result;
}

std::string notRegularFileMessage(const std::string& path, FileKind kind) {
    const char* what = "特殊なファイル";
    switch (kind) {
        case FileKind::Directory: what = "フォルダー"; break;
        case FileKind::Fifo: what = "名前付きパイプ"; break;
        case FileKind::Device: what = "デバイス"; break;
        case FileKind::Socket: what = "ソケット"; break;
        case FileKind::Missing:
        case FileKind::Regular:
        case FileKind::Other: break;
    }
    return "エラー。「" + path + "」は" + what + "です。扱えるのは通常のファイルだけです。";
}

}  // namespace tqx
