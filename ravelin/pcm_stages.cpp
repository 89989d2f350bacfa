#include "pcm_stages.h"

#include <bit>
#include <cstring>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ravelin {
namespace {

using std::int64_t;
using std::uint16_t;
using std::uint32_t;
using std::uint64_t;
using std::uint8_t;

static_assert(std::endian::native == std::endian::little,
              "samples are copied to and from memory as little-endian integers");

// The source sample as an unsigned integer of its width (24 bits: not sign-extended).
template <unsigned Bytes>
inline uint32_t loadUnsigned(const uint8_t* p) {
    if constexpr (Bytes == 1) {
        return p[0];
    } else if constexpr (Bytes == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    } else if constexpr (Bytes == 3) {
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    } else {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
}

// Stores the low 8, 16, 24 or 32 bits of v.
template <unsigned Bytes>
inline void storeLow(uint8_t* p, int64_t v) {
    const auto u = static_cast<uint32_t>(v);
    if constexpr (Bytes == 3) {
        p[0] = static_cast<uint8_t>(u);
        p[1] = static_cast<uint8_t>(u >> 8);
        p[2] = static_cast<uint8_t>(u >> 16);
    } else {
        std::memcpy(p, &u, Bytes);
    }
}

// Results outside the destination's range are held at its ends rather than wrapped: the full
// scale of one width lands one step past the full scale of another (byte 255 → 32768).
template <unsigned Bytes>
inline int64_t limit(int64_t v) {
    constexpr int64_t lo = Bytes == 1 ? 0 : -(int64_t{1} << (8 * Bytes - 1));
    constexpr int64_t hi = Bytes == 1 ? 255 : (int64_t{1} << (8 * Bytes - 1)) - 1;
    return v < lo ? lo : (v > hi ? hi : v);
}

// fl(x): rounding to single precision. The 32-bit rows and the wide stereo-to-mono mix round
// here on purpose; keep every cast.
inline double fl(double x) { return static_cast<float>(x); }
// trunc(x): toward zero.
inline int64_t trunc64(double x) { return static_cast<int64_t>(x); }
// fl(U ÷ 2^31) for a 32-bit sample read unsigned.
inline double unitOf(uint32_t u) { return fl(u / 2147483648.0); }

// 24- and 32-bit samples are read unsigned, so a negative sample's result comes out one
// destination range too high; its low bits are right, and taking the range off gives the
// signed value that is then limited.
inline int64_t signedResult(int64_t f, bool negative, unsigned dstBits) {
    return negative ? f - (int64_t{1} << dstBits) : f;
}

template <unsigned SrcBytes, unsigned DstBytes, typename Fn>
void mapSamples(const uint8_t* in, uint64_t count, uint8_t* out, Fn fn) {
    for (uint64_t i = 0; i < count; ++i)
        storeLow<DstBytes>(out + i * DstBytes, limit<DstBytes>(fn(loadUnsigned<SrcBytes>(in + i * SrcBytes))));
}

constexpr unsigned pair(unsigned a, unsigned b) { return a * 100 + b; }

// Returns the number of bytes written.
uint64_t widthSamples(const uint8_t* in, uint64_t inLength, uint16_t srcBits, uint16_t dstBits, uint8_t* out) {
    const uint64_t n = inLength / (srcBits / 8);
    const uint64_t written = n * (dstBits / 8);
    switch (pair(srcBits, dstBits)) {
        case pair(16, 8):
            mapSamples<2, 1>(in, n, out, [](uint32_t u) { return trunc64(static_cast<int16_t>(u) / 256.0 + 127.0); });
            break;
        case pair(16, 24):
            mapSamples<2, 3>(in, n, out, [](uint32_t u) { return int64_t{static_cast<int16_t>(u)} * 256; });
            break;
        case pair(16, 32):
            mapSamples<2, 4>(in, n, out, [](uint32_t u) { return int64_t{static_cast<int16_t>(u)} * 65536; });
            break;
        case pair(24, 8):
            mapSamples<3, 1>(in, n, out,
                             [](uint32_t u) { return signedResult(trunc64(u / 65536.0 + 127.0), u >= 0x800000u, 8); });
            break;
        case pair(24, 16):
            mapSamples<3, 2>(in, n, out, [](uint32_t u) { return signedResult(int64_t{u >> 8}, u >= 0x800000u, 16); });
            break;
        case pair(24, 32):
            mapSamples<3, 4>(in, n, out, [](uint32_t u) { return signedResult(int64_t{u} * 256, u >= 0x800000u, 32); });
            break;
        case pair(32, 8):
            mapSamples<4, 1>(in, n, out, [](uint32_t u) {
                return signedResult(trunc64(fl(unitOf(u) * 128.0) + 127.0), u >= 0x80000000u, 8);
            });
            break;
        case pair(32, 16):
            mapSamples<4, 2>(in, n, out, [](uint32_t u) {
                return signedResult(trunc64(32768.0 * unitOf(u)), u >= 0x80000000u, 16);
            });
            break;
        case pair(32, 24):
            mapSamples<4, 3>(in, n, out, [](uint32_t u) {
                return signedResult(trunc64(fl(8388608.0 * unitOf(u))), u >= 0x80000000u, 24);
            });
            break;
        // 8-bit samples are unsigned around 127, not 128.
        case pair(8, 16): mapSamples<1, 2>(in, n, out, [](uint32_t u) { return (int64_t{u} - 127) * 256; }); break;
        case pair(8, 24): mapSamples<1, 3>(in, n, out, [](uint32_t u) { return (int64_t{u} - 127) * 65536; }); break;
        case pair(8, 32): mapSamples<1, 4>(in, n, out, [](uint32_t u) { return (int64_t{u} - 127) * 16777216; }); break;
        default: return 0;
    }
    return written;
}

// Results of a megabyte and more do not stay in the cache anyway; writing them with
// non-temporal stores spares reading every destination line before it is overwritten, which
// otherwise costs as much as the conversion.
constexpr uint64_t kStreamingMinimum = uint64_t{1} << 20;

template <unsigned F, bool Stream>
inline void putFrame(uint8_t* dst, const uint8_t* src) {
#if defined(__SSE2__)
    if constexpr (Stream && F == 4) {
        int v;
        std::memcpy(&v, src, 4);
        _mm_stream_si32(reinterpret_cast<int*>(dst), v);
        return;
    }
#endif
    std::memcpy(dst, src, F);
}

inline void endStreaming() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Output frame j is source frame ⌊j × srcRate ÷ dstRate⌋; an index past the last whole source
// frame takes the last whole frame. With the rates reduced to p : q the indices repeat every q
// output frames, p source frames further on, so one period of offsets serves the whole block
// and no frame waits for the index of the one before it.
constexpr uint64_t kLongestPeriod = 4096;

template <unsigned F, bool Stream>
void pickFrames(const uint8_t* in, uint64_t wholeIn, uint64_t wholeOut, uint32_t srcRate, uint32_t dstRate,
                uint8_t* out) {
    // Frames before this one have an index inside the source: j × srcRate < wholeIn × dstRate.
    // Neither product nor sum passes 2^64 with 32-bit counts and rates.
    const uint64_t inside = (wholeIn * dstRate + srcRate - 1) / srcRate;
    const uint64_t direct = inside < wholeOut ? inside : wholeOut;

    const uint64_t common = std::gcd(srcRate, dstRate);
    const uint64_t p = srcRate / common;
    const uint64_t q = dstRate / common;
    // ⌊k × p ÷ q⌋ by carrying quotient and remainder, exact at any size.
    const uint64_t step = p / q;
    const uint64_t rest = p % q;
    uint64_t index = 0;
    uint64_t remainder = 0;
    auto advance = [&] {
        index += step;
        remainder += rest;
        if (remainder >= q) {
            remainder -= q;
            ++index;
        }
    };

    uint64_t j = 0;
    if (q <= kLongestPeriod) {
        uint64_t offset[kLongestPeriod];  // byte offset of each frame of a period
        for (uint64_t k = 0; k < q; ++k, advance()) offset[k] = index * F;
        const uint8_t* source = in;
        for (; j + q <= direct; j += q, source += p * F)
            for (uint64_t k = 0; k < q; ++k) putFrame<F, Stream>(out + (j + k) * F, source + offset[k]);
        if constexpr (Stream) endStreaming();
        for (uint64_t k = 0; j < direct; ++j, ++k) std::memcpy(out + j * F, source + offset[k], F);
    } else {
        for (; j < direct; ++j, advance()) std::memcpy(out + j * F, in + index * F, F);
    }
    const uint8_t* last = in + (wholeIn - 1) * F;
    for (; j < wholeOut; ++j) std::memcpy(out + j * F, last, F);
}

uint64_t rateFrames(const uint8_t* in, uint64_t inLength, uint16_t bits, uint16_t channels, uint32_t srcRate,
                    uint32_t dstRate, uint8_t* out, uint64_t outLength) {
    if (!isSupportedWidth(bits) || (channels != 1 && channels != 2)) return 0;
    const unsigned frame = bits / 8 * channels;
    const uint64_t wholeIn = inLength / frame;
    const uint64_t wholeOut = outLength / frame;
    // A block shorter than one frame has nothing to repeat.
    if (wholeIn == 0 || wholeOut == 0) return 0;
    switch (frame) {
        case 1: pickFrames<1, false>(in, wholeIn, wholeOut, srcRate, dstRate, out); break;
        case 2: pickFrames<2, false>(in, wholeIn, wholeOut, srcRate, dstRate, out); break;
        case 3: pickFrames<3, false>(in, wholeIn, wholeOut, srcRate, dstRate, out); break;
        case 4:
            // 16-bit stereo, the program's own format.
            if (outLength >= kStreamingMinimum)
                pickFrames<4, true>(in, wholeIn, wholeOut, srcRate, dstRate, out);
            else
                pickFrames<4, false>(in, wholeIn, wholeOut, srcRate, dstRate, out);
            break;
        case 6: pickFrames<6, false>(in, wholeIn, wholeOut, srcRate, dstRate, out); break;
        default: pickFrames<8, false>(in, wholeIn, wholeOut, srcRate, dstRate, out); break;
    }
    return wholeOut * frame;
}

template <unsigned B>
void doubleSamples(const uint8_t* in, uint64_t count, uint8_t* out) {
    for (uint64_t i = 0; i < count; ++i) {
        std::memcpy(out + 2 * B * i, in + B * i, B);
        std::memcpy(out + 2 * B * i + B, in + B * i, B);
    }
}

// 16-bit mono to stereo, the import and export path: one 32-bit value per frame lets the
// loop vectorise, and a large result is streamed eight frames at a time.
void doubleSixteenBit(const uint8_t* in, uint64_t count, uint8_t* out, bool stream) {
    uint64_t i = 0;
#if defined(__SSE2__)
    if (stream && reinterpret_cast<std::uintptr_t>(out) % 16 == 0) {
        for (; i + 8 <= count; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_unpacklo_epi16(v, v));
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + 4 * i + 16), _mm_unpackhi_epi16(v, v));
        }
        endStreaming();
    }
