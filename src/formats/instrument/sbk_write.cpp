// SoundFont bank (format version 1) writer, laid out for the EMU8000 of the SB AWE32: every
// store instrument a preset, every region a zone playing a one-zone bank instrument of its own,
// every sample 16-bit mono with 40 zero guard samples. Little-endian.
#include <cstring>
#include <string>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/common/fixed_text.h"
#include "formats/formats.h"
#include "formats/instrument/sbk.h"
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
constexpr std::uint64_t kHeaderRoom = 1u << 24;  // far more than 65535 names and 8190 zones take

struct Layout {
    std::vector<WavesampleRec*> samples;
    std::vector<LoopPoints> loops;  // each sample's, inside the sample
    std::vector<BankInstrument> presets;
    std::size_t zoneCount = 0;
};

constexpr std::size_t kNameBytes = 20;

bool MakeLayout(WaveStore& store, ItemId item, Layout& layout)
{
    BankContents contents;
    if (!CollectBank(store, item, contents)) return RefuseKind(kWhere, "SBK");
    layout.presets = std::move(contents.instruments);
    layout.samples = std::move(contents.waves);
    // An instrument's wavesample is written once for every region that plays it.
    if (IsInstrument(item)) {
        layout.samples.clear();
        for (const BankZone& zone : layout.presets[0].zones) layout.samples.push_back(zone.wave);
    }
    for (std::size_t i = 0; i < layout.samples.size(); ++i) {
        WavesampleRec& wave = *layout.samples[i];
        wave.exportIndex = static_cast<std::uint32_t>(i);
        layout.loops.push_back(LoopToWrite(store, wave));
        NoteSampleLosses(store, wave, true);
        NoteCutName(store, wave.name, kNameBytes);
    }
    for (const BankInstrument& preset : layout.presets) {
        layout.zoneCount += preset.zones.size();
        NoteCutName(store, preset.name, kNameBytes);
    }
    return true;
}

ByteWriter InfoList(const char* bankName)
{
    const std::size_t n = (std::strlen(bankName) + 2) & ~std::size_t{1};
    ByteWriter info = ByteWriter{}.Tag("INFO");
    info.Append(RiffChunk("ifil", ByteWriter{}.Le16(1).Le16(0)));
    info.Append(RiffChunk("isng", ByteWriter{}.Text("EMU8000", 8)));
    info.Append(RiffChunk("irom", ByteWriter{}.Text("1MGM", 6)));
    info.Append(RiffChunk("iver", ByteWriter{}.Le16(2).Le16(8)));
    info.Append(RiffChunk("INAM", ByteWriter{}.Text(bankName, n)));
    info.Append(RiffChunk("IPRD", ByteWriter{}.Text("SBAWE32", 8)));
    info.Append(RiffChunk("IENG", ByteWriter{}.Text("Unknown", 8)));
    info.Append(RiffChunk("ISFT", ByteWriter{}.Text("SFSTORE.DLL v1.0", 18)));
    info.Append(RiffChunk("ICRD", ByteWriter{}.Text(" 1  1 95", 10)));
    info.Append(RiffChunk("ICOP", ByteWriter{}.Text(kCreatedByText, 58)));
    return RiffChunk("LIST", info);
}

void PutName(ByteWriter& w, const char* name)
{
    char field[kNameBytes];
    PutFixedText(field, name);
    w.Text(std::string_view(field, sizeof field), sizeof field);
}

ByteWriter PresetHeaders(const Layout& layout)
{
    ByteWriter out;
    std::uint16_t firstZone = 0;
    for (std::size_t i = 0; i < layout.presets.size(); ++i) {
        PutName(out, layout.presets[i].name);
        out.Le16(static_cast<std::uint16_t>(i)).Le16(0).Le16(firstZone).Zeros(12);
        firstZone = static_cast<std::uint16_t>(firstZone + layout.presets[i].zones.size());
    }
    return out.Text("EOP", 20).Le16(0).Le16(0).Le16(firstZone).Zeros(12);
}

// One bag per zone and the terminal one; zone k's generators start at k × `perZone`.
ByteWriter Bags(std::size_t zones, std::uint16_t perZone)
{
    ByteWriter out;
    for (std::size_t k = 0; k <= zones; ++k) out.Le16(static_cast<std::uint16_t>(perZone * k)).Le16(0);
    return out;
}

