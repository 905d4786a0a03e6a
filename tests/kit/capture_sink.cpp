// A sink that keeps what a copy routine delivers.
#include "kit/capture_sink.h"

#include "store/wave_store.h"

bool CaptureSink(void* sinkArg, const WavesampleRec& wave, std::uint8_t* data, std::uint32_t frames)
{
    auto& capture = *static_cast<Capture*>(sinkArg);
    const std::size_t bytes = std::size_t{frames} * wave.channels * wave.bytesPerSample;
    capture.bytes.insert(capture.bytes.end(), data, data + bytes);
    capture.frames += frames;
    ++capture.calls;
    return true;
}

bool CaptureWave(WaveStore& store, const WavesampleRec& wave, Capture& capture)
{
    store.sink = CaptureSink;
    return wave.copyRoutine(store, &capture, wave);
}

std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
}
