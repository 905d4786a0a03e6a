// Sample sinks: where a copy routine's decoded pieces go. The file sinks convert sign, byte
// order and channels and write each piece at the file's current position.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/records.h"

class File;

class SampleSink {
public:
    virtual ~SampleSink() = default;
    // One piece of `frames` frames in `format`; the sink may change the bytes in place. False
    // with LastError ends the copy.
    [[nodiscard]] virtual bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) = 0;
};

// In place; returns the bytes of converted data at the start of the buffer.
std::size_t ConvertSamples(const PcmFormat& format, std::uint8_t* buffer, std::uint32_t frames,
                           bool wantSigned, bool swapBytes, bool mixToMono, bool keep16);

// What a file sink makes of the delivered PCM.
struct SinkConversion {
    bool wantSigned;
    bool swapBytes;  // 16-bit samples big-endian
    bool mixToMono;
};

inline constexpr SinkConversion SinkMonoSignedLE{true, false, true};
inline constexpr SinkConversion SinkMonoUnsignedLE{false, false, true};
inline constexpr SinkConversion SinkMonoSignedBE{true, true, true};
inline constexpr SinkConversion SinkMonoUnsignedBE{false, true, true};
inline constexpr SinkConversion SinkSignedLE{true, false, false};
inline constexpr SinkConversion SinkUnsignedLE{false, false, false};
inline constexpr SinkConversion SinkSignedBE{true, true, false};
inline constexpr SinkConversion SinkUnsignedBE{false, true, false};

class FileSink : public SampleSink {
public:
    // A failed write fails the copy with `location` / "File Write Error". With `channel` 0 or
    // 1 only that channel of stereo data is written (files that store channels one after the
    // other are written in one pass per channel).
    FileSink(File& file, SinkConversion conversion, const char* location, int channel = -1)
        : file_(file), conversion_(conversion), location_(location), channel_(channel)
    {
    }
    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override;

private:
    File& file_;
    SinkConversion conversion_;
    const char* location_;
    int channel_;
};

// Runs the wavesample's copy routine into `file` through a file sink; false with LastError
// (the copy routine's, or `location`'s for a failed write).
[[nodiscard]] bool CopyToFile(const WavesampleRec& wave, SinkConversion conversion, File& file, const char* location,
                              int channel = -1);
// Runs the wavesample's copy routine into any sink; a wavesample without one fails.
[[nodiscard]] bool CopyWave(const WavesampleRec& wave, SampleSink& sink);
