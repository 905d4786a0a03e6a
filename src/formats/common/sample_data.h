// Where a module's sample data lies: readers that find each sample's data at an offset they
// work out (back to back, or from a pointer) place it here, so that a cut file keeps what
// it holds and no length or loop reaches past it.
#pragma once

#include <cstdint>

#include "store/records.h"

class WaveStore;

// Places `frames` frames of `wave`'s layout at `offset` of a file of `fileSize` bytes: the
// wavesample gets the frames the file holds (a shortfall is noted as a cut file) and its loop
// is fitted into them. Returns the bytes the data takes up as declared, for the walk to the
// next sample.
std::uint64_t PlaceSampleData(WaveStore& store, WavesampleRec& wave, std::uint64_t fileSize, std::uint64_t offset,
                              std::uint64_t frames);

// A loop reaching past the data ends with it; one that no longer spans a frame is off. For
// readers that fit a length of their own (packed data).
void FitLoop(WavesampleRec& wave);

// Volume 0..64 as the store's 0..127 (above 64 counts as 64).
std::uint8_t TrackerVolume(unsigned volume);
