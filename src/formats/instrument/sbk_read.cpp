// SoundFont bank (format version 1) reader: samples from "snam"/"smpl"/"shdr", presets and
// instruments from "pdta" with the generators KOBA uses. Little-endian. The chunk walk serves
// the SoundFont 2 reader too.
//
// Instruments are folded into the presets that use them: a preset zone's instrument generator
// copies that instrument's key map into the preset. This holds for instruments of any number
// of zones and for instruments several presets share, so a bank's presets keep their keys,
// names and program numbers; an instrument is removed once folded, and one no preset uses stays
// an item of its own. The generator names the instrument by its place in the "inst" list, as
// SoundFont banks mean it. Zone records are read by their generator index alone, so banks with
// modulators read like any other.
//
// Index ranges (an item's zones, a zone's generators) are made safe once before they are
// used: each lies within its table and starts no earlier than the one before it ends, so a
// hostile bank costs no more work than its size.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/formats.h"
#include "formats/instrument/sbk.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "sbk_Read";
constexpr std::uint32_t kPresetBit = 0x4000000;  // presets' ids above every instrument's

// A preset or an instrument and the zones (bag records) that belong to it.
struct ZonedItem {
    ItemId id;
    SbkRange zones;
};

// Makes ranges read from a file safe: each lies within a table of `size` records and starts
// no earlier than the range before it ends. A range that runs backwards or past the table
// comes out empty, and ranges never overlap.
void MakeSafe(std::span<SbkRange> ranges, std::size_t size)
{
    const auto bound = static_cast<std::uint32_t>(std::min<std::size_t>(size, UINT32_MAX));
    std::uint32_t floor = 0;
    for (SbkRange& range : ranges) {
        const std::uint32_t first = std::max(std::min(range.first, bound), floor);
        const std::uint32_t end = std::max(std::min(range.end, bound), first);
        range = {first, end};
        floor = end;
    }
}

// Each zone's generators run from its bag's generator index to the next bag's (the last
// zone's to the end of the list).
std::vector<SbkRange> GeneratorRanges(const std::vector<std::uint16_t>& bags, std::size_t generators)
{
    std::vector<SbkRange> ranges(bags.size());
    for (std::size_t z = 0; z < bags.size(); ++z) {
        const std::size_t end = z + 1 < bags.size() ? bags[z + 1] : generators;
        ranges[z] = {bags[z], static_cast<std::uint32_t>(std::min<std::size_t>(end, UINT32_MAX))};
    }
    MakeSafe(ranges, generators);
    return ranges;
}

template <class Record>
std::vector<Record> Records(ByteReader body)
{
    std::vector<Record> records(static_cast<std::size_t>(body.Size() / sizeof(Record)));
    for (Record& record : records) record = body.Get<Record>();
    return records;
}

std::vector<std::uint16_t> BagGenerators(ByteReader body)
{
    std::vector<std::uint16_t> zones;
    for (const SbkZone& zone : Records<SbkZone>(body)) zones.push_back(zone.generator);
    return zones;
}

std::string_view RecordName(const char (&name)[20])
{
    return {name, strnlen(name, sizeof name)};
}

// The headers up to the terminal record; each header's zones end where the next one's begin.
template <class Header>
void ReadHeaders(ByteReader body, std::string_view terminal, std::vector<Header>& headers,
                 std::vector<SbkRange>& zones)
{
    for (const Header& header : Records<Header>(body)) {
        if (!zones.empty()) zones.back().end = header.firstZone;
        if (RecordName(header.name) == terminal) return;
        headers.push_back(header);
        zones.push_back({header.firstZone, header.firstZone});
    }
}

// The walk's findings before the zone ranges are made safe.
struct Walked {
    SbkChunks bank;
    std::vector<std::uint16_t> presetBags;  // each zone's first generator
    std::vector<std::uint16_t> instrumentBags;
};

