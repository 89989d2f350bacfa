#pragma once
// Texts in project files. The program works in UTF-8; a project file stores cp932 when the
// text can be written in it (so older readers of the format still understand the file), and
// UTF-8 otherwise. Reading accepts either: valid UTF-8 is taken as it is, anything else is
// read as cp932.
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

// The bytes a project file stores for a text, and the text of stored bytes.
std::string toStoredText(std::string_view utf8);
// Bytes that are neither UTF-8 nor cp932 keep their readable parts; each byte that cannot be
// read becomes U+FFFD.
std::string fromStoredText(std::string_view bytes);

}  // namespace tqx