#else
    (void)stream;
#endif
    for (; i < count; ++i) {
        uint16_t v;
        std::memcpy(&v, in + 2 * i, 2);
        const uint32_t both = v | uint32_t{v} << 16;
        std::memcpy(out + 4 * i, &both, 4);
    }
}

// The wide mix goes through single precision: m = trunc(fl(2^31 × fl(0.5 × (fl(L ÷ 2^31) +
// fl(R ÷ 2^31))))), with L and R as signed 32-bit values.
inline int64_t wideMix(int32_t left, int32_t right) {
    const double sum = fl(left / 2147483648.0) + fl(right / 2147483648.0);
    return limit<4>(trunc64(fl(2147483648.0 * fl(0.5 * sum))));
}

template <unsigned B>
void mixFrames(const uint8_t* in, uint64_t count, uint8_t* out) {
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* f = in + 2 * B * i;
        if constexpr (B == 1) {
            out[i] = static_cast<uint8_t>((f[0] + f[1]) / 2);
        } else if constexpr (B == 2) {
            const int left = static_cast<int16_t>(loadUnsigned<2>(f));
            const int right = static_cast<int16_t>(loadUnsigned<2>(f + 2));
            storeLow<2>(out + 2 * i, (left + right) / 2);  // toward zero
        } else if constexpr (B == 3) {
            // In the top 24 bits of a 32-bit value; bits 8 to 31 of the mix are kept.
            const auto left = static_cast<int32_t>(loadUnsigned<3>(f) << 8);
            const auto right = static_cast<int32_t>(loadUnsigned<3>(f + 3) << 8);
            storeLow<3>(out + 3 * i, static_cast<int64_t>(static_cast<uint32_t>(wideMix(left, right)) >> 8));
        } else {
            const auto left = static_cast<int32_t>(loadUnsigned<4>(f));
            const auto right = static_cast<int32_t>(loadUnsigned<4>(f + 4));
            storeLow<4>(out + 4 * i, wideMix(left, right));
        }
    }
}

