// Where and how a wavesample's data is stored, filled once by the reader that found it, and
// the plain PCM the decode path makes of it.
#pragma once

#include <cstdint>

enum class SampleCoding : std::uint8_t {
    Pcm,       // integers of `bits` in (bits + 7) / 8 bytes
    Float,     // IEEE 754, 32 or 64 bits
    Delta,     // differences of 8-bit (bits ≤ 8) or 16-bit values
    MuLaw,     // G.711, one byte per sample
    ALaw,      // G.711, one byte per sample
    ImaAdpcm,  // IMA/DVI blocks, `bits` 2..4 per code
    MsAdpcm,   // Microsoft ADPCM blocks, 4-bit codes
};

struct MsAdpcmCoefficient {
    std::int16_t first;
    std::int16_t second;
};

struct SampleLayout {
    SampleCoding coding = SampleCoding::Pcm;
    std::uint8_t bits = 8;  // stored bits per sample, or per ADPCM code
    std::uint8_t channels = 1;
    bool planar = false;  // PCM channels one after the other, each in its share of the bytes
    bool bigEndian = false;
    bool isSigned = true;   // PCM and delta; the other codings always decode signed
    std::uint64_t offset = 0;  // the stored extent: nothing past offset + bytes is read
    std::uint64_t bytes = 0;
    std::uint16_t blockAlign = 0;      // ADPCM: bytes per block
    std::uint16_t framesPerBlock = 0;  // ADPCM: frames a whole block holds
    std::uint8_t coefficientCount = 0;  // MS ADPCM predictors
    MsAdpcmCoefficient coefficients[7] = {};
};

// The form the decode path delivers: 8-bit or 16-bit little-endian samples, channels
// interleaved.
struct PcmFormat {
    std::uint8_t bytesPerSample = 1;
    std::uint8_t channels = 1;
    bool isSigned = true;

    std::uint32_t FrameBytes() const { return std::uint32_t{bytesPerSample} * channels; }
};

PcmFormat DeliveredFormat(const SampleLayout& layout);

// Stored bytes of one decoding unit (a frame, or an ADPCM block) and the frames a whole unit
// gives; 0 and 0 for a layout that cannot be decoded (no channels, no block size).
struct StoredUnit {
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
};
StoredUnit UnitOf(const SampleLayout& layout);

// Frames that `bytes` stored bytes decode to: whole units, plus what a partial last unit
// holds (the frames of a cut ADPCM block).
std::uint64_t FramesIn(const SampleLayout& layout, std::uint64_t bytes);
// Frames the whole extent decodes to, saturated at 32 bits: the most a reader may claim.
std::uint32_t FramesInExtent(const SampleLayout& layout);
// Stored bytes that `frames` frames need.
std::uint64_t StoredBytesFor(const SampleLayout& layout, std::uint64_t frames);

// The most frames a block of `blockAlign` bytes can hold for the layout's coding, channels
// and code width (ADPCM only; 0 when the block cannot hold its headers).
std::uint64_t MaxFramesPerBlock(const SampleLayout& layout);
