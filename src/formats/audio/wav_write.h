// RIFF WAVE writer: one wavesample as 8-bit unsigned or 16-bit signed PCM with names, loop
// markers and a sampler chunk.
#pragma once

#include "store/records.h"

class File;
class WaveStore;

bool wav_Write(WaveStore& store, File* file, ItemId item);
