// Copy routines: fetch a wavesample's data from its source file, decode it to plain PCM
// (8-bit, or 16-bit little-endian) and hand it to the store's sink.
#pragma once

#include "store/records.h"

bool std_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
bool mms_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
bool delta_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
bool mulaw_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
bool alaw_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
bool dviadpcm_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
bool msadpcm_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
// IEEE float, 32 or 64 bits (`bits`), little-endian: value × 32768, rounded, clamped.
bool float_Copy(WaveStore& store, void* sinkArg, const WavesampleRec& wave);
