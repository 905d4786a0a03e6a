// SoundFont bank (format version 1) writer, laid out for the EMU8000 of the SB AWE32: every
// store instrument a preset, every region a zone playing a one-zone bank instrument of its own,
// every sample 16-bit mono with 40 zero guard samples. Little-endian.
#include "formats/instrument/sbk_write.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "formats/common/fixed_text.h"
#include "formats/instrument/sbk.h"
#include "host/host.h"
#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_writer.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "sbk_Write";
constexpr std::uint32_t kGuardSamples = 40;

struct Zone {
    WavesampleRec* wave;
    std::uint8_t lowKey;
    std::uint8_t highKey;
};

struct Preset {
    const char* name;
    std::uint8_t volume;
    std::vector<Zone> zones;
};

struct Layout {
    std::vector<WavesampleRec*> samples;
    std::vector<Preset> presets;
    std::size_t zoneCount = 0;
};

// A wavesample on its own: one zone over the keys it claims, at full volume.
Preset WavePreset(WavesampleRec& wave)
{
    return {wave.name, 127, {{&wave, wave.lowKey, wave.highKey}}};
}

// An instrument's regions, each a zone over the region's own keys (a wavesample that stands in
// two regions keeps both of its ranges).
Preset InstrumentPreset(WaveStore& store, const InstrumentRec& instrument, std::vector<WavesampleRec*>* samples)
{
    Preset preset{instrument.name, instrument.layer.volume, {}};
    const LayerRec& layer = instrument.layer;
    for (int r = 0; r < layer.regionCount; ++r) {
        WavesampleRec* wave = store.FetchWave(layer.regions[r].wave);
        if (wave == nullptr) continue;
        preset.zones.push_back({wave, layer.regions[r].lowKey, layer.regions[r].highKey});
        if (samples != nullptr) samples->push_back(wave);
    }
    return preset;
}

Layout BankLayout(WaveStore& store)
{
    Layout layout;
    store.ForEachItem([&](ItemId id, void* record) {
        if (!IsWave(id)) return;
        auto* wave = static_cast<WavesampleRec*>(record);
        layout.samples.push_back(wave);
        if (wave->owner == NO_ITEM) layout.presets.push_back(WavePreset(*wave));
    });
    store.ForEachItem([&](ItemId id, void* record) {
        if (IsInstrument(id)) layout.presets.push_back(InstrumentPreset(store, *static_cast<InstrumentRec*>(record), nullptr));
    });
    return layout;
}

bool MakeLayout(WaveStore& store, ItemId item, Layout& layout)
{
    if (WavesampleRec* wave = store.FetchWave(item)) {
        layout.samples = {wave};
        layout.presets = {WavePreset(*wave)};
    } else if (const InstrumentRec* instrument = store.FetchInstrument(item)) {
        layout.presets = {InstrumentPreset(store, *instrument, &layout.samples)};
    } else if (IsBank(item) && store.FetchBank() != nullptr) {
        layout = BankLayout(store);
    } else {
        return RefuseKind(kWhere, "SBK");
    }
    for (std::size_t i = 0; i < layout.samples.size(); ++i) layout.samples[i]->exportIndex = static_cast<std::uint32_t>(i);
    for (const Preset& preset : layout.presets) layout.zoneCount += preset.zones.size();
    return true;
}

ByteWriter& Chunk(ByteWriter& w, const char* id, std::uint64_t size)
{
    return w.Tag(id).Le32(static_cast<std::uint32_t>(size));
}

ByteWriter InfoList(const char* bankName)
{
    const std::uint32_t n = static_cast<std::uint32_t>((std::strlen(bankName) + 2) & ~std::size_t{1});
    ByteWriter w;
    Chunk(w, "LIST", 84 + 124 + n).Tag("INFO");
    Chunk(w, "ifil", 4).Le16(1).Le16(0);
    Chunk(w, "isng", 8).Text("EMU8000", 8);
    Chunk(w, "irom", 6).Text("1MGM", 6);
    Chunk(w, "iver", 4).Le16(2).Le16(8);
    Chunk(w, "INAM", n).Text(bankName, n);
    Chunk(w, "IPRD", 8).Text("SBAWE32", 8);
    Chunk(w, "IENG", 8).Text("Unknown", 8);
    Chunk(w, "ISFT", 18).Text("SFSTORE.DLL v1.0", 18);
    Chunk(w, "ICRD", 10).Text(" 1  1 95", 10);
    Chunk(w, "ICOP", 58).Text(kCreatedByText, 58);
    return w;
}

void PutName(ByteWriter& w, const char* name)
{
    char field[20];
    PutFixedText(field, name);
    w.Text(std::string_view(field, sizeof field), sizeof field);
}

