// GF1 patch writer: a 239-byte block (patch, instrument and layer headers), then a wave header
// and the mono data of each wave. Little-endian.
#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/common/fixed_text.h"
#include "formats/formats.h"
#include "formats/instrument/gf1.h"
#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "pat_Write";

struct PatchBlock {
    PatchHeader patch;
    PatchInstrumentHeader instrument;
    PatchLayerHeader layer;
};
static_assert(sizeof(PatchBlock) == 239);

struct Envelope {
    std::uint8_t rates[6];
    std::uint8_t offsets[6];
};
constexpr Envelope kNonLooping = {{63, 63, 63, 63, 63, 63}, {246, 246, 246, 246, 246, 246}};
constexpr Envelope kLooping = {{63, 63, 63, 208, 63, 63}, {246, 246, 246, 8, 8, 8}};

// One wave to write: the wavesample and the keys its region spans.
struct PatchWave {
    const WavesampleRec* wave;
    int lowKey;
    int highKey;
};

PatchBlock Block(WaveStore& store, const char* name, std::uint16_t waves, std::uint8_t volume,
                 std::uint32_t sampleBytes, std::uint32_t layerSize)
{
    PatchBlock block{};
    std::memcpy(block.patch.text, "GF1PATCH110", 12);
    std::memcpy(block.patch.id, "ID#000002", 10);
    block.patch.instruments = 1;
    block.patch.voices = 14;
    block.patch.channels = 1;
    block.patch.waves.Set(waves);
    block.patch.masterVolume.Set(volume);
    block.patch.dataSize.Set((sampleBytes + 31u) & 0x7FFFFFE0u);
    PutName(store, block.instrument.name, name);
    block.instrument.size.Set(layerSize + 110);
    block.instrument.layers = 1;
    block.layer.size.Set(layerSize);
    block.layer.waves = static_cast<std::uint8_t>(waves);
    return block;
}

// The kept envelope as six GF1 rate/offset pairs; the empty segment 2 folds into segment 1.
Envelope KeptEnvelope(const WavesampleRec& w)
{
    const auto time = [&](int i) { return static_cast<std::int32_t>(w.envTime[i]); };
    Envelope e{};
    e.rates[0] = pat_TimeToRate(time(0), 0, w.envLevel[1]);
    e.offsets[0] = w.envLevel[1];
    e.rates[1] = pat_TimeToRate(static_cast<std::int32_t>(w.envTime[1] + w.envTime[2]), w.envLevel[1], w.envLevel[3]);
    e.offsets[1] = w.envLevel[3];
    for (int k = 2; k < 6; ++k) {
        e.rates[k] = pat_TimeToRate(time(k + 1), w.envLevel[k + 1], w.envLevel[k + 2]);
        e.offsets[k] = w.envLevel[k + 2];
    }
    return e;
}

PatchWaveHeader WaveHeader(WaveStore& store, const WavesampleRec& w, const LoopPoints& loop,
                           std::uint32_t writtenLength, int lowKey, int highKey)
{
    const int shift = Delivered(w).bytesPerSample > 1 ? 1 : 0;
    PatchWaveHeader h{};
    PutName(store, h.name, w.name);
    h.fractions = static_cast<std::uint8_t>((w.loopStartFrac >> 4) | (w.loopEndFrac & 0xF0));
    h.size.Set(writtenLength << shift);
    h.loopStart.Set(loop.start << shift);
    std::uint32_t loopEnd = loop.end << shift;
    if (Loops(w) && loopEnd <= 2) loopEnd = h.size;
    h.loopEnd.Set(loopEnd);
    h.sampleRate.Set(static_cast<std::uint16_t>(w.sampleRate));
    h.lowFrequency.Set(static_cast<std::uint32_t>(pat_KeyToFreq(lowKey, 0)));
    h.highFrequency.Set(static_cast<std::uint32_t>(pat_KeyToFreq(highKey, 0)));
    h.rootFrequency.Set(static_cast<std::uint32_t>(pat_KeyToFreq(w.rootKey, w.fineTune)));
    h.tune.Set(1);
    h.balance = static_cast<std::uint8_t>(w.pan >> 3);
    const Envelope envelope = !Loops(w) ? kNonLooping : w.hasEnvelope != 0 ? KeptEnvelope(w) : kLooping;
    std::memcpy(h.envelopeRates, envelope.rates, 6);
    std::memcpy(h.envelopeOffsets, envelope.offsets, 6);
    h.modes = static_cast<std::uint8_t>((w.loopFlags ^ kPatchEnvelopeBit) | (shift != 0 ? kPatch16Bit : 0) |
                                        (Delivered(w).isSigned ? 0 : kPatchUnsigned));
    h.scaleFrequency.Set(w.scaleKey);
    h.scaleFactor.Set(w.scaleFactor);
    return h;
}

