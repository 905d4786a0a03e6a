// SoundFont 2.01 bank writer: every store instrument a preset playing one bank instrument whose
// zones are its key regions; every wavesample one 16-bit sample at its own rate (a stereo one a
// linked left and right pair) with 46 zero guard samples. Little-endian.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/common/fixed_text.h"
#include "formats/formats.h"
#include "formats/instrument/sf2.h"
#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/wave_store.h"
#include "support/byte_writer.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "sf2_Write";
constexpr std::uint32_t kGuardSamples = 46;
constexpr std::size_t kNameBytes = 20;
constexpr std::uint64_t kHeaderRoom = 1u << 24;  // far more than the records of 65535 samples take

constexpr std::size_t kModulatorBytes = 10;
constexpr std::size_t kSampleHeaderBytes = sizeof(Sf2SampleHeader);
constexpr int kPanRight = 500;

// One sample of the bank: a mono wavesample, or one channel of a stereo one.
struct Sample {
    const WavesampleRec* wave;
    int channel;  // -1 mono, 0 left, 1 right
    LoopPoints loop;
};

struct Layout {
    std::vector<Sample> samples;  // a wavesample's first is at its exportIndex
    std::vector<BankInstrument> instruments;
    std::vector<int> presetSlots;  // each instrument's bank × 128 + program
};

// Each instrument's preset: its own program in bank 0 when free, else the next free one (past
// program 127 in the next bank); those without a program take what is left, after them.
std::vector<int> PresetSlots(const std::vector<BankInstrument>& instruments)
{
    std::vector<int> slots(instruments.size());
    std::array<bool, 128> used{};  // bank 0's programs
    int nextPastBank0 = 128;       // past bank 0, slots are given out in turn
    for (const bool wanting : {true, false}) {
        for (std::size_t i = 0; i < instruments.size(); ++i) {
            if ((instruments[i].program >= 0) != wanting) continue;
            int slot = std::max(instruments[i].program, 0);
            while (slot < 128 && used[slot]) ++slot;
            if (slot < 128) {
                used[slot] = true;
            } else {
                slot = nextPastBank0++;
            }
            slots[i] = slot;
        }
    }
    return slots;
}

void NoteLosses(WaveStore& store, const WavesampleRec& wave)
{
    NoteSampleLosses(store, wave, false);
    NoteCutName(store, wave.name, kNameBytes);
    if (!Loops(wave)) return;
    if ((wave.loopFlags & (kLoopBidirectional | kLoopReverse)) != 0)
        store.NoteLoss("Bidirectional and reverse loops played forward");
    if (wave.loopStartFrac != 0 || wave.loopEndFrac != 0) store.NoteLoss("Loop fractions dropped");
}

bool MakeLayout(WaveStore& store, ItemId item, Layout& layout)
{
    BankContents contents;
    if (!CollectBank(store, item, contents)) return RefuseKind(kWhere, "SF2");
    layout.instruments = std::move(contents.instruments);
    for (WavesampleRec* wave : contents.waves) {
        wave->exportIndex = static_cast<std::uint32_t>(layout.samples.size());
        const LoopPoints loop = LoopToWrite(store, *wave);
        if (wave->layout.channels > 1) {
            layout.samples.push_back({wave, 0, loop});
            layout.samples.push_back({wave, 1, loop});
        } else {
            layout.samples.push_back({wave, -1, loop});
        }
        NoteLosses(store, *wave);
    }
    for (const BankInstrument& instrument : layout.instruments) NoteCutName(store, instrument.name, kNameBytes);
    layout.presetSlots = PresetSlots(layout.instruments);
    return true;
}

void PutName(ByteWriter& w, const char* name)
{
    char field[kNameBytes];
    PutFixedText(field, name);
    w.Text(std::string_view(field, sizeof field), sizeof field);
}

ByteWriter InfoList(const char* bankName)
{
    ByteWriter info = ByteWriter{}.Tag("INFO");
    info.Append(RiffChunk("ifil", ByteWriter{}.Le16(2).Le16(1)));
    info.Append(RiffChunk("isng", ByteWriter{}.Text("EMU8000", 8)));
    info.Append(RiffChunk("INAM", PaddedName(bankName)));
    info.Append(RiffChunk("ISFT", PaddedName(kShortCreatorText)));
    return RiffChunk("LIST", info);
}

