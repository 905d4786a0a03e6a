// WaveFront bank and program writer: a program file from one instrument or wavesample, a bank
// file of every instrument and loose wavesample, each a program, a patch and its sample
// records (a multisample first when it has several regions), all data embedded. Little-endian.
#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/common/fixed_text.h"
#include "formats/formats.h"
#include "formats/instrument/wfs.h"
#include "store/creator_text.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "wfs_Write";
constexpr std::uint32_t kSampleRecordExtra = sizeof(WfsSampleHeader) + sizeof(WfsSampleBlock) + kWfsPathBytes;
constexpr std::uint32_t kMultisampleRecord = sizeof(WfsSampleHeader) + sizeof(WfsMultisample);
// Sample numbers are signed 16-bit in a multisample; a patch names one in 9 bits.
constexpr std::size_t kMaxSamples = 32767;
constexpr std::uint32_t kPatchSamples = 512;

constexpr std::uint8_t kLoopingEnvelope[14] = {0x00, 0x00, 0x00, 0x66, 0x4B, 0x00, 0x7F,
                                               0x7F, 0x7F, 0x2A, 0x81, 0x7F, 0x7F, 0x0C};
constexpr std::uint8_t kPlainEnvelope[14] = {0x00, 0x00, 0x7F, 0x7F, 0x7F, 0x00, 0x7F,
                                             0x7F, 0x7F, 0x7F, 0x7F, 0x00, 0x00, 0x00};

// One program of the file: an instrument's regions, or a wavesample over every key.
struct Program {
    const char* name;
    std::uint8_t volume;
    std::vector<KeyRegion> regions;
    std::uint32_t firstSample = 0;  // number of its first sample record

    std::uint32_t SampleRecords() const
    {
        return regions.size() > 1 ? static_cast<std::uint32_t>(regions.size()) + 1 : static_cast<std::uint32_t>(regions.size());
    }
};

Program WaveProgram(const WavesampleRec& wave, ItemId id)
{
    return {wave.name, wave.volume, {{id, 0, 127}}};
}

// The regions whose wavesample is there.
Program InstrumentProgram(const WaveStore& store, const InstrumentRec& instrument)
{
    Program program{instrument.name, instrument.layer.volume, {}};
    for (int r = 0; r < instrument.layer.regionCount; ++r) {
        if (store.FetchWave(instrument.layer.regions[r].wave) != nullptr)
            program.regions.push_back(instrument.layer.regions[r]);
    }
    return program;
}

// Loose wavesamples first, then the instruments; an instrument without regions would play
// nothing and is left out.
std::vector<Program> BankPrograms(const WaveStore& store)
{
    std::vector<Program> programs;
    store.ForEachItem([&](ItemId id, void* record) {
        const auto* wave = static_cast<const WavesampleRec*>(record);
        if (IsWave(id) && wave->owner == NO_ITEM) programs.push_back(WaveProgram(*wave, id));
    });
    store.ForEachItem([&](ItemId id, void* record) {
        if (!IsInstrument(id)) return;
        Program program = InstrumentProgram(store, *static_cast<const InstrumentRec*>(record));
        if (!program.regions.empty()) programs.push_back(std::move(program));
    });
    return programs;
}

WfsHeader FileHeader(WaveStore& store, ItemId item, const std::vector<Program>& programs, std::uint32_t samples)
{
    WfsHeader h{};
    std::memcpy(h.maker, "Maui", 4);
    std::strcpy(h.type, IsBank(item) ? "Bank" : "Program");
    h.version.Set(120);
    const auto count = static_cast<std::uint16_t>(programs.size());
    h.programs.Set(count);
    h.patches.Set(count);
    h.samples.Set(static_cast<std::uint16_t>(samples));
    h.programOffset.Set(sizeof(WfsHeader));
    h.patchOffset.Set(sizeof(WfsHeader) + sizeof(WfsProgram) * count);
    h.sampleOffset.Set(sizeof(WfsHeader) + (sizeof(WfsProgram) + sizeof(WfsPatch)) * count);
    h.one.Set(1);
    if (const WavesampleRec* wave = store.FetchWave(item)) {
        h.sampleBytes.Set(wave->length * Delivered(*wave).bytesPerSample);
        std::memcpy(h.name, kCreatorText, sizeof kCreatorText);
    } else if (const InstrumentRec* instrument = store.FetchInstrument(item)) {
        h.sampleBytes.Set(instrument->layer.layerBytes);
        PutFixedText(h.name, instrument->note);
    } else {
        std::uint64_t bytes = 0;
        store.ForEachItem([&](ItemId id, void* record) {
            if (IsInstrument(id)) bytes += static_cast<const InstrumentRec*>(record)->layer.layerBytes;
        });
        h.sampleBytes.Set(static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, UINT32_MAX)));
        PutName(store, h.name, store.FetchBank()->name);
    }
    return h;
}

