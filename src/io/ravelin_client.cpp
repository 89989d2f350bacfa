#include "io/ravelin_client.h"

#include <new>

#include "platform/shared_library.h"

namespace tqx {

namespace {
using WaveConvertFn = std::uint8_t* (*)(std::uint16_t, std::uint32_t, std::uint16_t,
                                        const std::uint8_t*, std::uint32_t, std::uint16_t,
                                        std::uint32_t, std::uint16_t, std::uint32_t*);
using ConvertFinishFn = void (*)();
}  // namespace

ConvertResult convertWithRavelin(UserDialogs& dialogs, PcmShape from, const std::uint8_t* data,
                                 std::uint32_t length, PcmShape to,
                                 const std::string& libraryFile) {
    auto library = SharedLibrary::loadFromProgramDirectory(libraryFile);
    WaveConvertFn convert = nullptr;
    ConvertFinishFn finish = nullptr;
    if (library) {
        convert = library->function<WaveConvertFn>("WaveConvert");
        finish = library->function<ConvertFinishFn>("ConvertFinish");
    }
    if (!convert || !finish) {
        dialogs.showMessage(kRavelinLoadFailedMessage);
        return {ConvertStatus::LibraryMissing, {}};
    }

    std::uint32_t outLength = 0;
    const std::uint8_t* out = convert(from.bits, from.rate, from.channels, data, length, to.bits,
                                      to.rate, to.channels, &outLength);
    ConvertResult result{ConvertStatus::Ok, {}};
    if (out) {
        try {
            result.data.assign(out, out + outLength);
        } catch (const std::bad_alloc&) {
            result.status = ConvertStatus::Failed;  // no room for our copy of the result
        }
    } else if (length != 0 || outLength != 0) {
        // An empty input converts to an empty result; anything else needed a block.
        result.status = ConvertStatus::Failed;
    }
    // Unloading would release the block too, but another holder of the library may keep it
    // loaded; the result is ours now either way.
    finish();
    return result;
}

}  // namespace tqx
