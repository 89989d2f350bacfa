#include "platform/shared_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>

namespace tqx {

void SharedLibrary::Closer::operator()(void* handle) const {
    if (handle) dlclose(handle);
}

std::string SharedLibrary::programDirectory() {
    std::array<char, 4096> buf{};
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "./";
    std::string path(buf.data(), static_cast<std::size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::optional<SharedLibrary> SharedLibrary::loadFromProgramDirectory(const std::string& fileName) {
    return loadPath(programDirectory() + fileName);
}

std::optional<SharedLibrary> SharedLibrary::loadPath(const std::string& absolutePath) {
    void* h = dlopen(absolutePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return std::nullopt;
    return SharedLibrary(h);
}

void* SharedLibrary::symbol(const char* name) const { return handle_ ? dlsym(handle_.get(), name) : nullptr; }

}  // namespace tqx
