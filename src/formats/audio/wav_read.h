// RIFF WAVE reader: one bank, one wavesample and one instrument per file.
#pragma once

#include <cstdint>
#include <span>

#include "store/import_format.h"
#include "store/records.h"

class File;
class WaveStore;

// Walks the chunks that begin in [start, end) of `file` and fills `wave` and `instrument`,
// which need not be items of the store. False with LastError ("wav_Read").
bool wav_Read(WaveStore& store, const File& file, std::uint32_t listType, WavesampleRec& wave,
              InstrumentRec& instrument, std::uint64_t start, std::uint64_t end);

// The read function and content test of the "wav" row.
bool wav_ReadFile(WaveStore& store, File& file);
int wav_Detect(std::span<const std::uint8_t, kDetectBytes> head);
