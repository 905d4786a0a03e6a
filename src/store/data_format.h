// The data format page ("Advanced") without its window: what it shows for a wavesample and
// how its choices apply. The GUI page, the command line and the tests share these rules.
#pragma once

#include <cstdint>

#include "store/records.h"

class File;

enum class DataType { None, Pcm8, Pcm16, MuLaw, ALaw };

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
void DataFormatApply(const DataFormatChoice& choice, WavesampleRec& wave, std::uint32_t fileSize);

// The raw layout remembered between raw-data imports of one run.
struct RawParams {
    std::uint8_t bytesPerSample = 1;
    std::uint32_t sampleRate = 22050;
    std::uint32_t isSigned = 1;
    std::uint8_t channels = 1;
    bool byteSwap = false;
    std::uint32_t dataOffset = 0;
};

// The read function of the raw-data row "*".
bool gen_Read(WaveStore& store, File& file);
