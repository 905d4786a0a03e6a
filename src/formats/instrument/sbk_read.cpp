// SoundFont bank (format version 1) reader: samples from "snam"/"smpl"/"shdr", presets and
// instruments from "pdta" with the generators KOBA uses. Little-endian.
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
#include <type_traits>
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

// A half-open range of record indices.
struct Range {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
};

// A preset or an instrument and the zones (bag records) that belong to it.
struct ZonedItem {
    ItemId id;
    Range zones;
};

struct Bank {
    std::vector<ZonedItem> presets;
    std::vector<ZonedItem> instruments;  // in "inst" order: the instrument generator's index
    std::vector<std::uint16_t> presetBags;  // each zone's first generator
    std::vector<std::uint16_t> instrumentBags;
    std::vector<SbkGenerator> presetGenerators;
    std::vector<SbkGenerator> instrumentGenerators;
    std::vector<SbkSampleHeader> samples;
    std::uint64_t sampleDataStart = 0;
    std::uint64_t sampleDataBytes = 0;
    std::uint16_t version = 1;
    bool haveNames = false;
};

// Makes ranges read from a file safe: each lies within a table of `size` records and starts
// no earlier than the range before it ends. A range that runs backwards or past the table
// comes out empty, and ranges never overlap.
void MakeSafe(std::span<Range> ranges, std::size_t size)
{
    const auto bound = static_cast<std::uint32_t>(std::min<std::size_t>(size, UINT32_MAX));
    std::uint32_t floor = 0;
    for (Range& range : ranges) {
        const std::uint32_t first = std::max(std::min(range.first, bound), floor);
        const std::uint32_t end = std::max(std::min(range.end, bound), first);
        range = {first, end};
        floor = end;
    }
}

// Each zone's generators run from its bag's generator index to the next bag's (the last
// zone's to the end of the list).
std::vector<Range> GeneratorRanges(const std::vector<std::uint16_t>& bags, std::size_t generators)
{
    std::vector<Range> ranges(bags.size());
    for (std::size_t z = 0; z < bags.size(); ++z) {
        const std::size_t end = z + 1 < bags.size() ? bags[z + 1] : generators;
        ranges[z] = {bags[z], static_cast<std::uint32_t>(std::min<std::size_t>(end, UINT32_MAX))};
    }
    MakeSafe(ranges, generators);
    return ranges;
}

