// Sample sinks: convert delivered PCM (sign, byte order, channels) and write it to a file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/records.h"

class File;
class Host;

// The sink argument of the file sinks.
struct SinkFile {
    File& file;
    Host& host;  // gets the "File Write Error" warning
};

// In place; returns the bytes of converted data at the start of the buffer.
std::size_t ConvertSamples(const WavesampleRec& wave, std::uint8_t* buffer, std::uint32_t frames,
                           bool wantSigned, bool swapBytes, bool mixToMono, bool keep16);

template <bool WantSigned, bool BigEndian, bool Mono>
bool FileSink(void* sinkArg, const WavesampleRec& wave, std::uint8_t* data, std::uint32_t frames);

inline constexpr SampleSink SinkMonoSignedLE = FileSink<true, false, true>;
inline constexpr SampleSink SinkMonoUnsignedLE = FileSink<false, false, true>;
inline constexpr SampleSink SinkMonoSignedBE = FileSink<true, true, true>;
inline constexpr SampleSink SinkMonoUnsignedBE = FileSink<false, true, true>;
inline constexpr SampleSink SinkSignedLE = FileSink<true, false, false>;
inline constexpr SampleSink SinkUnsignedLE = FileSink<false, false, false>;
inline constexpr SampleSink SinkSignedBE = FileSink<true, true, false>;
inline constexpr SampleSink SinkUnsignedBE = FileSink<false, true, false>;

// Hands a wavesample's data through `sink` into `file`; false with the copy routine's error.
[[nodiscard]] bool CopyToFile(WaveStore& store, const WavesampleRec& wave, SampleSink sink, File& file);
