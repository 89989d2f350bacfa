#pragma once
// One conversion through the converter library. The library is loaded from the program's own
// directory for the length of the call only, as the import and the exports need it rarely.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/user_dialogs.h"

namespace tqx {

inline constexpr const char* kRavelinLibraryFile = "libRavelin.so";
// Shown when the library cannot be loaded; the text keeps the library's original file name.
inline constexpr const char* kRavelinLoadFailedMessage = "Ravelin.dllの読み込みに失敗しました。";

struct PcmShape {
    std::uint16_t bits;
    std::uint32_t rate;
    std::uint16_t channels;
};

enum class ConvertStatus {
    Ok,              // data holds the converted bytes
    LibraryMissing,  // the library or one of its functions was not found; the user was told
    Failed,          // no result (out of memory, or more than a block can hold); nothing was shown
};

struct ConvertResult {
    ConvertStatus status;
    std::vector<std::uint8_t> data;
};

// Whether the library and its functions can be loaded; when not, the user is told, as a
// conversion would tell them. For a conversion done in the program's own code by the library's
// rules (the exports convert block by block), which must still fail where the library would.
bool converterAvailable(UserDialogs& dialogs, const std::string& libraryFile = kRavelinLibraryFile);

// Converts `length` bytes at `data` from one PCM shape to another. GUI thread only: the
// library keeps one result buffer for all callers.
ConvertResult convertWithRavelin(UserDialogs& dialogs, PcmShape from, const std::uint8_t* data, std::uint32_t length,
                                 PcmShape to, const std::string& libraryFile = kRavelinLibraryFile);

}  // namespace tqx
