#include "platform/atomic_file_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <memory>
#include <optional>

namespace tqx {

namespace {

constexpr const char* kTemporaryPrefix = ".tqx-";
constexpr const char* kTemporarySuffix = ".tmp";
constexpr int kMaxLinkHops = 40;

std::atomic<unsigned> temporaryCounter{0};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a chain of symbolic links ends at; it need not exist yet. Nothing for a loop.
std::optional<std::string> followLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) return std::nullopt;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : folderOf(path) + "/" + link;
    }
    return std::nullopt;
}

bool writeProtected(const std::string& path, const struct stat& st) {
    // The mode bits count even for root, whom the access check lets write anything.
    return (st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

bool ownerGone(pid_t owner) { return owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH; }

// Removes the temporaries in `folder` whose writer died before it could finish. The lock
// tells a living writer from a dead one even where process numbers are not comparable.
void removeStaleTemporaries(const std::string& folder) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(dirFd), ::closedir);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        pid_t owner = 0;
        if (!AtomicFileWriter::isTemporaryName(name, &owner) || !ownerGone(owner)) continue;
        const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, name.c_str(), 0);
        ::close(fd);
    }
}

}  // namespace

bool AtomicFileWriter::isTemporaryName(const std::string& name, pid_t* owner) {
    const std::string prefix = kTemporaryPrefix, suffix = kTemporarySuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::size_t dash = middle.find('-');
    const auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 10 && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1))) return false;
    const long long pid = std::stoll(middle.substr(0, dash));
    if (pid <= 0 || pid > 0x7FFFFFFF) return false;
    if (owner) *owner = static_cast<pid_t>(pid);
    return true;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

AtomicFileWriter::Status AtomicFileWriter::open() {
    discard();
    failed_ = false;
    const std::optional<std::string> target = followLinks(path_);
    if (!target) return Status::CannotCreate;
    target_ = *target;

    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    targetKind_ = exists ? fileKindOf(target_) : FileKind::Missing;
    if (exists && targetKind_ != FileKind::Regular) return Status::NotRegular;
    if (exists && writeProtected(target_, old)) return Status::ReadOnly;

    const std::string folder = folderOf(target_);
    removeStaleTemporaries(folder);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = folder + "/" + kTemporaryPrefix + std::to_string(::getpid()) + "-" +
                     std::to_string(temporaryCounter++) + kTemporarySuffix;
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        temporary_.clear();
        return Status::CannotCreate;
    }
    // Held until the file has its name or is gone: the mark of a living writer.
    (void)::flock(fd_, LOCK_EX);
    if (exists) {
        // The owner only changes for a privileged user; the mode is set after it, because a
        // change of owner clears set-id bits and the umask may have narrowed the mode.
        (void)::fchown(fd_, old.st_uid, old.st_gid);
        (void)::fchmod(fd_, old.st_mode & 07777);
    }
    return Status::Ok;
}

bool AtomicFileWriter::write(const void* bytes, std::size_t count) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    while (count > 0 && fd_ >= 0 && !failed_) {
        const ssize_t n = ::write(fd_, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return fd_ >= 0 && !failed_;
}

AtomicFileWriter::Status AtomicFileWriter::commit() {
    if (fd_ < 0) return Status::CannotWrite;
    bool ok = !failed_ && ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    ok = ok && ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        discard();
        return Status::CannotWrite;
    }
    temporary_.clear();
    // The new name itself reaches the disk with the folder.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return Status::Ok;
}

void AtomicFileWriter::discard() {
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    temporary_.clear();
}

std::string readOnlyFileMessage(const std::string& path) {
    return "エラー。「" + path + "」は読み取り専用のため上書きできません。ファイルは書き込んでいません。";
}

}  // namespace tqx