bool WriteSampleData(const Layout& layout, File& file)
{
    FileChunk sampleData(file, ChunkOrder::Riff, "smpl");
    const std::uint8_t guard[2 * kGuardSamples] = {};
    for (const Sample& sample : layout.samples) {
        SoundFontSink sink(file, kWhere, sample.channel);
        if (!CopyWave(*sample.wave, sink)) return false;
        if (!file.Write(guard, sizeof guard)) return Fail(kWhere, "File Write Error");
    }
    return sampleData.Close() || Fail(kWhere, "File Write Error");
}

// The generators of a zone that plays one sample of a wavesample; keyRange first and sampleID
// last, as the format asks.
void ZoneGenerators(ByteWriter& out, std::size_t& count, const Layout& layout, const BankInstrument& instrument,
                    const BankZone& zone, int channel)
{
    const auto put = [&](std::uint16_t generator, int amount) {
        out.Le16(generator).Le16(static_cast<std::uint16_t>(amount));
        ++count;
    };
    const WavesampleRec& wave = *zone.wave;
    put(kGenKeyRange, zone.lowKey | zone.highKey << 8);
    VolumeEnvelope envelope;
    if (SbkVolumeEnvelope(wave, envelope)) {
        // Decay and release times are given for the whole 100 dB; ours for the part they cover.
        const int sustain = std::clamp(envelope.sustainCentibels, 0, 1000);
        put(kSf2AttackVolEnv, SbkTimecents(envelope.attack));
        put(kSf2DecayVolEnv, SbkTimecents(envelope.decay * 1000 / std::max(sustain, 1)));
        put(kGenSustainVolEnv, sustain);
        put(kSf2ReleaseVolEnv, SbkTimecents(envelope.release * 1000 / std::max(1000 - sustain, 1)));
    }
    if (const int attenuation = SbkVolumeCentibels(instrument.volume, wave.volume))
        put(kGenInitialAttenuation, attenuation);
    const int pan = channel >= 0 ? (channel == 0 ? -kPanRight : kPanRight)
                                 : std::clamp((wave.pan - 63) * kPanRight / 63, -kPanRight, kPanRight);
    if (pan != 0) put(kGenPan, pan);
    if (const int fine = SbkFineCents(wave.fineTune)) put(kGenFineTune, fine);
    const LoopPoints& loop = layout.samples[wave.exportIndex].loop;
    if (Loops(wave) && loop.end > loop.start) put(kGenSampleModes, 1);  // players drop empty loops
    put(kGenOverridingRootKey, std::min<int>(wave.rootKey, 127));
    put(kGenSampleId, static_cast<int>(wave.exportIndex) + std::max(channel, 0));
}

struct InstrumentRecords {
    ByteWriter headers, bags, generators;
};

InstrumentRecords Instruments(const Layout& layout)
{
    InstrumentRecords out;
    std::size_t bags = 0, generators = 0;
    for (const BankInstrument& instrument : layout.instruments) {
        PutName(out.headers, instrument.name);
        out.headers.Le16(static_cast<std::uint16_t>(bags));
        const auto addZone = [&](const BankZone& zone, int channel) {
            out.bags.Le16(static_cast<std::uint16_t>(generators)).Le16(0);
            ++bags;
            ZoneGenerators(out.generators, generators, layout, instrument, zone, channel);
        };
        for (const BankZone& zone : instrument.zones) {
            if (zone.wave->layout.channels > 1) {
                addZone(zone, 0);
                addZone(zone, 1);
            } else {
                addZone(zone, -1);
            }
        }
    }
    out.headers.Text("EOI", kNameBytes).Le16(static_cast<std::uint16_t>(bags));
    out.bags.Le16(static_cast<std::uint16_t>(generators)).Le16(0);
    out.generators.Zeros(4);
    return out;
}

ByteWriter PresetHeaders(const Layout& layout)
{
    ByteWriter out;
    for (std::size_t i = 0; i < layout.instruments.size(); ++i) {
        PutName(out, layout.instruments[i].name);
        const int slot = layout.presetSlots[i];
        out.Le16(static_cast<std::uint16_t>(slot % 128)).Le16(static_cast<std::uint16_t>(slot / 128));
        out.Le16(static_cast<std::uint16_t>(i)).Zeros(12);
    }
    return out.Text("EOP", kNameBytes)
        .Le16(0)
        .Le16(0)
        .Le16(static_cast<std::uint16_t>(layout.instruments.size()))
        .Zeros(12);
}

