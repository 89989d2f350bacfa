#include "project/clip_location.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "project/project_file.h"
#include "project/text_encoding.h"

namespace tqx {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder of the project file as an absolute path, separator included: a found clip's path
// is saved in the project and must not depend on the folder the program was started in.
std::string absoluteFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (!folder.empty() && folder.front() == '/') return folder;
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(folder.empty() ? "." : folder, ec).lexically_normal();
    if (ec || absolute.empty()) return folder;
    return absolute.back() == '/' ? absolute : absolute + "/";
}

}  // namespace

std::optional<std::string> relocatedClipPath(const std::string& stored, const std::string& projectFile) {
    if (stored.empty() || exists(stored)) return std::nullopt;
    const std::string folder = absoluteFolderOf(projectFile);
    // Starts of the tails: after every separator, and the whole path when it is relative.
    std::vector<std::size_t> tails;
    if (stored.front() != '/') tails.push_back(0);
    for (std::size_t i = 0; i + 1 < stored.size(); ++i)
        if (stored[i] == '/' && stored[i + 1] != '/') tails.push_back(i + 1);
    for (std::size_t start : tails) {
        const std::string candidate = folder + stored.substr(start);
        if (candidate == stored || storedTextBytes(candidate) > kMaxStoredPathBytes) continue;
        if (isFile(candidate)) return candidate;
    }
    return std::nullopt;
}

}  // namespace tqx
