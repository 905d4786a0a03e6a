// The 12-bit packing of Roland and Yamaha samplers, unpacked in bounded pieces.
#include "formats/common/packed12.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "store/sinks.h"
#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr std::uint64_t kPiecePairs = 8192;

std::uint16_t Widened(unsigned twelveBits)
{
    return static_cast<std::uint16_t>(twelveBits << 4);
}

}  // namespace

std::uint64_t Packed12Bytes(std::uint64_t frames)
{
    return (3 * frames + 1) / 2;
}

std::uint64_t Packed12Frames(std::uint64_t bytes)
{
    return bytes / 3 * 2 + (bytes % 3 == 2 ? 1 : 0);
}

bool CopyPacked12(const char* location, const WavesampleRec& wave, SampleSink& sink)
{
    const File file = File::OpenRead(wave.sourcePath);
    if (!file.IsOpen()) return FailOnFile(location, "Couldn't open input file", wave.sourcePath, errno);
    const PcmFormat format{2, 1, true};
    const auto in = std::make_unique<std::uint8_t[]>(3 * kPiecePairs);
    const auto out = std::make_unique<std::uint8_t[]>(4 * kPiecePairs);
    std::uint64_t at = wave.layout.offset;
    for (std::uint64_t remaining = wave.length; remaining > 0;) {
        const std::uint64_t frames = std::min(remaining, 2 * kPiecePairs);
        const std::size_t want = static_cast<std::size_t>(Packed12Bytes(frames));
        // Bytes the file no longer holds (it changed since it was read) are silence.
        std::fill(in.get(), in.get() + 3 * kPiecePairs, 0);
        file.ReadAt(at, in.get(), want);
        for (std::uint64_t pair = 0; 2 * pair < frames; ++pair) {
            const std::uint8_t* b = &in[3 * pair];
            StoreLe16(&out[4 * pair], Widened(b[0] << 4 | b[1] >> 4));
            StoreLe16(&out[4 * pair + 2], Widened((b[2] << 4 | (b[1] & 15)) & 0xFFF));
        }
        if (!sink.Take(format, out.get(), static_cast<std::uint32_t>(frames))) return false;
        at += want;
        remaining -= frames;
    }
    return true;
}