ByteWriter SampleHeaders(const Layout& layout)
{
    ByteWriter out;
    std::uint32_t start = 0;
    for (std::size_t i = 0; i < layout.samples.size(); ++i) {
        const Sample& sample = layout.samples[i];
        const WavesampleRec& wave = *sample.wave;
        PutName(out, wave.name);
        out.Le32(start).Le32(start + wave.length).Le32(start + sample.loop.start).Le32(start + sample.loop.end);
        out.Le32(wave.sampleRate).U8(std::min<std::uint8_t>(wave.rootKey, 127)).U8(0);
        const std::size_t partner = sample.channel == 0 ? i + 1 : sample.channel == 1 ? i - 1 : 0;
        const Sf2SampleType type = sample.channel == 0   ? kSf2LeftSample
                                   : sample.channel == 1 ? kSf2RightSample
                                                         : kSf2MonoSample;
        out.Le16(static_cast<std::uint16_t>(partner)).Le16(type);
        start += wave.length + kGuardSamples;
    }
    return out.Text("EOS", kSampleHeaderBytes);
}

ByteWriter PresetData(const Layout& layout)
{
    const std::size_t presets = layout.instruments.size();
    ByteWriter presetBags, presetGenerators;
    for (std::size_t i = 0; i <= presets; ++i) presetBags.Le16(static_cast<std::uint16_t>(i)).Le16(0);
    for (std::size_t i = 0; i < presets; ++i) presetGenerators.Le16(kGenInstrument).Le16(static_cast<std::uint16_t>(i));
    presetGenerators.Zeros(4);
    const InstrumentRecords instruments = Instruments(layout);
    ByteWriter list = ByteWriter{}.Tag("pdta");
    list.Append(RiffChunk("phdr", PresetHeaders(layout)));
    list.Append(RiffChunk("pbag", presetBags));
    list.Append(RiffChunk("pmod", ByteWriter{}.Zeros(kModulatorBytes)));
    list.Append(RiffChunk("pgen", presetGenerators));
    list.Append(RiffChunk("inst", instruments.headers));
    list.Append(RiffChunk("ibag", instruments.bags));
    list.Append(RiffChunk("imod", ByteWriter{}.Zeros(kModulatorBytes)));
    list.Append(RiffChunk("igen", instruments.generators));
    list.Append(RiffChunk("shdr", SampleHeaders(layout)));
    return RiffChunk("LIST", list);
}

// Whether every index the records hold fits their 16 bits, and the data a RIFF size.
bool Fits(const Layout& layout)
{
    constexpr std::size_t kMostGenerators = 12;  // one zone's
    std::uint64_t sampleBytes = 0, zones = 0;
    for (const Sample& sample : layout.samples) sampleBytes += 2 * (std::uint64_t{sample.wave->length} + kGuardSamples);
    for (const BankInstrument& instrument : layout.instruments) zones += 2 * instrument.zones.size();
    return sampleBytes <= UINT32_MAX - kHeaderRoom && layout.samples.size() < 65535 &&
           layout.instruments.size() < 65535 && zones * kMostGenerators < 65535;
}

}  // namespace

bool sf2_Write(WaveStore& store, File* file, ItemId item)
{
    Layout layout;
    if (!MakeLayout(store, item, layout)) return false;
    if (file == nullptr) return Fail(kWhere, "File Write Error");
    if (!Fits(layout)) return Fail(kWhere, "Too much data for a SoundFont bank");
    const BankRec* bank = store.FetchBank();
    FileChunk riff(*file, ChunkOrder::Riff, "RIFF");
    if (!ByteWriter{}.Tag("sfbk").Append(InfoList(bank != nullptr ? bank->name : "")).WriteTo(*file)) {
        return Fail(kWhere, "File Write Error");
    }
    FileChunk samples(*file, ChunkOrder::Riff, "LIST");
    if (!ByteWriter{}.Tag("sdta").WriteTo(*file)) return Fail(kWhere, "File Write Error");
    if (!WriteSampleData(layout, *file)) return false;
    const bool written = samples.Close() && PresetData(layout).WriteTo(*file) && riff.Close();
    return written || Fail(kWhere, "File Write Error");
}
