// The data format page ("Advanced") without its window: what it shows for a wavesample and
// how its choices apply to the wavesample's layout. The GUI page, the command line and the
// tests share these rules.
#pragma once

#include <cstdint>

#include "store/records.h"

// The page's data types; None leaves a coding the page does not offer (ADPCM, float) alone.
enum class DataType { None, Pcm8, Pcm16, MuLaw, ALaw };

// The page's fields as it shows them.
struct DataFormatChoice {
    DataType type = DataType::None;
    bool isSigned = false;
    bool stereo = false;
    bool byteSwap = false;  // with Pcm16: big-endian data
    std::uint32_t sampleRate = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t sampleSize = 0;  // bytes
};

DataFormatChoice DataFormatInitial(const WavesampleRec& wave);
// Sets the layout, copy routine, rate and length; the size is cut to what the file holds
// after the offset, and the length to the frames that size holds.
void DataFormatApply(const DataFormatChoice& choice, WavesampleRec& wave, std::uint32_t fileSize);
