#include "support/test_support.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <random>
#include <stdexcept>

#include "platform/byte_order.h"

namespace tqx::test {

ScratchDir::ScratchDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            std::filesystem::temp_directory_path() / ("tqx-test-" + std::to_string(rd()) + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch folder");
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> makeWave(std::uint16_t channels, std::uint32_t rate, const std::vector<std::int16_t>& samples,
                                   std::uint16_t bits) {
    std::string h;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    h += "RIFF";
    appendLe32(h, dataBytes + 36);
    h += "WAVEfmt ";
    appendLe32(h, 16);
    appendLe16(h, 1);
    appendLe16(h, channels);
    appendLe32(h, rate);
    appendLe32(h, rate * channels * (bits / 8));
    appendLe16(h, static_cast<std::uint16_t>(channels * (bits / 8)));
    appendLe16(h, bits);
    h += "data";
    appendLe32(h, dataBytes);
    for (auto s : samples) appendLe16(h, static_cast<std::uint16_t>(s));
    return {h.begin(), h.end()};
}

int killedPastFileSize(std::size_t bytes, const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child < 0) return 0;
    if (child == 0) {
        const struct rlimit noCore { 0, 0 }, limit{bytes, bytes};
        ::setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGXFSZ, SIG_DFL);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

}  // namespace tqx::test
