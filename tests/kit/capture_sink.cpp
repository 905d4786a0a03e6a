// A sink that keeps what a copy routine delivers.
#include "kit/capture_sink.h"

#include <algorithm>

bool CaptureSink::Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t n)
{
    bytes.insert(bytes.end(), data, data + std::size_t{n} * format.FrameBytes());
    frames += n;
    largestPiece = std::max(largestPiece, n);
    ++calls;
    return true;
}

bool CaptureWave(const WavesampleRec& wave, CaptureSink& capture)
{
    return CopyWave(wave, capture);
}

std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
}
