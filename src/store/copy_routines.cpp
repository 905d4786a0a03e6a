// The general copy routines and the one decode path: the stored extent is read in pieces of
// whole units (frames or ADPCM blocks), each piece decoded and handed to the sink, so memory
// does not grow with the sample.
#include "store/copy_routines.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "store/decoders.h"
#include "store/sinks.h"
#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr std::uint64_t kPieceBytes = 1u << 16;    // stored bytes read at a time (at least one unit)
constexpr std::uint64_t kMaxShortfall = 1u << 20;  // stored bytes a short file may miss

// One stored float sample as a 16-bit value.
std::int16_t FloatSample(const std::uint8_t* p, bool wide, bool bigEndian)
{
    const int width = wide ? 8 : 4;
    std::uint64_t raw = 0;
    for (int i = 0; i < width; ++i) raw = raw << 8 | p[bigEndian ? i : width - 1 - i];
    const double value = wide ? std::bit_cast<double>(raw) : std::bit_cast<float>(static_cast<std::uint32_t>(raw));
    if (std::isnan(value)) return 0;
    // As SoX plays it: to 32 bits cut toward zero, then to 16 rounded (halves up), so that a
    // conversion sounds exactly as the file plays there.
    const double wide32 = std::clamp(value * 2147483648.0, -2147483648.0, 2147483647.0);
    const std::int64_t sample16 = (static_cast<std::int64_t>(wide32) + 32768) >> 16;
    return static_cast<std::int16_t>(std::min<std::int64_t>(sample16, 32767));
}

// Why a layout cannot be decoded, as the routine's message; null when it can.
const char* LayoutProblem(const SampleLayout& l)
{
    switch (l.coding) {
    case SampleCoding::ImaAdpcm:
        if (l.bits < 2 || l.bits > 4 || l.framesPerBlock == 0 || l.framesPerBlock > MaxFramesPerBlock(l)) {
            return "Unsupported or invalid Intel DVI/IMA ADPCM file";
        }
        return nullptr;
    case SampleCoding::MsAdpcm:
        if (l.bits != 4 || l.channels > 2 || l.framesPerBlock < 2 || l.framesPerBlock > MaxFramesPerBlock(l)) {
            return "Unsupported or invalid MS ADPCM file";
        }
        return nullptr;
    case SampleCoding::Float:
        return l.bits == 32 || l.bits == 64 ? nullptr : "Unsupported compression type";
    case SampleCoding::Delta:
        return l.bits == 0 || l.bits > 16 ? "Unsupported compression type" : nullptr;
    default:
        if (l.planar && (l.coding != SampleCoding::Pcm || l.channels != 2)) return "Unsupported compression type";
        return l.bits == 0 || l.bits > 32 ? "Unsupported compression type" : nullptr;
    }
}

// Decodes pieces of stored bytes of one layout; carries what a coding needs across pieces.
class PieceDecoder {
public:
    explicit PieceDecoder(const SampleLayout& layout) : l_(layout), format_(DeliveredFormat(layout)) {}

    // Decodes `bytes` stored bytes (whole units, the last one maybe cut) into at most
    // `maxFrames` frames at `out`; returns the frames decoded.
    std::size_t Decode(const std::uint8_t* in, std::size_t bytes, std::uint8_t* out, std::size_t maxFrames)
    {
        switch (l_.coding) {
        case SampleCoding::ImaAdpcm:
        case SampleCoding::MsAdpcm:
            return Blocks(in, bytes, out, maxFrames);
        default:
            break;
        }
        const std::size_t frames = std::min<std::size_t>(bytes / UnitOf(l_).bytes, maxFrames);
        const std::size_t samples = frames * l_.channels;
        switch (l_.coding) {
        case SampleCoding::Float:
            for (std::size_t i = 0; i < samples; ++i) {
                StoreLe16(out + 2 * i,
                          static_cast<std::uint16_t>(FloatSample(in + i * (l_.bits / 8), l_.bits > 32, l_.bigEndian)));
            }
            break;
        case SampleCoding::MuLaw:
            ExpandMuLaw(out, in, samples);
            break;
        case SampleCoding::ALaw:
            ExpandALaw(out, in, samples);
            break;
        case SampleCoding::Delta:
            Delta(in, out, samples);
            break;
        default:
            Pcm(in, out, samples);
            break;
        }
        return frames;
    }

private:
    // Keeps the two most significant bytes of each sample, little-endian.
    void Pcm(const std::uint8_t* in, std::uint8_t* out, std::size_t samples) const
    {
        const std::size_t width = (l_.bits + 7u) / 8u;
        if (width == 1 || (width == 2 && !l_.bigEndian)) {
            std::memcpy(out, in, samples * width);
            return;
        }
        const std::size_t high = l_.bigEndian ? 0 : width - 1;
        const std::size_t low = l_.bigEndian ? 1 : width - 2;
        for (std::size_t i = 0; i < samples; ++i) {
            out[2 * i] = in[i * width + low];
            out[2 * i + 1] = in[i * width + high];
        }
    }