bool HandleChunk(WaveStore& store, Chunk& chunk, std::string_view list, Walked& walked)
{
    SbkChunks& bank = walked.bank;
    if (list == "INFO" && chunk.Is("INAM")) {
        if (BankRec* b = store.FetchBank()) chunk.body.Text(b->name, std::min<std::uint64_t>(chunk.body.Size(), 80));
    } else if (list == "INFO" && chunk.Is("ifil")) {
        bank.version = chunk.body.Le16();
    } else if (list == "sdta" && chunk.Is("snam")) {
        bank.haveNames = true;
        bank.names = chunk.body;
    } else if (list == "sdta" && chunk.Is("smpl")) {
        bank.sampleDataStart = chunk.body.Offset();
        bank.sampleDataBytes = chunk.body.Size();
    } else if (list == "pdta" && chunk.Is("phdr")) {
        ReadHeaders(chunk.body, "EOP", bank.presets, bank.presetZones);
    } else if (list == "pdta" && chunk.Is("inst")) {
        ReadHeaders(chunk.body, "EOI", bank.instruments, bank.instrumentZones);
    } else if (list == "pdta" && chunk.Is("pbag")) {
        walked.presetBags = BagGenerators(chunk.body);
    } else if (list == "pdta" && chunk.Is("ibag")) {
        walked.instrumentBags = BagGenerators(chunk.body);
    } else if (list == "pdta" && chunk.Is("pgen")) {
        bank.presetGenerators = Records<SbkGenerator>(chunk.body);
    } else if (list == "pdta" && chunk.Is("igen")) {
        bank.instrumentGenerators = Records<SbkGenerator>(chunk.body);
    } else if (list == "pdta" && chunk.Is("shdr")) {
        bank.sampleHeaders = chunk.body;
    }
    return true;
}

}  // namespace

SbkChunks ReadSbkChunks(WaveStore& store, const File& file)
{
    Walked walked;
    const auto handle = [&](auto& self, Chunk& chunk, std::string_view list) -> bool {
        if (chunk.Is("RIFF") || chunk.Is("LIST")) {
            return WalkInside(chunk, [&](Chunk& inner) { return self(self, inner, chunk.Type()); });
        }
        return HandleChunk(store, chunk, list, walked);
    };
    WalkChunks(ByteReader(file), ChunkOrder::Riff, [&](Chunk& chunk) { return handle(handle, chunk, ""); });
    SbkChunks& bank = walked.bank;
    MakeSafe(bank.presetZones, walked.presetBags.size());
    MakeSafe(bank.instrumentZones, walked.instrumentBags.size());
    bank.presetZoneGenerators = GeneratorRanges(walked.presetBags, bank.presetGenerators.size());
    bank.instrumentZoneGenerators = GeneratorRanges(walked.instrumentBags, bank.instrumentGenerators.size());
    return bank;
}

std::string SbkPresetName(const SbkPresetHeader& header)
{
    const std::string_view name = RecordName(header.name);
    if (!name.empty()) return std::string(name);
    const std::string numbers = "(bank " + std::to_string(header.bank) + ", preset " + std::to_string(header.preset) + ")";
    return (header.bank == 128 ? "Drum kit " : "Preset ") + numbers;
}

namespace {

// One wavesample per "snam" record.
void CreateSamples(WaveStore& store, ByteReader names)
{
    char name[20];
    for (std::uint32_t index = 0; names.Left() >= sizeof name; ++index) {
        names.Read(name, sizeof name);
        store.NewWavesample(index, std_Copy, name, sizeof name);
    }
}

// Sample headers give each sample its place in the sample data; samples of the synthesizer's
// ROM (before the first one that starts at 0) are dropped.
void PlaceSamples(WaveStore& store, const SbkChunks& bank)
{
    const std::uint64_t dataSamples = bank.sampleDataBytes / 2;
    const std::vector<SbkSampleHeader> headers = Records<SbkSampleHeader>(bank.sampleHeaders);
    std::vector<std::uint64_t> missing(headers.size());  // past the data the file holds
    for (std::size_t i = 0; i < headers.size(); ++i) {
        WavesampleRec* wave = store.FetchWave(kWaveKind | static_cast<std::uint32_t>(i));
        const SbkSampleHeader& h = headers[i];
        if (wave == nullptr || h.end < h.start) continue;
        // The end is the first sample after the sample (its guard samples follow), and never
        // what lies past the sample data is claimed.
        const std::uint64_t available = dataSamples > h.start ? dataSamples - h.start : 0;
        const std::uint64_t wanted = std::uint64_t{h.end} - h.start;
        wave->length = static_cast<std::uint32_t>(std::min(wanted, available));
        missing[i] = wanted - wave->length;
        wave->layout.bits = 16;
        wave->layout.isSigned = true;
        wave->layout.offset = std::uint64_t{h.start} * 2;  // made absolute below
        wave->layout.bytes = std::uint64_t{wave->length} * 2;
        wave->loopStart = h.loopStart - h.start;
        wave->loopEnd = h.loopEnd - h.start;
        wave->sampleRate = 44100;
    }
    std::uint64_t missingInRam = 0;
    bool inRam = false;
    ItemId id = 0;
    void* record = nullptr;
    for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
        if (!IsWave(id)) continue;
        auto& wave = *static_cast<WavesampleRec*>(record);
        inRam = inRam || wave.layout.offset == 0;
        if (!inRam) {
            store.DeleteItem(id);
            continue;
        }
        wave.layout.offset += bank.sampleDataStart;
        if ((id & kIndexMask) < missing.size()) missingInRam += missing[id & kIndexMask];
    }
    if (missingInRam > 0) store.NoteCutShort(missingInRam);
}

