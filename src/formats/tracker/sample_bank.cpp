// Sample-bank modules: a sample record's facts as a wavesample.
#include "formats/tracker/sample_bank.h"

#include "formats/common/sample_data.h"
#include "store/wave_store.h"

WavesampleRec& NewBankWave(WaveStore& store, const ByteReader& file, std::uint32_t index, CopyRoutine copy,
                           const char* name, int nameLength, const BankSample& sample, std::uint64_t offset)
{
    WavesampleRec& wave = *store.NewWavesample(index, copy, name, nameLength);
    const int shift = sample.wide ? 1 : 0;
    wave.layout.coding = sample.coding;
    wave.layout.bits = sample.wide ? 16 : 8;
    wave.layout.isSigned = sample.isSigned;
    wave.loopStart = sample.loopStart >> shift;
    wave.loopEnd = sample.loopEnd >> shift;
    wave.loopFlags = sample.loopFlags;
    PlaceSampleData(store, wave, file.Size(), offset, sample.bytes >> shift);
    return wave;
}
