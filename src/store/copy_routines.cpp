// The general copy routines: plain PCM in either byte order, delta coding, G.711 and the two
// ADPCM codecs of WAVE files.
#include "store/copy_routines.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "store/copy_frame.h"
#include "store/decoders.h"
#include "support/byte_reader.h"
#include "support/endian.h"
#include "support/last_error.h"

namespace {

// Keeps two bytes of each `width`-byte sample, packed densely: `first` and `first` + 1,
// swapped when `swap` is set.
void KeepTwoBytes(std::vector<std::uint8_t>& data, std::size_t width, std::size_t first, bool swap)
{
    const std::size_t samples = data.size() / width;
    for (std::size_t i = 0; i < samples; ++i) {
        const std::uint8_t a = data[i * width + first];
        const std::uint8_t b = data[i * width + first + 1];
        data[2 * i] = swap ? b : a;
        data[2 * i + 1] = swap ? a : b;
    }
    data.resize(samples * 2);
}

bool CopyPcm(const char* location, bool bigEndian, WaveStore& store, void* sinkArg,
             const WavesampleRec& wave)
{
    CopyFrame frame(location, wave);
    std::vector<std::uint8_t> data;
    if (!frame.ReadStored(StoredPcmBytes(wave), data)) return false;
    const std::size_t width = (wave.bits + 7u) / 8u;
    if (bigEndian && width > 1) {
        KeepTwoBytes(data, width, 0, true);  // most significant first: swap into little-endian
    } else if (!bigEndian && width > 2) {
        KeepTwoBytes(data, width, width - 2, false);
    }
    return frame.Deliver(store, sinkArg, data);
}

bool CopyG711(const char* location, void (*expand)(std::uint8_t*, const std::uint8_t*, std::size_t),
              WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    CopyFrame frame(location, wave);
    const std::uint64_t count = std::uint64_t{wave.length} * wave.channels;
    std::vector<std::uint8_t> codes;
    std::vector<std::uint8_t> samples;
    if (!frame.ReadStored(count, codes) || !frame.Allocate(samples, 2 * count)) return false;
    expand(samples.data(), codes.data(), codes.size());
    codes = {};
    return frame.Deliver(store, sinkArg, samples);
}

// The fields of a WAVE "fmt " body the ADPCM routines use.
struct AdpcmFormat {
    unsigned blockAlign = 0;
    unsigned bits = 0;
    std::size_t samplesPerBlock = 0;
    unsigned coefficientCount = 0;
    MsAdpcmCoefficient coefficients[7] = {};
};

AdpcmFormat ReadAdpcmFormat(const File& file, std::uint32_t formatOffset)
{
    ByteReader r(file, formatOffset, 50);
    AdpcmFormat f;
    r.Skip(12);  // format tag, channels, sample rate, byte rate
    f.blockAlign = r.Le16();
    f.bits = r.Le16();
    r.Skip(2);  // extra size
    f.samplesPerBlock = r.Le16();
    f.coefficientCount = r.Le16();
    for (unsigned i = 0; i < std::min(f.coefficientCount, 7u); ++i) {
        f.coefficients[i].first = AsSigned(r.Le16());
        f.coefficients[i].second = AsSigned(r.Le16());
    }
    return f;
}

// The stored blocks the wavesample's frames need (at most `limit` bytes of them), read at
// once, and the output buffer for the frames.
bool ReadAdpcm(CopyFrame& frame, const WavesampleRec& wave, const AdpcmFormat& f, std::uint64_t limit,
               std::vector<std::uint8_t>& blocks, std::vector<std::uint8_t>& output)
{
    const std::uint64_t count = (std::uint64_t{wave.length} + f.samplesPerBlock - 1) / f.samplesPerBlock;
    return frame.CheckStored(wave.dataOffset, count * f.blockAlign) &&
           frame.ReadStored(std::min(count * f.blockAlign, limit), blocks) &&
           frame.Allocate(output, std::uint64_t{wave.length} * wave.channels * 2);
}

}  // namespace

bool std_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    return CopyPcm("std_Copy", false, store, sinkArg, wave);
}

bool mms_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    return CopyPcm("mms_Copy", true, store, sinkArg, wave);
}

bool delta_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    CopyFrame frame("delta_Copy", wave);
    const bool wide = wave.bits > 8;
    const std::uint64_t bytes = std::uint64_t{wave.length} * (wide ? 2 : 1);
    std::vector<std::uint8_t> data;
    if (!frame.ReadStored(bytes, data)) return false;
    if (wide) {
        DeltaDecode16(data.data(), wave.length);
    } else {
        DeltaDecode8(data.data(), wave.length);
    }
    return frame.Deliver(store, sinkArg, data);
}

bool mulaw_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    return CopyG711("mu-law_Copy", ExpandMuLaw, store, sinkArg, wave);
}