// One item per preset and per instrument, named by its first zone.
std::vector<ZonedItem> CreatePresets(WaveStore& store, const SbkChunks& bank)
{
    std::vector<ZonedItem> items;
    for (std::size_t p = 0; p < bank.presets.size(); ++p) {
        const SbkPresetHeader& header = bank.presets[p];
        const std::string name = SbkPresetName(header);
        const std::uint32_t index = header.firstZone | kPresetBit;
        InstrumentRec& item = *store.NewInstrument(index, NO_ITEM, name.c_str(), static_cast<int>(name.size()));
        item.program = static_cast<std::uint8_t>(header.preset);
        items.push_back({index | kInstrumentKind, bank.presetZones[p]});
    }
    return items;
}

std::vector<ZonedItem> CreateInstruments(WaveStore& store, const SbkChunks& bank)
{
    std::vector<ZonedItem> items;
    for (std::size_t i = 0; i < bank.instruments.size(); ++i) {
        const SbkInstrumentHeader& header = bank.instruments[i];
        store.NewInstrument(header.firstZone, NO_ITEM, header.name, 20);
        items.push_back({header.firstZone | kInstrumentKind, bank.instrumentZones[i]});
    }
    return items;
}

// A loop point moved by a zone's offset, kept within the sample.
std::uint32_t MovedWithin(std::uint32_t point, std::int32_t offset, std::uint32_t length)
{
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(std::int64_t{point} + offset, 0, length));
}

// What generators set while the zones of one item are read.
struct ZoneState {
    std::uint16_t volume = 127;
    std::uint16_t pan = 63;
    std::uint16_t loop = 0;
    int lowKey = 0;
    int highKey = 127;
    int root = 60;
    int pitch = 6000;
    std::int16_t loopStartOffset = 0;
    std::int16_t loopEndOffset = 0;
    int cents = 0;  // coarse and fine tune
};

class ZoneReader {
public:
    ZoneReader(WaveStore& store, const SbkChunks& bank, const std::vector<ZonedItem>& instruments)
        : store_(store), bank_(bank), instruments_(instruments), folded_(instruments.size(), false)
    {
        store_.ForEachItem([&](ItemId id, void* record) {
            const auto* wave = static_cast<const WavesampleRec*>(record);
            if (IsWave(id)) headerLoops_[id] = {wave->loopStart, wave->loopEnd};
        });
    }

    void ReadItem(const ZonedItem& item, bool preset)
    {
        InstrumentRec* instrument = store_.FetchInstrument(item.id);
        if (instrument == nullptr) return;
        const std::vector<SbkRange>& zones = preset ? bank_.presetZoneGenerators : bank_.instrumentZoneGenerators;
        const std::vector<SbkGenerator>& generators = preset ? bank_.presetGenerators : bank_.instrumentGenerators;
        ZoneState state;
        for (std::uint32_t z = item.zones.first; z < item.zones.end; ++z) {
            state.lowKey = 0, state.highKey = 127, state.root = 60, state.pitch = 6000;
            state.loopStartOffset = 0, state.loopEndOffset = 0, state.cents = 0;
            for (std::uint32_t g = zones[z].first; g < zones[z].end; ++g) Apply(generators[g], state, *instrument);
        }
    }