WfsProgram ProgramRecord(WaveStore& store, const Program& program, std::size_t index)
{
    WfsProgram p{};
    for (auto& layer : p.layers) {
        layer[1] = 0x7F;
        layer[3] = 0x18;
    }
    p.layers[0][0] = static_cast<std::uint8_t>(index);
    p.layers[0][1] = static_cast<std::uint8_t>(0x80 + (((program.volume >> 1) + 64) & 0x7F));
    PutName(store, p.name, program.name);
    return p;
}

// The envelope follows the middle region's wavesample: held while it loops.
WfsPatch PatchRecord(WaveStore& store, const Program& program, std::size_t index)
{
    WfsPatch p{};
    static constexpr std::uint8_t kHead[12] = {0x00, 0x00, 0x7F, 0x00, 0x00, 0x02, 0x40, 0xA0, 0x02, 0x00, 0x0A, 0x40};
    std::memcpy(&p, kHead, sizeof kHead);
    if (program.firstSample >= kPatchSamples) store.NoteLoss("Programs past the 512th sample record play another sample");
    p.sample = static_cast<std::uint8_t>(program.firstSample);
    p.sampleHigh |= static_cast<std::uint8_t>((program.firstSample & 0x100) >> 4);
    const WavesampleRec* middle =
        program.regions.empty() ? nullptr : store.FetchWave(program.regions[program.regions.size() / 2].wave);
    std::memcpy(p.envelope, middle != nullptr && Loops(*middle) ? kLoopingEnvelope : kPlainEnvelope, sizeof p.envelope);
    p.number.Set(static_cast<std::uint16_t>(index));
    PutName(store, p.name, program.name);
    return p;
}

WfsSampleHeader SampleHeader(WaveStore& store, WfsSampleKind kind, std::uint32_t number, const char* name,
                             std::uint32_t sampleRate)
{
    WfsSampleHeader h{};
    h.kind.Set(kind);
    h.number.Set(static_cast<std::uint16_t>(number));
    PutName(store, h.name, name);
    h.sampleRate.Set(sampleRate);
    return h;
}

// Keys outside every region play the first region's sample.
bool WriteMultisample(WaveStore& store, File& file, const Program& program, std::uint32_t number)
{
    WfsSampleHeader h = SampleHeader(store, kWfsMultisample, number, program.name,
                                     store.FetchWave(program.regions[0].wave)->sampleRate);
    h.size.Set(kMultisampleRecord);
    WfsMultisample table{};
    table.keysLog2.Set(7);
    for (auto& key : table.samples) key.Set(static_cast<std::uint16_t>(number + 1));
    for (std::size_t r = 0; r < program.regions.size(); ++r) {
        for (int key = program.regions[r].lowKey; key <= program.regions[r].highKey; ++key)
            table.samples[key].Set(static_cast<std::uint16_t>(number + 1 + r));
    }
    return (file.Write(&h, sizeof h) && file.Write(&table, sizeof table)) || Fail(kWhere, "File Write Error");
}

