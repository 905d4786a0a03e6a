// The 12-bit packing of Roland and Yamaha samplers: each pair of samples in three bytes
// b0 b1 b2, the first b0 × 16 + (b1 >> 4), the second b2 × 16 + (b1 & 15), both 12-bit two's
// complement, delivered as 16-bit values × 16.
#pragma once

#include <cstdint>

#include "store/records.h"

// Packed bytes that `frames` samples take (the last pair may be half used).
std::uint64_t Packed12Bytes(std::uint64_t frames);
// Samples `bytes` packed bytes hold.
std::uint64_t Packed12Frames(std::uint64_t bytes);

// Hands the wavesample's `length` samples, packed from `layout.offset` of its source file, to
// the sink in bounded pieces; false with LastError at `location`.
bool CopyPacked12(const char* location, const WavesampleRec& wave, SampleSink& sink);
