#include "project/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace tqx {

namespace {

// Leads the stored form of raw bytes that would otherwise read as cp932; never part of UTF-8
// or of cp932.
constexpr unsigned char kRawBytesMark = 0xFF;

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Strict conversion: any byte sequence the source charset does not define, and any character
// the target charset cannot hold, makes the whole conversion fail.
std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<void, IconvCloser> cd(raw);
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(raw, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
            if (errno != E2BIG) return std::nullopt;
            const std::size_t used = out.size() - dstLeft;
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
        }
    }
    out.resize(out.size() - dstLeft);
    return out;
}

// Length of the UTF-8 sequence that starts `s[i]`, or 0 when it is not a valid one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c == 0xE0)
        n = 3, lo = 0xA0;  // no overlong forms
    else if (c == 0xED)
        n = 3, hi = 0x9F;  // no surrogates
    else if (c >= 0xE1 && c <= 0xEF)
        n = 3;
    else if (c == 0xF0)
        n = 4, lo = 0x90;
    else if (c == 0xF4)
        n = 4, hi = 0x8F;  // nothing above U+10FFFF
    else if (c >= 0xF1 && c <= 0xF3)
        n = 4;
    else
        return 0;
    if (i + n > s.size()) return 0;
    if (at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
    return n;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = utf8SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    auto encoded = convert("CP932", "UTF-8", utf8);
    if (!encoded) return std::nullopt;
    // Some characters (the wave dash, the yen sign, ...) share one cp932 code with another
    // character; such a text would come back changed, so it does not count as representable.
    auto back = convert("UTF-8", "CP932", *encoded);
    if (!back || *back != utf8) return std::nullopt;
    return encoded;
}

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
    if (isAscii(cp932)) return std::string(cp932);
    return convert("UTF-8", "CP932", cp932);
}

std::string toStoredText(std::string_view text) {
    // A text ends at its first zero byte, as the fixed buffers of the format do.
    text = text.substr(0, text.find('\0'));
    if (isValidUtf8(text)) {
        auto cp = utf8ToCp932(text);
        if (!cp) return std::string(text);
        if (fromStoredText(*cp) == text) return *cp;
        // Its cp932 bytes are also valid UTF-8 ("ﾃｽ" is C3 BD, which reads as "ý"): a zero
        // byte after them says "cp932". Readers of the format end the text at that byte.
        return *cp + '\0';
    }
    // Raw bytes: as they are, unless a reader would take them for cp932 text or a marked form.
    const bool marked = !text.empty() && static_cast<unsigned char>(text.front()) == kRawBytesMark;
    if (!marked && !cp932ToUtf8(text)) return std::string(text);
    return static_cast<char>(kRawBytesMark) + std::string(text);
}

std::string fromStoredText(std::string_view bytes) {
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        const std::string_view head = bytes.substr(0, nul);
        if (nul + 1 == bytes.size())
            if (auto text = cp932ToUtf8(head)) return *text;
        return fromStoredText(head);
    }
    if (isValidUtf8(bytes)) return std::string(bytes);
    if (!bytes.empty() && static_cast<unsigned char>(bytes.front()) == kRawBytesMark)
        return std::string(bytes.substr(1));
    if (auto text = cp932ToUtf8(bytes)) return *text;
    return std::string(bytes);
}

std::size_t storedTextBytes(std::string_view text) { return toStoredText(text).size(); }

}  // namespace tqx