    // Instruments folded into a preset go once every preset has taken its keys from them.
    void RemoveFolded()
    {
        for (std::size_t i = 0; i < folded_.size(); ++i) {
            if (folded_[i]) store_.DeleteItem(instruments_[i].id);
        }
    }

private:
    void Apply(const SbkGenerator& generator, ZoneState& s, InstrumentRec& item)
    {
        const std::uint16_t amount = generator.amount;
        switch (generator.number) {
        case kGenStartLoopOffset:
            s.loopStartOffset = AsSigned(amount);
            break;
        case kGenEndLoopOffset:
            s.loopEndOffset = AsSigned(amount);
            break;
        case kGenPan:
            s.pan = amount;
            break;
        case kGenCoarseTune:
            s.cents += 100 * AsSigned(amount);
            break;
        case kGenFineTune:
            s.cents += AsSigned(amount);
            break;
        case kGenKeyRange:
            s.lowKey = (amount & 0xFF) > 127 ? 0 : amount & 0xFF;
            s.highKey = (amount >> 8) > 127 ? 127 : amount >> 8;
            break;
        case kGenInitialAttenuation:
            s.volume = amount;
            break;
        case kGenSampleModes:
            s.loop = amount;
            break;
        case kGenPitch:
            s.pitch = amount;
            break;
        case kGenOverridingRootKey:
            s.root = amount;
            break;
        case kGenInstrument:
            Fold(amount, item);
            break;
        case kGenSampleId:
            MapSample(amount, s, item);
            break;
        default:
            break;
        }
    }

    void Fold(std::uint16_t position, InstrumentRec& preset)
    {
        if (position >= instruments_.size()) return;
        const ItemId id = instruments_[position].id;
        InstrumentRec* instrument = store_.FetchInstrument(id);
        if (instrument == nullptr) return;
        const char first = instrument->name[0];
        if (first == '\0' || first == '\xFF' || first == 'X' || first == ' ')
            std::memcpy(instrument->name, preset.name, kNameSize);
        for (int key = 0; key < 128; ++key) {
            const ItemId entry = instrument->layer.keyMap[key];
            if ((entry & kIndexMask) != kIndexMask) preset.layer.keyMap[key] = entry;
        }
        folded_[position] = true;
    }

    void MapSample(std::uint16_t sample, ZoneState& s, InstrumentRec& item)
    {
        const ItemId id = kWaveKind | sample;
        if (WavesampleRec* wave = store_.FetchWave(id)) {
            // Whole semitones of the tuning move the root key, the cents left over are the fine tune.
            wave->rootKey = static_cast<std::uint8_t>(std::clamp(s.root - s.cents / 100, 0, 127));
            wave->fineTune = static_cast<std::int8_t>(s.cents % 100 * 128 / 100);
            wave->sampleRate = SbkCentsToRate(s.pitch);
            wave->volume = static_cast<std::uint8_t>(s.volume);
            wave->pan = static_cast<std::uint8_t>(s.pan);
            if (s.loop != 0) wave->loopFlags |= kLoopFound;
            // The zone moves the loop its sample header gives.
            const auto [loopStart, loopEnd] = headerLoops_.at(id);
            wave->loopStart = MovedWithin(loopStart, s.loopStartOffset, wave->length);
            wave->loopEnd = MovedWithin(loopEnd, s.loopEndOffset, wave->length);
        }
        for (int key = s.lowKey; key <= s.highKey; ++key) item.layer.keyMap[key] = id;
        if (s.lowKey <= s.highKey) s.lowKey = s.highKey + 1;
        s.highKey = 127;
    }

    WaveStore& store_;
    const SbkChunks& bank_;
    const std::vector<ZonedItem>& instruments_;  // in "inst" order: the instrument generator's index
    std::vector<bool> folded_;
    std::unordered_map<ItemId, std::pair<std::uint32_t, std::uint32_t>> headerLoops_;  // each sample's own
};

}  // namespace

int sbk_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "sfbk", 4) == 0 ? 1 : 0;
}

bool sbk_Read(WaveStore& store, File& file)
{
    ByteReader whole(file);
    if (!whole.Tag("RIFF")) return Fail(kWhere, "Not a RIFF file!");
    store.NewBank(nullptr, 0);
    const SbkChunks bank = ReadSbkChunks(store, file);
    if (bank.version >= 2 || (!bank.haveNames && bank.sampleHeaders.Size() > 0)) {
        store.DeleteItem(kBankId);
        return Fail(kWhere, "SoundFont 2 banks are not supported, only version 1 (.sbk)");
    }
    CreateSamples(store, bank.names);
    PlaceSamples(store, bank);
    const std::vector<ZonedItem> presets = CreatePresets(store, bank);
    const std::vector<ZonedItem> instruments = CreateInstruments(store, bank);
    ZoneReader zones(store, bank, instruments);
    for (const ZonedItem& item : instruments) zones.ReadItem(item, false);
    for (const ZonedItem& item : presets) zones.ReadItem(item, true);
    zones.RemoveFolded();
    return true;
}
