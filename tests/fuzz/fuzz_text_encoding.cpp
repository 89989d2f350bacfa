// Texts of project files on any bytes. Whatever a file stores reads as something that can be
// stored again within the same bytes, and reads back as itself; raw bytes of a name that is
// not UTF-8 survive byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "project/text_encoding.h"

namespace {

// A text ends at its first zero byte, as the format's buffers end it.
bool readsBack(const std::string& text) {
    const std::string name = text.substr(0, text.find('\0'));
    return tqx::fromStoredText(tqx::toStoredText(name)) == name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The input as a name held by the program (a file name, a typed text).
    if (!readsBack(bytes)) std::abort();
    // The input as stored bytes.
    const std::string text = tqx::fromStoredText(bytes);
    if (!readsBack(text)) std::abort();
    if (tqx::toStoredText(text).size() > bytes.size()) std::abort();
    return 0;
}