// A loop that ends at or past the last sample gets one more sample, a copy of the first,
// so that the card can interpolate across the loop's end.
bool WriteWave(WaveStore& store, File& file, const PatchWave& pw)
{
    const WavesampleRec& w = *pw.wave;
    NoteSampleLosses(store, w, true);
    LoopPoints loop = LoopToWrite(store, w);
    const bool extraSample = Loops(w) && loop.end >= w.length;
    const PatchWaveHeader header = WaveHeader(store, w, loop, w.length + (extraSample ? 1 : 0), pw.lowKey, pw.highKey);
    if (!file.Write(&header, sizeof header)) return Fail(kWhere, "File Write Error");
    const std::uint64_t dataStart = file.Tell();
    if (!CopyToFile(w, Delivered(w).isSigned ? SinkMonoSignedLE : SinkMonoUnsignedLE, file, kWhere)) return false;
    if (!extraSample) return true;
    std::uint8_t first[2] = {};
    const std::size_t width = Delivered(w).bytesPerSample > 1 ? 2 : 1;
    file.ReadAt(dataStart, first, width);
    return file.Write(first, width) || Fail(kWhere, "File Write Error");
}

}  // namespace

bool pat_Write(WaveStore& store, File* file, ItemId item)
{
    std::vector<PatchWave> waves;
    PatchBlock block{};
    if (WavesampleRec* wave = store.FetchWave(item)) {
        const std::uint32_t bytes = wave->length << (Delivered(*wave).bytesPerSample > 1 ? 1 : 0);
        block = Block(store, wave->name, 1, wave->volume, bytes, bytes + 96);
        std::memcpy(block.patch.description, kCreatorText, sizeof kCreatorText);
        waves.push_back({wave, 0, 119});
    } else if (const InstrumentRec* instrument = store.FetchInstrument(item)) {
        const LayerRec& layer = instrument->layer;
        for (int r = 0; r < layer.regionCount; ++r) {
            WavesampleRec* wave = store.FetchWave(layer.regions[r].wave);
            if (wave == nullptr) return Fail(kWhere, "A key region names a missing wavesample");
            // The written high key is one above the region's; keys above 119 are left out.
            if (layer.regions[r].highKey > 119) store.NoteLoss("Keys above 119 left out");
            waves.push_back({wave, layer.regions[r].lowKey, std::min(layer.regions[r].highKey + 1, 119)});
        }
        const auto count = static_cast<std::uint32_t>(layer.regionCount);
        block = Block(store, instrument->name, static_cast<std::uint16_t>(count), layer.volume, layer.layerBytes,
                      count * 96 + layer.layerBytes);
        std::memcpy(block.patch.description, instrument->note, sizeof block.patch.description);
    } else {
        return RefuseKind(kWhere, "PAT");
    }
    if (file == nullptr || !file->Write(&block, sizeof block)) return Fail(kWhere, "File Write Error");
    for (const PatchWave& wave : waves) {
        if (!WriteWave(store, *file, wave)) return false;
    }
    return true;
}