WfsSampleBlock SampleBlock(WaveStore& store, const WavesampleRec& wave)
{
    const LoopPoints loop = LoopToWrite(store, wave);
    if (Loops(wave) && loop.end > 0xFFFFF) store.NoteLoss("Loop points past sample 1048575 moved");
    WfsSampleBlock b{};
    b.loopStart.Set(WfsPosition(loop.start, wave.loopStartFrac));
    b.loopEnd.Set(WfsPosition(loop.end, wave.loopEndFrac));
    b.end.Set(WfsPosition(wave.length, 0));
    b.bias.Set(static_cast<std::uint16_t>(wfs_PitchToBias(wave.rootKey, wave.fineTune, wave.sampleRate)));
    b.flags = static_cast<std::uint8_t>((Delivered(wave).bytesPerSample == 2 ? 0 : kWfs8Bit) |
                                        (Loops(wave) ? kWfsLoop : 0) |
                                        ((wave.loopFlags & kLoopBidirectional) != 0 ? kWfsBidirectional : 0) |
                                        ((wave.loopFlags & kLoopReverse) != 0 ? kWfsReverse : 0));
    return b;
}

// Mono at the wavesample's own width: 16-bit signed, 8-bit unsigned.
bool WriteSample(WaveStore& store, File& file, const WavesampleRec& wave, std::uint32_t number)
{
    NoteSampleLosses(store, wave, true);
    const bool wide = Delivered(wave).bytesPerSample == 2;
    const std::uint32_t bytes = wave.length * (wide ? 2 : 1);
    WfsSampleHeader h = SampleHeader(store, kWfsSample, number, wave.name, wave.sampleRate);
    h.size.Set(bytes + kSampleRecordExtra);
    h.dataBytes.Set(bytes);
    h.length.Set(wave.length);
    const WfsSampleBlock block = SampleBlock(store, wave);
    char path[kWfsPathBytes] = "EMBEDDED";
    const bool written = file.Write(&h, sizeof h) && file.Write(&block, sizeof block) && file.Write(path, sizeof path);
    if (!written) return Fail(kWhere, "File Write Error");
    return CopyToFile(wave, wide ? SinkMonoSignedLE : SinkMonoUnsignedLE, file, kWhere);
}

bool WriteSamples(WaveStore& store, File& file, const Program& program)
{
    std::uint32_t number = program.firstSample;
    if (program.regions.size() > 1 && !WriteMultisample(store, file, program, number++)) return false;
    for (const KeyRegion& region : program.regions) {
        if (!WriteSample(store, file, *store.FetchWave(region.wave), number++)) return false;
    }
    return true;
}

bool Programs(WaveStore& store, ItemId item, std::vector<Program>& programs)
{
    if (const WavesampleRec* wave = store.FetchWave(item)) {
        programs = {WaveProgram(*wave, item)};
    } else if (const InstrumentRec* instrument = store.FetchInstrument(item)) {
        programs = {InstrumentProgram(store, *instrument)};
    } else if (IsBank(item) && store.FetchBank() != nullptr) {
        programs = BankPrograms(store);
    } else {
        return RefuseKind(kWhere, "WFP/.WFB");
    }
    return true;
}

}  // namespace

bool wfs_Write(WaveStore& store, File* file, ItemId item)
{
    std::vector<Program> programs;
    if (!Programs(store, item, programs)) return false;
    std::uint32_t samples = 0;
    for (Program& program : programs) {
        program.firstSample = samples;
        samples += program.SampleRecords();
    }
    if (samples > kMaxSamples) return Fail(kWhere, "Too many samples for a WaveFront bank");
    if (file == nullptr) return Fail(kWhere, "File Write Error");
    const WfsHeader header = FileHeader(store, item, programs, samples);
    if (!file->Write(&header, sizeof header)) return Fail(kWhere, "File Write Error");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const WfsProgram record = ProgramRecord(store, programs[i], i);
        if (!file->Write(&record, sizeof record)) return Fail(kWhere, "File Write Error");
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const WfsPatch record = PatchRecord(store, programs[i], i);
        if (!file->Write(&record, sizeof record)) return Fail(kWhere, "File Write Error");
    }
    for (const Program& program : programs) {
        if (!WriteSamples(store, *file, program)) return false;
    }
    return true;
}
