// A sink that keeps what a copy routine delivers, for comparing decoded samples.
#pragma once

#include <cstdint>
#include <vector>

#include "store/records.h"

struct Capture {
    std::vector<std::uint8_t> bytes;
    int calls = 0;
    std::uint32_t frames = 0;
};

// Sink argument: a Capture.
bool CaptureSink(void* sinkArg, const WavesampleRec& wave, std::uint8_t* data, std::uint32_t frames);

// Runs the wavesample's copy routine into a Capture; false with LastError on failure.
bool CaptureWave(WaveStore& store, const WavesampleRec& wave, Capture& capture);

// Little-endian 16-bit samples of a byte buffer.
std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes);
