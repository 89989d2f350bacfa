#pragma once
// Run-time loading of the program's companion libraries. Only the program's own directory
// is searched, never the library search path, so no other file of the same name is picked up.
#include <memory>
#include <optional>
#include <string>

namespace tqx {

class SharedLibrary {
public:
    // Directory holding the running executable, with a trailing '/'.
    static std::string programDirectory();

    // dlopen of programDirectory() + fileName; nothing when it cannot be loaded.
    static std::optional<SharedLibrary> loadFromProgramDirectory(const std::string& fileName);
    // dlopen of an absolute path.
    static std::optional<SharedLibrary> loadPath(const std::string& absolutePath);

    SharedLibrary(SharedLibrary&&) noexcept = default;
    SharedLibrary& operator=(SharedLibrary&&) noexcept = default;

    void* symbol(const char* name) const;
    template <typename Fn>
    Fn function(const char* name) const {
        return reinterpret_cast<Fn>(symbol(name));
    }

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    explicit SharedLibrary(void* handle) : handle_(handle) {}
    std::unique_ptr<void, Closer> handle_;
};

}  // namespace tqx
