#pragma once
// Which format records an import takes, decided before anything is allocated for the file's
// audio: 16-bit PCM, mono or stereo, at a rate a stream can play (as a clip must be played).
// A header of a few bytes can claim 65,535 channels or 1 Hz; taken at its word, it would cost
// gigabytes of playback blocks or of conversion. A block align or byte rate that contradicts
// the channels and the rate is recomputed: a clip's length on the timeline and in the mix is
// computed from them, and a wrong one would drop, stretch or cut the clip without a word.
#include <string>
#include <vector>

#include "platform/wave_format.h"

namespace tqx {

enum class ImportFormatVerdict { Accepted, NotSixteenBit, NotPcm, BadChannels, BadRate };

struct ImportFormatCheck {
    ImportFormatVerdict verdict = ImportFormatVerdict::Accepted;
    WaveFormat format;  // when accepted: the record with block align and byte rate made consistent
    bool blockAlignRecomputed = false;
    bool byteRateRecomputed = false;
    bool tagRecomputed = false;  // an extensible PCM record, held as tag 1
};

// `extensiblePcm`: the file's record is WAVE_FORMAT_EXTENSIBLE with the PCM sub-format.
ImportFormatCheck checkImportFormat(const WaveFormat& record, bool extensiblePcm = false);

// The warning for a refused record that names the file (NotSixteenBit keeps its own text).
std::string importRefusalMessage(const std::string& path, const WaveFormat& record, ImportFormatVerdict verdict);

// Memo lines telling what was recomputed; none when the record was consistent.
std::vector<std::string> recomputedFormatMemo(const std::string& path, const WaveFormat& record,
                                              const ImportFormatCheck& check);

}  // namespace tqx
