// Sample decoders: G.711 mu-law and A-law, delta coding, IMA/DVI and MS ADPCM blocks.
// Output samples are 16-bit little-endian byte pairs, as the copy routines deliver them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/sample_layout.h"

void ExpandMuLaw(std::uint8_t* output, const std::uint8_t* input, std::size_t count);
void ExpandALaw(std::uint8_t* output, const std::uint8_t* input, std::size_t count);
std::int16_t MuLawToLinear(std::uint8_t code);
std::int16_t ALawToLinear(std::uint8_t code);

// In place: value[i] += value[i - 1], wrapping at 8 or 16 bits. 16-bit values little-endian.
void DeltaDecode8(std::uint8_t* buffer, std::size_t count);
void DeltaDecode16(std::uint8_t* buffer, std::size_t count);

// One IMA/DVI block of `blockBytes` bytes into `frames` interleaved frames; codes the block
// does not hold read as 0. Returns the frames decoded.
std::size_t DecodeImaBlock(std::uint8_t* output, const std::uint8_t* block, std::size_t blockBytes,
                           std::size_t frames, unsigned channels, unsigned bits);

// One MS ADPCM block; returns the frames it holds (at most samplesPerBlock), 0 for a block
// whose header is too short or names a predictor the format does not have.
std::size_t DecodeMsAdpcmBlock(std::uint8_t* output, const std::uint8_t* block, std::size_t blockBytes,
                               unsigned channels, std::size_t samplesPerBlock,
                               unsigned coefficientCount, const MsAdpcmCoefficient* coefficients);

// The step sizes of the IMA ADPCM standard.
extern const std::int16_t kImaStepTable[89];