// The zones of each item, made safe over the bag list.
void MakeZonesSafe(std::vector<ZonedItem>& items, std::size_t bags)
{
    std::vector<Range> ranges;
    for (const ZonedItem& item : items) ranges.push_back(item.zones);
    MakeSafe(ranges, bags);
    for (std::size_t i = 0; i < items.size(); ++i) items[i].zones = ranges[i];
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

// Creates one item per header up to the terminal record; each item's zones end where the next
// header's begin.
template <class Header>
void ReadHeaders(WaveStore& store, ByteReader body, std::string_view terminal, std::uint32_t idBit,
                 std::vector<ZonedItem>& items)
{
    for (const Header& header : Records<Header>(body)) {
        if (!items.empty()) items.back().zones.end = header.firstZone;
        if (RecordName(header.name) == terminal) return;
        InstrumentRec& item = *store.NewInstrument(header.firstZone | idBit, NO_ITEM, header.name, 20);
        if constexpr (std::is_same_v<Header, SbkPresetHeader>) item.program = static_cast<std::uint8_t>(header.preset);
        items.push_back({(header.firstZone | idBit) | kInstrumentKind, {header.firstZone, header.firstZone}});
    }
}

void ReadNames(WaveStore& store, ByteReader body, Bank& bank)
{
    bank.haveNames = true;
    char name[20];
    for (std::uint32_t index = 0; body.Left() >= sizeof name; ++index) {
        body.Read(name, sizeof name);
        store.NewWavesample(index, std_Copy, name, sizeof name);
    }
}

bool HandleChunk(WaveStore& store, Chunk& chunk, std::string_view list, Bank& bank)
{
    if (list == "INFO" && chunk.Is("INAM")) {
        if (BankRec* b = store.FetchBank()) chunk.body.Text(b->name, std::min<std::uint64_t>(chunk.body.Size(), 80));
    } else if (list == "INFO" && chunk.Is("ifil")) {
        bank.version = chunk.body.Le16();
    } else if (list == "sdta" && chunk.Is("snam")) {
        ReadNames(store, chunk.body, bank);
    } else if (list == "sdta" && chunk.Is("smpl")) {
        bank.sampleDataStart = chunk.body.Offset();
        bank.sampleDataBytes = chunk.body.Size();
    } else if (list == "pdta" && chunk.Is("phdr")) {
        ReadHeaders<SbkPresetHeader>(store, chunk.body, "EOP", kPresetBit, bank.presets);
    } else if (list == "pdta" && chunk.Is("inst")) {
        ReadHeaders<SbkInstrumentHeader>(store, chunk.body, "EOI", 0, bank.instruments);
    } else if (list == "pdta" && chunk.Is("pbag")) {
        bank.presetBags = BagGenerators(chunk.body);
    } else if (list == "pdta" && chunk.Is("ibag")) {
        bank.instrumentBags = BagGenerators(chunk.body);
    } else if (list == "pdta" && chunk.Is("pgen")) {
        bank.presetGenerators = Records<SbkGenerator>(chunk.body);
    } else if (list == "pdta" && chunk.Is("igen")) {
        bank.instrumentGenerators = Records<SbkGenerator>(chunk.body);
    } else if (list == "pdta" && chunk.Is("shdr")) {
        bank.samples = Records<SbkSampleHeader>(chunk.body);
    }
    return true;
}

void Walk(WaveStore& store, ByteReader range, Bank& bank)
{
    const auto handle = [&](auto& self, Chunk& chunk, std::string_view list) -> bool {
        if (chunk.Is("RIFF") || chunk.Is("LIST")) {
            return WalkInside(chunk, [&](Chunk& inner) { return self(self, inner, chunk.Type()); });
        }
        return HandleChunk(store, chunk, list, bank);
    };
    WalkChunks(range, ChunkOrder::Riff, [&](Chunk& chunk) { return handle(handle, chunk, ""); });
}

// Sample headers give each sample its place in the sample data; samples of the synthesizer's
// ROM (before the first one that starts at 0) are dropped.
void PlaceSamples(WaveStore& store, const Bank& bank)
{
    const std::uint64_t dataSamples = bank.sampleDataBytes / 2;
    std::vector<std::uint64_t> missing(bank.samples.size());  // past the data the file holds
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        WavesampleRec* wave = store.FetchWave(kWaveKind | static_cast<std::uint32_t>(i));
        const SbkSampleHeader& h = bank.samples[i];
        if (wave == nullptr || h.end < h.start) continue;
        // The end sample is included (the first guard sample of KOBA's banks), but never what
        // lies past the sample data.
        const std::uint64_t available = dataSamples > h.start ? dataSamples - h.start : 0;
        const std::uint64_t wanted = std::uint64_t{h.end} - h.start + 1;
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

// What generators set while the zones of one item are read.
struct ZoneState {
    std::uint16_t volume = 127;
    std::uint16_t pan = 63;
    std::uint16_t loop = 0;
    int lowKey = 0;
    int highKey = 127;
    int root = 60;
    int pitch = 6000;
};

class ZoneReader {
public:
    ZoneReader(WaveStore& store, const Bank& bank)
        : store_(store),
          bank_(bank),
          presetZones_(GeneratorRanges(bank.presetBags, bank.presetGenerators.size())),
          instrumentZones_(GeneratorRanges(bank.instrumentBags, bank.instrumentGenerators.size())),
          folded_(bank.instruments.size(), false)
    {
    }

    void ReadItem(const ZonedItem& item, bool preset)
    {
        InstrumentRec* instrument = store_.FetchInstrument(item.id);
        if (instrument == nullptr) return;
        const std::vector<Range>& zones = preset ? presetZones_ : instrumentZones_;
        const std::vector<SbkGenerator>& generators = preset ? bank_.presetGenerators : bank_.instrumentGenerators;
        ZoneState state;
        for (std::uint32_t z = item.zones.first; z < item.zones.end; ++z) {
            state.lowKey = 0, state.highKey = 127, state.root = 60, state.pitch = 6000;
            for (std::uint32_t g = zones[z].first; g < zones[z].end; ++g) Apply(generators[g], state, *instrument);
        }
    }

    // Instruments folded into a preset go once every preset has taken its keys from them.
    void RemoveFolded()
    {
        for (std::size_t i = 0; i < folded_.size(); ++i) {
            if (folded_[i]) store_.DeleteItem(bank_.instruments[i].id);
        }
    }

private:
    void Apply(const SbkGenerator& generator, ZoneState& s, InstrumentRec& item)
    {
        const std::uint16_t amount = generator.amount;
        switch (generator.number) {
        case kGenPan:
            s.pan = amount;
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
        if (position >= bank_.instruments.size()) return;
        const ItemId id = bank_.instruments[position].id;
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
            wave->rootKey = static_cast<std::uint8_t>(s.root);
            wave->sampleRate = SbkCentsToRate(s.pitch);
            wave->volume = static_cast<std::uint8_t>(s.volume);
            wave->pan = static_cast<std::uint8_t>(s.pan);
            if (s.loop != 0) wave->loopFlags |= kLoopFound;
        }
        for (int key = s.lowKey; key <= s.highKey; ++key) item.layer.keyMap[key] = id;
        if (s.lowKey <= s.highKey) s.lowKey = s.highKey + 1;
        s.highKey = 127;
    }

    WaveStore& store_;
    const Bank& bank_;
    const std::vector<Range> presetZones_;
    const std::vector<Range> instrumentZones_;
    std::vector<bool> folded_;  // by place in the "inst" list
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
    Bank bank;
    Walk(store, ByteReader(file), bank);
    if (bank.version >= 2 || (!bank.haveNames && !bank.samples.empty())) {
        store.DeleteItem(kBankId);
        ItemId id = 0;
        void* record = nullptr;
        for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) store.DeleteItem(id);
        return Fail(kWhere, "SoundFont 2 banks are not supported, only version 1 (.sbk)");
    }
    PlaceSamples(store, bank);
    MakeZonesSafe(bank.instruments, bank.instrumentBags.size());
    MakeZonesSafe(bank.presets, bank.presetBags.size());
    ZoneReader zones(store, bank);
    for (const ZonedItem& item : bank.instruments) zones.ReadItem(item, false);
    for (const ZonedItem& item : bank.presets) zones.ReadItem(item, true);
    zones.RemoveFolded();
    return true;
}