// Every zone plays a one-zone bank instrument of its own, named after its wavesample.
ByteWriter Instruments(const Layout& layout)
{
    ByteWriter out;
    std::uint16_t k = 0;
    for (const BankInstrument& preset : layout.presets) {
        for (const BankZone& zone : preset.zones) {
            PutName(out, zone.wave->name);
            out.Le16(k++);
        }
    }
    return out.Text("EOI", 20).Le16(k);
}

ByteWriter InstrumentGenerators(const Layout& layout)
{
    ByteWriter out;
    for (const BankInstrument& preset : layout.presets) {
        for (const BankZone& zone : preset.zones) {
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
    return out;
}

ByteWriter SampleHeaders(const Layout& layout)
{
    ByteWriter out;
    std::uint32_t start = 0;
    for (std::size_t i = 0; i < layout.samples.size(); ++i) {
        const std::uint32_t length = layout.samples[i]->length;
        out.Le32(start).Le32(start + length).Le32(start + layout.loops[i].start).Le32(start + layout.loops[i].end);
        start += length + kGuardSamples;
    }
    return out;
}

ByteWriter PresetData(const Layout& layout)
{
    const std::size_t zones = layout.zoneCount;
    ByteWriter presetGenerators;
    for (std::size_t k = 0; k < zones; ++k) presetGenerators.Le16(kGenInstrument).Le16(static_cast<std::uint16_t>(k));
    presetGenerators.Le16(0).Le16(0);
    ByteWriter list = ByteWriter{}.Tag("pdta");
    list.Append(RiffChunk("phdr", PresetHeaders(layout)));
    list.Append(RiffChunk("pbag", Bags(zones, 1)));
    list.Append(RiffChunk("pmod", ByteWriter{}.Zeros(6)));
    list.Append(RiffChunk("pgen", presetGenerators));
    list.Append(RiffChunk("inst", Instruments(layout)));
    list.Append(RiffChunk("ibag", Bags(zones, 8)));
    list.Append(RiffChunk("imod", ByteWriter{}.Zeros(6)));
    list.Append(RiffChunk("igen", InstrumentGenerators(layout)));
    list.Append(RiffChunk("shdr", SampleHeaders(layout)));
    return RiffChunk("LIST", list);
}

bool WriteSampleData(const Layout& layout, File& file)
{
    FileChunk sampleData(file, ChunkOrder::Riff, "smpl");
    const std::uint8_t guard[2 * kGuardSamples] = {};
    for (const WavesampleRec* wave : layout.samples) {
        SoundFontSink sink(file, kWhere);
        if (!CopyWave(*wave, sink)) return false;
        if (!file.Write(guard, sizeof guard)) return Fail(kWhere, "File Write Error");
    }
    return sampleData.Close() || Fail(kWhere, "File Write Error");
}

}  // namespace

bool sbk_Write(WaveStore& store, File* file, ItemId item)
{
    Layout layout;
    if (!MakeLayout(store, item, layout)) return false;
    if (file == nullptr) return Fail(kWhere, "File Write Error");
    std::uint64_t sampleBytes = 0;
    for (const WavesampleRec* wave : layout.samples) sampleBytes += 2 * (std::uint64_t{wave->length} + kGuardSamples);
    // The sample data must leave the names and headers room under what a RIFF size counts.
    if (sampleBytes > UINT32_MAX - kHeaderRoom || layout.zoneCount > 8190 || layout.samples.size() > 65535) {
        return Fail(kWhere, "Too much data for a SoundFont bank");
    }
    const BankRec* bank = store.FetchBank();
    ByteWriter names;
    for (const WavesampleRec* wave : layout.samples) PutName(names, wave->name);

    FileChunk riff(*file, ChunkOrder::Riff, "RIFF");
    if (!ByteWriter{}.Tag("sfbk").Append(InfoList(bank != nullptr ? bank->name : "")).WriteTo(*file)) {
        return Fail(kWhere, "File Write Error");
    }
    FileChunk samples(*file, ChunkOrder::Riff, "LIST");
    if (!ByteWriter{}.Tag("sdta").Append(RiffChunk("snam", names)).WriteTo(*file))
        return Fail(kWhere, "File Write Error");
    if (!WriteSampleData(layout, *file)) return false;
    const bool written = samples.Close() && PresetData(layout).WriteTo(*file) && riff.Close();
    return written || Fail(kWhere, "File Write Error");
}