bool alaw_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    return CopyG711("a-law_Copy", ExpandALaw, store, sinkArg, wave);
}

bool dviadpcm_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    CopyFrame frame("dviadpcm_Copy", wave);
    if (!frame.Opened()) return false;
    const AdpcmFormat f = ReadAdpcmFormat(frame.Source(), wave.formatOffset);
    if (f.bits < 2 || f.bits > 4 || f.samplesPerBlock == 0 || wave.channels == 0 ||
        f.blockAlign < 4u * wave.channels) {
        return Fail("dviadpcm_Copy", "Unsupported or invalid Intel DVI/IMA ADPCM file");
    }
    std::vector<std::uint8_t> blocks;
    std::vector<std::uint8_t> output;
    if (!ReadAdpcm(frame, wave, f, UINT64_MAX, blocks, output)) return false;
    const std::size_t frameBytes = 2u * wave.channels;
    for (std::size_t done = 0, at = 0; done < wave.length; at += f.blockAlign) {
        const std::size_t n = std::min<std::size_t>(wave.length - done, f.samplesPerBlock);
        DecodeImaBlock(output.data() + done * frameBytes, blocks.data() + at, f.blockAlign, n, wave.channels, f.bits);
        done += n;
    }
    return frame.Deliver(store, sinkArg, output);
}

bool msadpcm_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    CopyFrame frame("msadpcm_Copy", wave);
    if (!frame.Opened()) return false;
    const AdpcmFormat f = ReadAdpcmFormat(frame.Source(), wave.formatOffset);
    if (f.bits != 4 || f.samplesPerBlock < 2 || wave.channels == 0 || wave.channels > 2 ||
        f.blockAlign < 7u * wave.channels) {
        return Fail("msadpcm_Copy", "Unsupported or invalid MS ADPCM file");
    }
    // The "data" chunk's size stands just before its body: blocks end there.
    ByteReader sizeField(frame.Source(), wave.dataOffset >= 4 ? wave.dataOffset - 4u : 0u, 4);
    const std::uint64_t dataSize = wave.dataOffset >= 4 ? sizeField.Le32() : 0;
    std::vector<std::uint8_t> blocks;
    std::vector<std::uint8_t> output;
    if (!ReadAdpcm(frame, wave, f, dataSize, blocks, output)) return false;
    std::vector<std::uint8_t> decoded(f.samplesPerBlock * 2u * wave.channels);
    const std::size_t frameBytes = 2u * wave.channels;
    for (std::size_t done = 0, at = 0; at < blocks.size() && done < wave.length; at += f.blockAlign) {
        const std::size_t bytes = std::min<std::size_t>(blocks.size() - at, f.blockAlign);
        const std::size_t got = DecodeMsAdpcmBlock(decoded.data(), blocks.data() + at, bytes, wave.channels,
                                                   f.samplesPerBlock, f.coefficientCount, f.coefficients);
        const std::size_t kept = std::min<std::size_t>(got, wave.length - done);  // beyond length: dropped
        std::memcpy(output.data() + done * frameBytes, decoded.data(), kept * frameBytes);
        done += kept;
    }
    return frame.Deliver(store, sinkArg, output);
}

// One stored float sample, little-endian, as a 16-bit value.
static std::int16_t FloatSample(const std::uint8_t* p, bool wide)
{
    std::uint64_t raw = 0;
    for (int i = wide ? 7 : 3; i >= 0; --i) raw = raw << 8 | p[i];
    const double value = wide ? std::bit_cast<double>(raw) : std::bit_cast<float>(static_cast<std::uint32_t>(raw));
    if (std::isnan(value)) return 0;
    // Rounded to nearest as players do it: to 32 bits (halves away from zero), then to 16
    // (halves up), so that a conversion sounds exactly as the file plays elsewhere.
    const double wide32 = std::clamp(value * 2147483648.0, -2147483648.0, 2147483647.0);
    const std::int64_t sample32 = static_cast<std::int64_t>(wide32 < 0 ? wide32 - 0.5 : wide32 + 0.5);
    const std::int64_t sample16 = (std::clamp<std::int64_t>(sample32, INT32_MIN, INT32_MAX) + 32768) >> 16;
    return static_cast<std::int16_t>(std::min<std::int64_t>(sample16, 32767));
}

bool float_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave)
{
    CopyFrame frame("float_Copy", wave);
    std::vector<std::uint8_t> data;
    if (!frame.ReadStored(StoredPcmBytes(wave), data)) return false;
    const bool wide = wave.bits > 32;
    const std::size_t width = wide ? 8 : 4;
    const std::size_t samples = data.size() / width;
    for (std::size_t i = 0; i < samples; ++i) {
        StoreLe16(&data[2 * i], static_cast<std::uint16_t>(FloatSample(&data[i * width], wide)));
    }
    data.resize(samples * 2);
    return frame.Deliver(store, sinkArg, data);
}
