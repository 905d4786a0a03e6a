// SoundFont 2 bank reader, through the SoundFont chunk walk. Every sample of the file becomes a
// wavesample (16-bit: of 24-bit banks the "smpl" words, as other 24-bit data is narrowed to its
// top two bytes; ROM samples are left out), every preset an instrument whose keys play the
// samples of its instruments' zones. Generators resolve as SoundFont 2 players resolve them: a
// zone's own generators replace those of its item's global zone, and a preset zone's add to
// the instrument zone's (key ranges intersect).
//
// A key plays one sample: where zones overlap (stereo pairs, velocity layers) the last one
// listed keeps the key, and a left or right sample plays centred. A sample that zones play with
// different root keys, tuning, loops, pan or volume becomes one wavesample per setting.
#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/formats.h"
#include "formats/instrument/sf2.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "sf2_Read";
constexpr std::uint32_t kPresetBit = 0x4000000;
constexpr std::uint16_t kGeneratorCount = 61;
// Generator records read while resolving zones: far more than any real bank needs, but a bank
// whose presets each name a huge instrument cannot make the work grow as its square.
constexpr std::uint64_t kMostGeneratorReads = 1 << 22;
// Wavesamples one sample becomes at most; further settings play the first.
constexpr std::size_t kMostSettings = 32;

// A zone's generator amounts by number, and what it names (instrument or sample; -1: none).
struct Zone {
    std::uint16_t amount[kGeneratorCount] = {};
    std::bitset<kGeneratorCount> set;
    int target = -1;

    int Signed(std::uint16_t number) const { return AsSigned(amount[number]); }
    int Key(bool high) const
    {
        const int key = set[kGenKeyRange] ? amount[kGenKeyRange] >> (high ? 8 : 0) & 0xFF : (high ? 127 : 0);
        return std::min(key, 127);
    }
};

// What a wavesample takes from the zones that play it.
struct Setting {
    std::uint8_t rootKey, pan, volume, loopFlags;
    std::int8_t fineTune;
    std::uint32_t loopStart, loopEnd;
    bool operator==(const Setting&) const = default;
};

struct Sample {
    Sf2SampleHeader header;
    std::vector<ItemId> waves;  // one per setting, the first the sample's own item
    std::vector<Setting> settings;
};

// What a key plays: the last zone over it.
struct Voice {
    Sample* sample;
    Setting setting;
};

std::string_view RecordName(const char (&name)[20])
{
    return {name, strnlen(name, sizeof name)};
}

class BankReader {
public:
    BankReader(WaveStore& store, const SbkChunks& bank) : store_(store), bank_(bank) {}

    void ReadSamples()
    {
        ByteReader headers = bank_.sampleHeaders;
        const std::uint64_t dataSamples = bank_.sampleDataBytes / 2;
        std::uint64_t missing = 0;
        while (headers.Left() >= sizeof(Sf2SampleHeader)) {
            const auto h = headers.Get<Sf2SampleHeader>();
            if (RecordName(h.name) == "EOS") break;
            const auto index = static_cast<std::uint32_t>(samples_.size());
            samples_.push_back({h, {}, {}});
            if ((h.sampleType & kSf2RomSample) != 0 || h.end < h.start) continue;
            WavesampleRec& wave = *store_.NewWavesample(index, std_Copy, h.name, 20);
            const std::uint64_t available = dataSamples > h.start ? dataSamples - h.start : 0;
            wave.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(h.end - h.start, available));
            missing += h.end - h.start - wave.length;
            wave.layout = {.bits = 16, .isSigned = true, .offset = bank_.sampleDataStart + std::uint64_t{h.start} * 2,
                           .bytes = std::uint64_t{wave.length} * 2};
            wave.sampleRate = h.sampleRate != 0 ? static_cast<std::uint32_t>(h.sampleRate) : 44100;
            wave.rootKey = h.originalPitch <= 127 ? h.originalPitch : 60;
            wave.fineTune = static_cast<std::int8_t>(h.pitchCorrection * 128 / 100);
            wave.loopStart = LoopPoint(h, h.loopStart, 0, wave.length);
            wave.loopEnd = LoopPoint(h, h.loopEnd, 0, wave.length);
            samples_.back().waves.push_back(kWaveKind | index);
        }
        if (missing > 0) store_.NoteCutShort(missing);
    }

    void ReadPresets()
    {
        for (std::size_t p = 0; p < bank_.presets.size(); ++p) {
            const SbkPresetHeader& header = bank_.presets[p];
            const std::string name = SbkPresetName(header);
            const auto index = static_cast<std::uint32_t>(p) | kPresetBit;
            InstrumentRec& preset = *store_.NewInstrument(index, NO_ITEM, name.c_str(), static_cast<int>(name.size()));
            preset.program = header.preset <= 127 ? static_cast<std::uint8_t>(header.preset) : 255;
            Voice voices[128] = {};
            ForEachZone(bank_.presetZones[p], false, [&](const Zone& zone) {
                if (static_cast<std::size_t>(zone.target) >= bank_.instruments.size()) return;
                ForEachZone(bank_.instrumentZones[zone.target], true,
                            [&](const Zone& sampleZone) { Map(zone, sampleZone, voices); });
            });
            // Only the zones that keep a key give their sample a wavesample of their setting.
            for (int key = 0; key < 128; ++key) {
                if (voices[key].sample != nullptr) preset.layer.keyMap[key] = WaveFor(*voices[key].sample, voices[key].setting);
            }
        }
        if (exhausted_) store_.host.Warn("The bank's zones are too many to read; the rest were skipped");
    }

