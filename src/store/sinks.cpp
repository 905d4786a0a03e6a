// Sample sinks and the sample converter.
#include "store/sinks.h"

#include "host/host.h"
#include "store/wave_store.h"
#include "support/endian.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

// (left + right) / 2 toward zero, as signed or unsigned values as the source is.
void MixToMono(const WavesampleRec& wave, std::uint8_t* buffer, std::uint32_t frames)
{
    const std::size_t stride = wave.channels;
    for (std::size_t f = 0; f < frames; ++f) {
        if (wave.bytesPerSample == 2) {
            const std::uint8_t* p = buffer + 2 * stride * f;
            int mixed;
            if (wave.isSigned != 0) {
                mixed = (LoadLe16s(p) + LoadLe16s(p + 2)) / 2;
            } else {
                mixed = ((p[0] | p[1] << 8) + (p[2] | p[3] << 8)) / 2;
            }
            StoreLe16(buffer + 2 * f, static_cast<std::uint16_t>(mixed));
        } else {
            const std::uint8_t* p = buffer + stride * f;
            const int mixed = wave.isSigned != 0
                                  ? (static_cast<std::int8_t>(p[0]) + static_cast<std::int8_t>(p[1])) / 2
                                  : (p[0] + p[1]) / 2;
            buffer[f] = static_cast<std::uint8_t>(mixed);
        }
    }
}

}  // namespace

std::size_t ConvertSamples(const WavesampleRec& wave, std::uint8_t* buffer, std::uint32_t frames,
                           bool wantSigned, bool swapBytes, bool mixToMono, bool keep16)
{
    const bool flip = (wave.isSigned != 0) != wantSigned;
    std::size_t count = std::size_t{frames} * wave.channels;
    if (wave.channels > 1 && mixToMono) {
        MixToMono(wave, buffer, frames);
        count = frames;
    }
    if (wave.bytesPerSample != 2) {
        if (flip) {
            for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<std::uint8_t>(buffer[i] + 0x80);
        }
        return count;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* p = buffer + 2 * i;
        if (flip) p[1] = static_cast<std::uint8_t>(p[1] + 0x80);  // + 0x8000
        if (swapBytes) std::swap(p[0], p[1]);
    }
    if (keep16) return count * 2;
    for (std::size_t i = 0; i < count; ++i) buffer[i] = buffer[2 * i + (swapBytes ? 0 : 1)];
    return count;
}

template <bool WantSigned, bool BigEndian, bool Mono>
bool FileSink(void* sinkArg, const WavesampleRec& wave, std::uint8_t* data, std::uint32_t frames)
{
    auto& target = *static_cast<SinkFile*>(sinkArg);
    const std::size_t bytes = ConvertSamples(wave, data, frames, WantSigned, BigEndian, Mono, true);
    if (!target.file.Write(data, bytes)) target.host.Warn("File Write Error");
    return true;
}

template bool FileSink<true, false, true>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<false, false, true>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<true, true, true>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<false, true, true>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<true, false, false>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<false, false, false>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<true, true, false>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);
template bool FileSink<false, true, false>(void*, const WavesampleRec&, std::uint8_t*, std::uint32_t);

bool CopyToFile(WaveStore& store, const WavesampleRec& wave, SampleSink sink, File& file)
{
    SinkFile target{file, store.host};
    store.sink = sink;
    if (wave.copyRoutine == nullptr) return Fail("WaveStore::Exp", "Wavesample has no sample data");
    return wave.copyRoutine(store, &target, wave);
}
