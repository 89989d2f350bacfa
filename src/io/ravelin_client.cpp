#include "io/ravelin_client.h"

#include <new>
#include <optional>

#include "platform/shared_library.h"

namespace tqx {

namespace {
using WaveConvertFn = std::uint8_t* (*)(std::uint16_t, std::uint32_t, std::uint16_t, const std::uint8_t*, std::uint32_t,
                                        std::uint16_t, std::uint32_t, std::uint16_t, std::uint32_t*);
using ConvertFinishFn = void (*)();

// The library with the two functions the program calls; nothing, the user told, without them.
struct BoundLibrary {
    std::optional<SharedLibrary> library;
    WaveConvertFn convert = nullptr;
    ConvertFinishFn finish = nullptr;
};

std::optional<BoundLibrary> bind(UserDialogs& dialogs, const std::string& libraryFile) {
    BoundLibrary bound{SharedLibrary::loadFromProgramDirectory(libraryFile)};
    if (bound.library) {
        bound.convert = bound.library->function<WaveConvertFn>("WaveConvert");
        bound.finish = bound.library->function<ConvertFinishFn>("ConvertFinish");
    }
    if (!bound.convert || !bound.finish) {
        dialogs.showMessage(kRavelinLoadFailedMessage);
        return std::nullopt;
    }
    return bound;
}

}  // namespace

bool converterAvailable(UserDialogs& dialogs, const std::string& libraryFile) {
    return bind(dialogs, libraryFile).has_value();
}

ConvertResult convertWithRavelin(UserDialogs& dialogs, PcmShape from, const std::uint8_t* data, std::uint32_t length,
                                 PcmShape to, const std::string& libraryFile) {
    const std::optional<BoundLibrary> bound = bind(dialogs, libraryFile);
    if (!bound) return {ConvertStatus::LibraryMissing, {}};
    const WaveConvertFn convert = bound->convert;
    const ConvertFinishFn finish = bound->finish;

    std::uint32_t outLength = 0;
    const std::uint8_t* out =
        convert(from.bits, from.rate, from.channels, data, length, to.bits, to.rate, to.channels, &outLength);
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