uint64_t channelSamples(const uint8_t* in, uint64_t inLength, uint16_t bits, uint16_t srcChannels, uint16_t dstChannels,
                        uint8_t* out) {
    if (!isSupportedWidth(bits)) return 0;
    const unsigned b = bits / 8;
    if (srcChannels == 1 && dstChannels == 2) {
        const uint64_t count = inLength / b;
        switch (b) {
            case 1: doubleSamples<1>(in, count, out); break;
            case 2: doubleSixteenBit(in, count, out, 2 * inLength >= kStreamingMinimum); break;
            case 3: doubleSamples<3>(in, count, out); break;
            default: doubleSamples<4>(in, count, out); break;
        }
        return count * 2 * b;
    }
    if (srcChannels == 2 && dstChannels == 1) {
        const uint64_t count = inLength / (2 * b);
        switch (b) {
            case 1: mixFrames<1>(in, count, out); break;
            case 2: mixFrames<2>(in, count, out); break;
            case 3: mixFrames<3>(in, count, out); break;
            default: mixFrames<4>(in, count, out); break;
        }
        return count * b;
    }
    return 0;
}

void zeroTail(uint8_t* out, uint64_t written, uint64_t outLength) {
    if (written < outLength) std::memset(out + written, 0, outLength - written);
}

}  // namespace

