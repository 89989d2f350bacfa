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
// text of stored bytes. Any bytes read back can be stored again.
std::string toStoredText(std::string_view text);
std::string fromStoredText(std::string_view bytes);

}  // namespace tqx