ByteWriter PresetData(const Layout& layout)
{
    const std::size_t p = layout.presets.size();
    const std::size_t r = layout.zoneCount;
    const std::size_t w = layout.samples.size();
    ByteWriter out;
    Chunk(out, "LIST", 76 + 38 * (p + 1) + 4 * (r + 1) + 6 + 4 * (r + 1) + 22 * (r + 1) + 4 * (r + 1) + 6 + 32 * r + 16 * w)
        .Tag("pdta");
    Chunk(out, "phdr", 38 * (p + 1));
    std::uint16_t firstZone = 0;
    for (std::size_t i = 0; i < p; ++i) {
        PutName(out, layout.presets[i].name);
        out.Le16(static_cast<std::uint16_t>(i)).Le16(0).Le16(firstZone).Zeros(12);
        firstZone = static_cast<std::uint16_t>(firstZone + layout.presets[i].zones.size());
    }
    out.Text("EOP", 20).Le16(0).Le16(0).Le16(static_cast<std::uint16_t>(r)).Zeros(12);
    Chunk(out, "pbag", 4 * (r + 1));
    for (std::size_t k = 0; k <= r; ++k) out.Le16(static_cast<std::uint16_t>(k)).Le16(0);
    Chunk(out, "pmod", 6).Zeros(6);
    Chunk(out, "pgen", 4 * (r + 1));
    for (std::size_t k = 0; k < r; ++k) out.Le16(kGenInstrument).Le16(static_cast<std::uint16_t>(k));
    out.Le16(0).Le16(0);
    Chunk(out, "inst", 22 * (r + 1));
    std::size_t k = 0;
    for (const Preset& preset : layout.presets) {
        for (const Zone& zone : preset.zones) {
            PutName(out, zone.wave->name);
            out.Le16(static_cast<std::uint16_t>(k++));
        }
    }
    out.Text("EOI", 20).Le16(static_cast<std::uint16_t>(r));
    Chunk(out, "ibag", 4 * (r + 1));
    for (std::size_t z = 0; z <= r; ++z) out.Le16(static_cast<std::uint16_t>(8 * z)).Le16(0);
    Chunk(out, "imod", 6).Zeros(6);
    Chunk(out, "igen", 32 * r);
    for (const Preset& preset : layout.presets) {
        for (const Zone& zone : preset.zones) {
            const WavesampleRec& wave = *zone.wave;
            out.Le16(kGenKeyRange).Le16(static_cast<std::uint16_t>(zone.lowKey + 256 * zone.highKey));
            out.Le16(kGenSustainModEnv).Le16(127).Le16(kGenSustainVolEnv).Le16(127);
            out.Le16(kGenOverridingRootKey).Le16(wave.rootKey);
            out.Le16(kGenPitch).Le16(SbkRateToCents(wave.sampleRate, wave.fineTune));
            out.Le16(kGenInitialAttenuation).Le16(preset.volume);
            out.Le16(kGenSampleModes).Le16(Loops(wave) ? 1 : 0);
            out.Le16(kGenSampleId).Le16(static_cast<std::uint16_t>(wave.exportIndex));
        }
    }
    Chunk(out, "shdr", 16 * w);
    std::uint32_t start = 0;
    for (const WavesampleRec* wave : layout.samples) {
        out.Le32(start).Le32(start + wave->length).Le32(start + wave->loopStart).Le32(start + wave->loopEnd);
        start += wave->length + kGuardSamples;
    }
    return out;
}

struct SbkSink {
    SinkFile out;
    bool failed = false;
};

}  // namespace

bool sbk_WaveWrite(void* sinkArg, const WavesampleRec& wave, std::uint8_t* data, std::uint32_t frames)
{
    auto& sink = *static_cast<SbkSink*>(sinkArg);
    const std::size_t bytes = ConvertSamples(wave, data, frames, true, false, true, true);
    const std::uint8_t* out = data;
    std::vector<std::uint8_t> widened;
    if (wave.bytesPerSample != 2) {
        try {
            widened.assign(2 * std::size_t{frames}, 0);
        } catch (const std::bad_alloc&) {
            sink.failed = true;
            return Fail("sbk_WaveWrite", "Out of memory");
        }
        for (std::size_t i = 0; i < bytes; ++i) widened[2 * i + 1] = data[i];  // × 256
        out = widened.data();
    }
    if (!sink.out.file.Write(out, 2 * std::size_t{frames})) sink.out.host.Warn("File Write Error");
    return true;
}

bool sbk_Write(WaveStore& store, File* file, ItemId item)
{
    Layout layout;
    if (!MakeLayout(store, item, layout)) return false;
    if (file == nullptr) return Fail(kWhere, "File Write Error");
    std::uint64_t sampleBytes = 0;
    for (const WavesampleRec* wave : layout.samples) sampleBytes += 2 * (std::uint64_t{wave->length} + kGuardSamples);
    const BankRec* bank = store.FetchBank();
    const ByteWriter info = InfoList(bank != nullptr ? bank->name : "");
    const ByteWriter presets = PresetData(layout);
    const std::uint64_t sampleList = 20 + 20 * layout.samples.size() + sampleBytes;
    const std::uint64_t riffSize = 4 + info.Size() + 8 + sampleList + presets.Size();
    if (riffSize > UINT32_MAX || layout.zoneCount > 8190 || layout.samples.size() > 65535) {
        return Fail(kWhere, "Too much data for a SoundFont bank");
    }

    ByteWriter head;
    Chunk(head, "RIFF", riffSize).Tag("sfbk");
    ByteWriter samples;
    Chunk(samples, "LIST", sampleList).Tag("sdta");
    Chunk(samples, "snam", 20 * layout.samples.size());
    for (const WavesampleRec* wave : layout.samples) PutName(samples, wave->name);
    Chunk(samples, "smpl", sampleBytes);
    if (!head.WriteTo(*file) || !info.WriteTo(*file) || !samples.WriteTo(*file)) {
        return Fail(kWhere, "File Write Error");
    }
    const std::uint8_t guard[2 * kGuardSamples] = {};
    for (const WavesampleRec* wave : layout.samples) {
        SbkSink sink{{*file, store.host}};
        store.sink = sbk_WaveWrite;
        if (wave->copyRoutine == nullptr || !wave->copyRoutine(store, &sink, *wave) || sink.failed) return false;
        if (!file->Write(guard, sizeof guard)) return Fail(kWhere, "File Write Error");
    }
    return presets.WriteTo(*file) || Fail(kWhere, "File Write Error");
}
