#pragma once
// Texts in project files. The program works in UTF-8; a project file stores cp932 when the
// text can be written in it (so older readers of the format still understand the file), and
// UTF-8 otherwise. Reading accepts either: valid UTF-8 is taken as it is, anything else is
// read as cp932.
//
// A Linux file name is any bytes, not always UTF-8 (a Latin-1 "caf\xE9.wav" is a legal clip
// path), and such bytes must come back exactly or the clip is lost on reopening. They are
// stored as they are when they read back as themselves, that is when they are neither UTF-8
// nor cp932; those that would read as cp932 get the byte 0xFF in front, which no UTF-8 and no
// cp932 text contains, so a reader of either kind cannot take it for text it wrote. Reading
// turns bytes that are neither UTF-8 nor cp932 back into themselves, and drops such a leading
// 0xFF. The stored form stays one count and that many bytes, as every reader expects.
//
// A few cp932 texts are also valid UTF-8 (half-width katakana pairs such as "ﾃｽ", C3 BD,
// which reads as "ý"). They are stored as cp932 followed by one zero byte: readers of the
// format end a text at its first zero byte and see the cp932 text; this reader takes bytes
// that end in that one zero byte as cp932. No writer of the format ever stored a zero byte.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tqx {

bool isValidUtf8(std::string_view bytes);

// The cp932 bytes of a UTF-8 text, when every character has a cp932 form that reads back as
// the same character; nothing otherwise.
std::optional<std::string> utf8ToCp932(std::string_view utf8);
// The UTF-8 text of cp932 bytes; nothing when they are not valid cp932.
std::optional<std::string> cp932ToUtf8(std::string_view cp932);

// The bytes a project file stores for a text (or for raw bytes that are not UTF-8), and the
// text of stored bytes. A text ends at its first zero byte. Every text reads back as itself,
// and any bytes read back can be stored again in as many bytes or fewer.
std::string toStoredText(std::string_view text);
std::string fromStoredText(std::string_view bytes);
// How many bytes the project file needs for `text`: what its 255- and 259-byte limits count.
std::size_t storedTextBytes(std::string_view text);

}  // namespace tqx
