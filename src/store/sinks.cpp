// Sample sinks and the sample converter.
#include "store/sinks.h"

#include <cstring>

#include <utility>

#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

// (left + right) / 2 toward zero, as signed or unsigned values as the source is.
void MixToMono(const PcmFormat& format, std::uint8_t* buffer, std::uint32_t frames)
{
    const std::size_t stride = format.channels;
    for (std::size_t f = 0; f < frames; ++f) {
        if (format.bytesPerSample == 2) {
            const std::uint8_t* p = buffer + 2 * stride * f;
            int mixed;
            if (format.isSigned) {
                mixed = (LoadLe16s(p) + LoadLe16s(p + 2)) / 2;
            } else {
                mixed = ((p[0] | p[1] << 8) + (p[2] | p[3] << 8)) / 2;
            }
            StoreLe16(buffer + 2 * f, static_cast<std::uint16_t>(mixed));
        } else {
            const std::uint8_t* p = buffer + stride * f;
            const int mixed = format.isSigned
                                  ? (static_cast<std::int8_t>(p[0]) + static_cast<std::int8_t>(p[1])) / 2
                                  : (p[0] + p[1]) / 2;
            buffer[f] = static_cast<std::uint8_t>(mixed);
        }
    }
}

}  // namespace

std::size_t ConvertSamples(const PcmFormat& format, std::uint8_t* buffer, std::uint32_t frames,
                           bool wantSigned, bool swapBytes, bool mixToMono, bool keep16)
{
    const bool flip = format.isSigned != wantSigned;
    std::size_t count = std::size_t{frames} * format.channels;
    if (format.channels > 1 && mixToMono) {
        MixToMono(format, buffer, frames);
        count = frames;
    }
    if (format.bytesPerSample != 2) {
        if (flip) {
            for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<std::uint8_t>(buffer[i] + 0x80);
        }
        return count;
    }
    // One loop per case: the common one (signed little-endian kept) costs nothing.
    if (flip && swapBytes) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t low = buffer[2 * i];
            buffer[2 * i] = static_cast<std::uint8_t>(buffer[2 * i + 1] + 0x80);
            buffer[2 * i + 1] = low;
        }
    } else if (flip) {
        for (std::size_t i = 0; i < count; ++i) buffer[2 * i + 1] = static_cast<std::uint8_t>(buffer[2 * i + 1] + 0x80);
    } else if (swapBytes) {
        for (std::size_t i = 0; i < count; ++i) std::swap(buffer[2 * i], buffer[2 * i + 1]);
    }
    if (keep16) return count * 2;
    for (std::size_t i = 0; i < count; ++i) buffer[i] = buffer[2 * i + (swapBytes ? 0 : 1)];
    return count;
}

bool FileSink::Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames)
{
    const SinkConversion& c = conversion_;
    std::size_t bytes = ConvertSamples(format, data, frames, c.wantSigned, c.swapBytes, c.mixToMono, true);
    if (channel_ >= 0 && format.channels == 2 && !c.mixToMono) {
        const std::size_t width = format.bytesPerSample;
        for (std::size_t i = 0; i < frames; ++i) std::memmove(data + i * width, data + (2 * i + channel_) * width, width);
        bytes = std::size_t{frames} * width;
    }
    return file_.Write(data, bytes) || Fail(location_, "File Write Error");
}

bool CopyWave(const WavesampleRec& wave, SampleSink& sink)
{
    if (wave.copyRoutine == nullptr) return Fail("WaveStore::Exp", "Wavesample has no sample data");
    return wave.copyRoutine(wave, sink);
}

bool CopyToFile(const WavesampleRec& wave, SinkConversion conversion, File& file, const char* location, int channel)
{
    FileSink sink(file, conversion, location, channel);
    return CopyWave(wave, sink);
}
