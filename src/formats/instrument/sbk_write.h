// SoundFont bank (format version 1) writer: a wavesample, an instrument or the whole bank.
#pragma once

#include <cstdint>

#include "store/records.h"

class File;
class WaveStore;

bool sbk_Write(WaveStore& store, File* file, ItemId item);
// The sink of the sample data: signed 16-bit mono, 8-bit data widened.
bool sbk_WaveWrite(void* sinkArg, const WavesampleRec& wave, std::uint8_t* data, std::uint32_t frames);
