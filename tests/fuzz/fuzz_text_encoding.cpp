// Texts of project files on any bytes. Whatever a file stores reads as something that can be
// stored again within the same bytes, and reads back as itself; raw bytes of a name that is
// not UTF-8 survive byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "project/text_encoding.h"

namespace {

// Texts whose cp932 bytes happen to be valid UTF-8 (a few half-width katakana pairs) are still
// read back as that UTF-8; they are the one known exception.
bool readsBack(const std::string& text) {
    const std::string stored = tqx::toStoredText(text);
    if (tqx::fromStoredText(stored) == text) return true;
    return tqx::isValidUtf8(text) && tqx::isValidUtf8(stored) && stored != text;
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