    // Running sums; the sum goes on from one piece to the next.
    void Delta(const std::uint8_t* in, std::uint8_t* out, std::size_t samples)
    {
        if (samples == 0) return;
        if (format_.bytesPerSample == 1) {
            std::memcpy(out, in, samples);
            out[0] = static_cast<std::uint8_t>(out[0] + sum_);
            DeltaDecode8(out, samples);
            sum_ = out[samples - 1];
            return;
        }
        Pcm(in, out, samples);
        StoreLe16(out, static_cast<std::uint16_t>(LoadLe16s(out) + sum_));
        DeltaDecode16(out, samples);
        sum_ = static_cast<std::uint16_t>(LoadLe16s(out + 2 * (samples - 1)));
    }

    std::size_t Blocks(const std::uint8_t* in, std::size_t bytes, std::uint8_t* out, std::size_t maxFrames) const
    {
        const std::size_t frameBytes = format_.FrameBytes();
        std::size_t done = 0;
        for (std::size_t at = 0; at < bytes && done < maxFrames; at += l_.blockAlign) {
            const std::size_t blockBytes = std::min<std::size_t>(bytes - at, l_.blockAlign);
            // The output has room for whole blocks; frames beyond maxFrames are dropped.
            std::size_t frames = 0;
            if (l_.coding == SampleCoding::ImaAdpcm) {
                frames = std::min<std::size_t>(FramesIn(l_, blockBytes), maxFrames - done);
                DecodeImaBlock(out + done * frameBytes, in + at, blockBytes, frames, l_.channels, l_.bits);
            } else {
                frames = DecodeMsAdpcmBlock(out + done * frameBytes, in + at, blockBytes, l_.channels,
                                            l_.framesPerBlock, l_.coefficientCount, l_.coefficients);
            }
            done += std::min(frames, maxFrames - done);
        }
        return done;
    }

    const SampleLayout& l_;
    PcmFormat format_;
    std::uint16_t sum_ = 0;
};

// The delivered value of silence: the middle of the range.
void FillSilence(const PcmFormat& format, std::uint8_t* buffer, std::size_t bytes)
{
    if (format.isSigned) {
        std::memset(buffer, 0, bytes);
    } else if (format.bytesPerSample == 1) {
        std::memset(buffer, 0x80, bytes);
    } else {
        for (std::size_t i = 0; i + 1 < bytes; i += 2) StoreLe16(buffer + i, 0x8000);
    }
}

bool DeliverSilence(const PcmFormat& format, std::uint64_t frames, std::uint8_t* buffer, std::size_t pieceFrames,
                    SampleSink& sink)
{
    if (frames == 0) return true;
    const std::size_t filled = static_cast<std::size_t>(std::min<std::uint64_t>(frames, pieceFrames));
    FillSilence(format, buffer, filled * format.FrameBytes());
    while (frames > 0) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, filled));
        if (!sink.Take(format, buffer, n)) return false;
        frames -= n;
    }
    return true;
}

}  // namespace

// Reads `want` bytes of interleaved frames from position `at` of the stored data. Planar
// channels are read from their halves and interleaved; a short read of either ends the data.
static std::size_t ReadStored(const File& file, const SampleLayout& layout, std::uint64_t at, std::uint8_t* buffer,
                              std::size_t want)
{
    if (!layout.planar) return file.ReadAt(layout.offset + at, buffer, want);
    const std::size_t width = (layout.bits + 7u) / 8;
    const std::uint64_t half = layout.bytes / 2 / width * width;
    std::vector<std::uint8_t> channels(want);
    const std::size_t each = want / 2;
    const std::size_t left = file.ReadAt(layout.offset + at / 2, channels.data(), each);
    const std::size_t right = file.ReadAt(layout.offset + half + at / 2, channels.data() + each, each);
    const std::size_t samples = std::min(left, right) / width;
    for (std::size_t i = 0; i < samples; ++i) {
        std::memcpy(buffer + 2 * i * width, channels.data() + i * width, width);
        std::memcpy(buffer + (2 * i + 1) * width, channels.data() + each + i * width, width);
    }
    return 2 * samples * width;
}

