// GF1 patch reader: instruments, layers and waves of a .pat file. Little-endian.
#include <algorithm>
#include <cstring>

#include "formats/formats.h"
#include "formats/instrument/gf1.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

// Lays the six GF1 rate/offset pairs into the store's eight-point envelope; point 3 is an
// empty segment that the writer folds into the one before it.
void ReadEnvelope(const PatchWaveHeader& h, std::uint8_t voices, WavesampleRec& wave)
{
    const std::uint8_t* rate = h.envelopeRates;
    const std::uint8_t* level = h.envelopeOffsets;
    wave.envLevel[0] = 0;
    wave.envTime[0] = static_cast<std::uint32_t>(pat_RateToTime(rate[0], 0, level[0], voices));
    wave.envLevel[1] = level[0];
    wave.envTime[1] = static_cast<std::uint32_t>(pat_RateToTime(rate[1], level[0], level[1], voices));
    wave.envLevel[2] = level[1];
    wave.envTime[2] = 0;
    wave.envLevel[3] = level[1];
    for (int k = 2; k < 6; ++k) {
        wave.envTime[k + 1] = static_cast<std::uint32_t>(pat_RateToTime(rate[k], level[k - 1], level[k], voices));
        wave.envLevel[k + 2] = level[k];
    }
    wave.hasEnvelope = 1;
}

// `offset` and `size`: where the wave's data lies, as far as the file holds it.
void ReadWave(const PatchWaveHeader& h, std::uint8_t voices, std::uint64_t offset, std::uint32_t size,
              WavesampleRec& wave)
{
    const int shift = (h.modes & kPatch16Bit) != 0 ? 1 : 0;
    wave.layout.bits = shift != 0 ? 16 : 8;
    wave.layout.isSigned = (h.modes & kPatchUnsigned) == 0;
    wave.layout.offset = offset;
    wave.layout.bytes = size;
    wave.length = size >> shift;
    wave.loopStart = h.loopStart >> shift;
    wave.loopEnd = h.loopEnd >> shift;
    wave.loopStartFrac = static_cast<std::uint8_t>((h.fractions & 0x0F) * 16 + 8);
    wave.loopEndFrac = static_cast<std::uint8_t>((h.fractions >> 4) * 16 + 8);
    wave.loopFlags = h.modes ^ kPatchEnvelopeBit;
    wave.sampleRate = h.sampleRate;
    wave.rootKey = pat_FreqToKey(h.rootFrequency);
    wave.fineTune = 0;
    wave.pan = static_cast<std::uint8_t>(h.balance * 8 + 4);
    wave.scaleKey = static_cast<std::uint8_t>(h.scaleFrequency & 0xFF);
    wave.scaleFactor = h.scaleFactor;
    ReadEnvelope(h, voices, wave);
}

}  // namespace

int pat_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "GF1PATCH", 8) == 0 ? 2 : 0;
}

// A truncated patch ends at the first header the file does not hold completely, keeping what
// was read before it; a wave whose data is cut keeps the samples that are there.
bool pat_Read(WaveStore& store, File& file)
{
    ByteReader r(file);
    const auto patch = r.Get<PatchHeader>();
    if (r.Truncated() || std::memcmp(patch.text, "GF1PATCH110", 12) != 0) {
        return Fail("pat_Read", "Not a GF1 v1.10 patch");
    }
    store.NewBank(nullptr, 0);
    // What is there is kept; the import says the patch is cut short.
    const auto cutShort = [&](std::uint64_t missingFrames) {
        store.NoteCutShort(missingFrames);
        return true;
    };
    std::uint32_t instrumentCount = 0;
    std::uint32_t waveCount = 0;
    for (int i = 0; i < patch.instruments; ++i) {
        const auto instrumentHeader = r.Get<PatchInstrumentHeader>();
        if (r.Truncated()) return cutShort(0);
        for (int l = 0; l < instrumentHeader.layers; ++l) {
            const auto layer = r.Get<PatchLayerHeader>();
            if (r.Truncated()) return cutShort(0);
            InstrumentRec& instrument = *store.NewInstrument(++instrumentCount, NO_ITEM, instrumentHeader.name, 16);
            std::memcpy(instrument.note, patch.description, sizeof patch.description);
            instrument.note[sizeof patch.description] = '\0';
            instrument.layer.volume = static_cast<std::uint8_t>(patch.masterVolume & 0xFF);
            for (int w = 0; w < layer.waves; ++w) {
                const auto header = r.Get<PatchWaveHeader>();
                if (r.Truncated()) return cutShort(0);
                WavesampleRec& wave = *store.NewWavesample(++waveCount, std_Copy, header.name, 7);
                const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::uint64_t>(header.size, r.Left()));
                ReadWave(header, patch.voices, r.Offset(), size, wave);
                const std::uint8_t low = pat_FreqToKey(header.lowFrequency);
                const std::uint8_t high = std::min<std::uint8_t>(pat_FreqToKey(header.highFrequency), 127);
                for (int key = low; key <= high; ++key) instrument.layer.keyMap[key] = waveCount;
                r.Skip(header.size);
                if (r.Truncated()) return cutShort((header.size - size) >> ((header.modes & kPatch16Bit) != 0 ? 1 : 0));
            }
        }
    }
    return true;
}