bool isSupportedWidth(uint16_t bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

uint64_t widthLength(uint64_t length, uint16_t srcBits, uint16_t dstBits) {
    return srcBits == 0 ? 0 : length * dstBits / srcBits;
}

void convertWidth(const uint8_t* in, uint64_t inLength, uint16_t srcBits, uint16_t dstBits, uint8_t* out,
                  uint64_t outLength) {
    uint64_t written = 0;
    if (isSupportedWidth(srcBits) && isSupportedWidth(dstBits))
        written = widthSamples(in, inLength, srcBits, dstBits, out);
    zeroTail(out, written, outLength);
}

uint64_t rateLength(uint64_t length, uint32_t srcRate, uint32_t dstRate) {
    // length < 2^32 and dstRate < 2^32, so the product fits in 64 bits.
    return srcRate == 0 ? 0 : length * dstRate / srcRate;
}

void convertRate(const uint8_t* in, uint64_t inLength, uint16_t bits, uint16_t channels, uint32_t srcRate,
                 uint32_t dstRate, uint8_t* out, uint64_t outLength) {
    const uint64_t written = rateFrames(in, inLength, bits, channels, srcRate, dstRate, out, outLength);
    zeroTail(out, written, outLength);
}

uint64_t channelLength(uint64_t length, uint16_t srcChannels, uint16_t dstChannels) {
    return srcChannels == 0 ? 0 : length * dstChannels / srcChannels;
}

void convertChannels(const uint8_t* in, uint64_t inLength, uint16_t bits, uint16_t srcChannels, uint16_t dstChannels,
                     uint8_t* out, uint64_t outLength) {
    const uint64_t written = channelSamples(in, inLength, bits, srcChannels, dstChannels, out);
    zeroTail(out, written, outLength);
}

}  // namespace ravelin
