// A sink that keeps what a copy routine delivers, for comparing decoded samples.
#pragma once

#include <cstdint>
#include <vector>

#include "store/sinks.h"

class CaptureSink : public SampleSink {
public:
    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override;

    std::vector<std::uint8_t> bytes;
    std::uint32_t frames = 0;
    int calls = 0;
    std::uint32_t largestPiece = 0;  // frames
};

// Runs the wavesample's copy routine into `capture`; false with LastError on failure.
bool CaptureWave(const WavesampleRec& wave, CaptureSink& capture);

// Little-endian 16-bit samples of a byte buffer.
std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes);