private:
    // A loop point of the header, moved by a zone's offsets, within the sample.
    static std::uint32_t LoopPoint(const Sf2SampleHeader& h, std::uint32_t point, std::int64_t offset,
                                   std::uint32_t length)
    {
        return static_cast<std::uint32_t>(std::clamp<std::int64_t>(std::int64_t{point} - h.start + offset, 0, length));
    }

    // Visits an item's zones that name an instrument (a preset's) or a sample (an
    // instrument's), each with the generators of the item's global zone it does not set itself.
    template <class Visit>
    void ForEachZone(const SbkRange& range, bool instrument, Visit&& visit)
    {
        const std::vector<SbkRange>& generatorRanges =
            instrument ? bank_.instrumentZoneGenerators : bank_.presetZoneGenerators;
        const std::vector<SbkGenerator>& generators = instrument ? bank_.instrumentGenerators : bank_.presetGenerators;
        const std::uint16_t targetNumber = instrument ? kGenSampleId : kGenInstrument;
        Zone global;
        for (std::uint32_t z = range.first; z < range.end && !exhausted_; ++z) {
            const SbkRange g = generatorRanges[z];
            exhausted_ = reads_ + (g.end - g.first) > kMostGeneratorReads;
            reads_ += g.end - g.first;
            Zone zone = global;
            for (std::uint32_t i = g.first; i < g.end && !exhausted_; ++i) {
                const SbkGenerator& generator = generators[i];
                if (generator.number == targetNumber) {
                    zone.target = generator.amount;
                    break;
                }
                if (generator.number >= kGeneratorCount) continue;
                zone.amount[generator.number] = generator.amount;
                zone.set[generator.number] = true;
            }
            if (zone.target >= 0) visit(zone);
            else if (z == range.first) global = zone;
        }
    }

    // Plays the instrument zone's sample, as the preset zone adjusts it, on the keys both cover.
    void Map(const Zone& presetZone, const Zone& zone, Voice (&voices)[128])
    {
        const int low = std::max(presetZone.Key(false), zone.Key(false));
        const int high = std::min(presetZone.Key(true), zone.Key(true));
        if (low > high || static_cast<std::size_t>(zone.target) >= samples_.size()) return;
        Sample& sample = samples_[zone.target];
        if (sample.waves.empty()) return;  // a ROM sample's zone leaves the keys to the others
        const Voice voice{&sample, SettingOf(presetZone, zone, sample)};
        for (int key = low; key <= high; ++key) voices[key] = voice;
    }

    Setting SettingOf(const Zone& p, const Zone& z, const Sample& sample) const
    {
        const Sf2SampleHeader& h = sample.header;
        const WavesampleRec& wave = *store_.FetchWave(sample.waves.front());
        const int root = z.set[kGenOverridingRootKey] && z.amount[kGenOverridingRootKey] <= 127
                             ? z.amount[kGenOverridingRootKey]
                             : (h.originalPitch <= 127 ? h.originalPitch : 60);
        // Whole semitones move the root key, the cents left over are the fine tune.
        const int cents = 100 * (z.Signed(kGenCoarseTune) + p.Signed(kGenCoarseTune)) + z.Signed(kGenFineTune) +
                          p.Signed(kGenFineTune) + h.pitchCorrection;
        const bool stereo = (h.sampleType & (kSf2LeftSample | kSf2RightSample)) != 0;
        const int pan = stereo ? 0 : std::clamp(z.Signed(kGenPan) + p.Signed(kGenPan), -500, 500);
        const int attenuation = std::clamp(z.Signed(kGenInitialAttenuation) + p.Signed(kGenInitialAttenuation), 0, 1440);
        const bool loops = (z.amount[kGenSampleModes] & 1) != 0;
        const std::int64_t startOffset = z.Signed(kGenStartLoopOffset) + 32768 * z.Signed(kSf2StartLoopCoarseOffset);
        const std::int64_t endOffset = z.Signed(kGenEndLoopOffset) + 32768 * z.Signed(kSf2EndLoopCoarseOffset);
        return {static_cast<std::uint8_t>(std::clamp(root - cents / 100, 0, 127)),
                static_cast<std::uint8_t>(std::clamp(63 + pan * 64 / 500, 0, 127)),
                static_cast<std::uint8_t>(std::lround(127 * std::pow(10.0, -attenuation / 200.0))),
                loops ? kLoopFound : std::uint8_t{0}, static_cast<std::int8_t>(cents % 100 * 128 / 100),
                LoopPoint(h, h.loopStart, startOffset, wave.length), LoopPoint(h, h.loopEnd, endOffset, wave.length)};
    }

    // The sample's wavesample of this setting: its own item for the first setting, a copy for
    // each other (never more copies than the bank has generator records).
    ItemId WaveFor(Sample& sample, const Setting& setting)
    {
        const auto found = std::find(sample.settings.begin(), sample.settings.end(), setting);
        if (found != sample.settings.end()) return sample.waves[found - sample.settings.begin()];
        const bool first = sample.settings.empty();
        if (!first && (sample.settings.size() >= kMostSettings ||
                       copies_ >= bank_.instrumentGenerators.size() + bank_.presetGenerators.size()))
            return sample.waves.front();
        WavesampleRec* wave = store_.FetchWave(sample.waves.front());
        if (!first) {
            const auto index = static_cast<std::uint32_t>(samples_.size() + copies_++);
            WavesampleRec& copy = *store_.NewWavesample(index, std_Copy, sample.header.name, 20);
            char name[kNameSize];  // as the store's naming rules gave it
            std::memcpy(name, copy.name, kNameSize);
            copy = *store_.FetchWave(sample.waves.front());
            std::memcpy(copy.name, name, kNameSize);
            wave = &copy;
            sample.waves.push_back(kWaveKind | index);
        }
        wave->rootKey = setting.rootKey;
        wave->fineTune = setting.fineTune;
        wave->pan = setting.pan;
        wave->volume = setting.volume;
        wave->loopFlags = setting.loopFlags;
        wave->loopStart = setting.loopStart;
        wave->loopEnd = setting.loopEnd;
        sample.settings.push_back(setting);
        return sample.waves.back();
    }

    WaveStore& store_;
    const SbkChunks& bank_;
    std::vector<Sample> samples_;  // by sample header
    std::uint64_t copies_ = 0;
    std::uint64_t reads_ = 0;
    bool exhausted_ = false;
};

}  // namespace

int sf2_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    if (sbk_Detect(head) == 0) return 0;
    std::uint16_t version = 0;
    ByteReader form(head.subspan(12));
    WalkChunks(form, ChunkOrder::Riff, [&](Chunk& list) {
        if (list.Is("LIST")) {
            WalkInside(list, [&](Chunk& chunk) {
                if (list.Type() == "INFO" && chunk.Is("ifil")) version = chunk.body.Le16();
                return version == 0;
            });
        }
        return false;  // the version stands in the first list
    });
    return version >= 2 ? 2 : 0;
}

bool sf2_Read(WaveStore& store, File& file)
{
    ByteReader whole(file);
    if (!whole.Tag("RIFF")) return Fail(kWhere, "Not a RIFF file!");
    store.NewBank(nullptr, 0);
    const SbkChunks bank = ReadSbkChunks(store, file);
    if (bank.version < 2 && (bank.haveNames || bank.sampleHeaders.Size() == 0)) {
        store.DeleteItem(kBankId);
        return sbk_Read(store, file);  // a version 1 bank named as a version 2 one
    }
    BankReader reader(store, bank);
    reader.ReadSamples();
    reader.ReadPresets();
    return true;
}