bool DecodeStored(const char* location, const WavesampleRec& wave, SampleSink& sink)
{
    const SampleLayout& layout = wave.layout;
    const StoredUnit unit = UnitOf(layout);
    if (const char* problem = LayoutProblem(layout); problem != nullptr || unit.bytes == 0) {
        return Fail(location, problem != nullptr ? problem : "Unsupported compression type");
    }
    const File file = File::OpenRead(wave.sourcePath);
    if (!file.IsOpen()) return FailOnFile(location, "Couldn't open input file", wave.sourcePath, errno);
    const std::uint64_t size = file.Size();
    const std::uint64_t present = layout.offset < size ? std::min(layout.bytes, size - layout.offset) : 0;
    const std::uint64_t needed = StoredBytesFor(layout, wave.length);
    if (needed > present && needed - present > kMaxShortfall) {
        return Fail(location, "Sample data runs past the end of the file");
    }

    // Pieces of whole units, no larger than the sample needs.
    const PcmFormat format = DeliveredFormat(layout);
    const std::uint64_t wanted = std::max<std::uint64_t>(StoredBytesFor(layout, wave.length), unit.bytes);
    const std::uint64_t units = std::max<std::uint64_t>(std::min(kPieceBytes, wanted) / unit.bytes, 1);
    const std::size_t inBytes = static_cast<std::size_t>(units * unit.bytes);
    const std::size_t pieceFrames = static_cast<std::size_t>(units * unit.frames);
    const std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[inBytes]);
    const std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[pieceFrames * format.FrameBytes()]);
    PieceDecoder decoder(layout);
    std::uint64_t remaining = wave.length;
    for (std::uint64_t at = 0; remaining > 0 && at < present;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(inBytes, present - at));
        const std::size_t got = ReadStored(file, layout, at, in.get(), want);
        const std::size_t frames = decoder.Decode(
            in.get(), got, out.get(), static_cast<std::size_t>(std::min<std::uint64_t>(remaining, pieceFrames)));
        if (frames > 0 && !sink.Take(format, out.get(), static_cast<std::uint32_t>(frames))) return false;
        remaining -= frames;
        at = got == want ? at + got : present;  // a short read: the file ended early
    }
    return DeliverSilence(format, remaining, out.get(), pieceFrames, sink);
}

bool std_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("std_Copy", wave, sink);
}

bool mms_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("mms_Copy", wave, sink);
}

bool delta_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("delta_Copy", wave, sink);
}

bool mulaw_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("mu-law_Copy", wave, sink);
}

bool alaw_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("a-law_Copy", wave, sink);
}

bool dviadpcm_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("dviadpcm_Copy", wave, sink);
}

bool msadpcm_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("msadpcm_Copy", wave, sink);
}

bool float_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return DecodeStored("float_Copy", wave, sink);
}

CopyRoutine GeneralCopyRoutine(const SampleLayout& layout)
{
    switch (layout.coding) {
    case SampleCoding::Float:
        return float_Copy;
    case SampleCoding::Delta:
        return delta_Copy;
    case SampleCoding::MuLaw:
        return mulaw_Copy;
    case SampleCoding::ALaw:
        return alaw_Copy;
    case SampleCoding::ImaAdpcm:
        return dviadpcm_Copy;
    case SampleCoding::MsAdpcm:
        return msadpcm_Copy;
    default:
        return layout.bigEndian && layout.bits > 8 ? mms_Copy : std_Copy;
    }
}

bool IsGeneralCopyRoutine(CopyRoutine copy)
{
    for (CopyRoutine general :
         {std_Copy, mms_Copy, delta_Copy, mulaw_Copy, alaw_Copy, dviadpcm_Copy, msadpcm_Copy, float_Copy}) {
        if (copy == general) return true;
    }
    return false;
}
