// Headerless sample data: the fixed raw readers (signed and unsigned 8-bit), the US telephony
// reader (8 kHz mu-law) and the writers of bare signed and unsigned samples.
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/file.h"

namespace {

// The rate these files have always been read at (not 11025).
constexpr std::uint32_t kRawRate = 11050;

// The whole file as one wavesample; such files have no header that could be wrong.
bool ReadWhole(WaveStore& store, const File& file, SampleCoding coding, bool isSigned, std::uint32_t rate)
{
    SampleLayout layout;
    layout.coding = coding;
    layout.isSigned = isSigned;
    layout.bytes = file.Size();
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, GeneralCopyRoutine(layout), nullptr, 0);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = rate;
    return true;
}

bool WriteBare(WaveStore& store, File* file, ItemId item, SinkConversion conversion, const char* where,
               const char* name)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(where, name);
    NoteSampleLosses(store, *wave, false);
    return CopyToFile(*wave, conversion, *file, where);
}

}  // namespace

bool raw_Read(WaveStore& store, File& file)
{
    return ReadWhole(store, file, SampleCoding::Pcm, true, kRawRate);
}

bool snd_Read(WaveStore& store, File& file)
{
    return ReadWhole(store, file, SampleCoding::Pcm, false, kRawRate);
}

bool ul_Read(WaveStore& store, File& file)
{
    return ReadWhole(store, file, SampleCoding::MuLaw, true, 8000);
}

bool raw_Write(WaveStore& store, File* file, ItemId item)
{
    return WriteBare(store, file, item, SinkSignedLE, "raw_Write", "RAW");
}

bool snd_Write(WaveStore& store, File* file, ItemId item)
{
    return WriteBare(store, file, item, SinkUnsignedLE, "snd_Write", "SND");
}
