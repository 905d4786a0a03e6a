// Real SoundFont banks, version 1 and 2, read as awesfx's sf2text lists them: every preset's
// keys with their samples, root keys, tuning and loops, and every sample's data as WAVE.
#include "../format_kit.h"
#include "kit/sf2text.h"

namespace {

// What a key plays by sf2text's listing: the last zone over it (KOBA keeps one per key; version
// 2 passes over zones of ROM samples), its sample, root key, tuning and loop.
struct Voice {
    const Sf2TextSample* sample = nullptr;
    int root = 60, cents = 0;
    std::uint32_t loopStart = 0, loopEnd = 0;
};

std::array<Voice, 128> Voices(const Sf2Text& bank, const Sf2TextItem& preset, const std::vector<bool>& inRam)
{
    std::array<Voice, 128> voices{};
    const bool two = bank.version >= 2;
    for (const Sf2TextZone& outer : preset.zones) {
        for (const Sf2TextZone& z : bank.instruments.at(outer.target).zones) {
            if (z.target < 0 || (two && !inRam[z.target])) continue;
            const Sf2TextSample& s = bank.samples.at(z.target);
            const Voice voice{inRam[z.target] ? &s : nullptr, z.Get("rootKey", two ? s.pitch : 60),
                              z.Get("fineTune", 0) + 100 * z.Get("coarseTune", 0) + (two ? s.correction : 0),
                              s.loopStart - s.start + z.Get("startloopAddrs", 0), s.loopEnd - s.start + z.Get("endloopAddrs", 0)};
            const int keys = z.Get("keyRange", 127 << 8), limit = outer.Get("keyRange", 127 << 8);
            for (int key = std::max(keys & 0xFF, limit & 0xFF); key <= std::min(keys >> 8, limit >> 8); ++key) voices[key] = voice;
        }
    }
    return voices;
}

std::string Trimmed(std::string name)
{
    return name.erase(name.find_last_not_of(' ') + 1);
}

struct RealSoundFont : ImportFixture, ::testing::WithParamInterface<std::string> {};

TEST_P(RealSoundFont, ReadsAsSf2textListsIt)
{
    const Sf2Text text = ReadSf2Text(GetParam());
    ASSERT_TRUE(!text.presets.empty() && store.Imp(GetParam())) << Failure();
    std::vector<bool> inRam;  // version 1: from the first sample at 0 on
    for (const Sf2TextSample& s : text.samples)
        inRam.push_back(text.version >= 2 ? (s.type & 0x8000) == 0 : (!inRam.empty() && inRam.back()) || s.start == 0);
    std::vector<const InstrumentRec*> presets;
    store.ForEachItem([&](ItemId id, void* record) {
        if ((id & (kKindMask | kPreset)) == kPreset) presets.push_back(static_cast<const InstrumentRec*>(record));
    });
    std::size_t n = 0;  // presets that play no sample of the file are gone
    for (const Sf2TextItem& preset : text.presets) {
        const std::array<Voice, 128> voices = Voices(text, preset, inRam);
        if (std::none_of(voices.begin(), voices.end(), [](const Voice& v) { return v.sample != nullptr; })) continue;
        ASSERT_LT(n, presets.size());
        const InstrumentRec& ours = *presets[n++];
        const std::string numbers = "(bank " + std::to_string(preset.bank) + ", preset " + std::to_string(preset.preset) + ")";
        EXPECT_EQ(Trimmed(ours.name), preset.name.empty() ? "Drum kit " + numbers : Trimmed(preset.name));
        EXPECT_EQ(ours.program, preset.preset);
        for (int key = 0; key < 128; ++key) {
            const Voice& v = voices[key];
            const WavesampleRec* w = store.FetchWave(ours.layer.keyMap[key]);
            ASSERT_EQ(w != nullptr, v.sample != nullptr) << preset.name << key;
            if (w == nullptr) continue;
            EXPECT_EQ(std::tuple(w->layout.offset, w->length, w->loopStart, w->loopEnd),
                      std::tuple(text.samplePosition + 2 * v.sample->start, v.sample->end - v.sample->start, v.loopStart,
                                 v.loopEnd)) << preset.name << key;
            EXPECT_NEAR(w->rootKey * 100 - w->fineTune * 100 / 128.0, v.root * 100 - v.cents, 1.0) << preset.name << key;
        }
    }
    EXPECT_EQ(n, presets.size());
    // Every sample in the file, exported to WAVE, is the data between its start and end.
    const std::vector<std::uint8_t> file = ReadFileBytes(GetParam());
    const TempDir dir;
    for (std::size_t i = 0; i < text.samples.size(); ++i) {
        const std::uint64_t at = text.samplePosition + 2 * text.samples[i].start, end = text.samplePosition + 2 * text.samples[i].end;
        ItemId id = NO_ITEM;
        store.ForEachItem([&](ItemId item, void* r) { id = IsWave(item) && static_cast<WavesampleRec*>(r)->layout.offset == at ? item : id; });
        if (!inRam[i] || text.samples[i].name == "EOS") continue;
        ASSERT_TRUE(store.Exp(dir / "sample.wav", id)) << text.samples[i].name << ": " << Failure();
        const std::vector<std::uint8_t> wave = ReadFileBytes(dir / "sample.wav");
        const WaveChunks chunks = FindWaveChunks(wave);
        EXPECT_TRUE(std::equal(wave.begin() + chunks.dataOffset, wave.begin() + chunks.dataOffset + chunks.dataSize,
                               file.begin() + long(at), file.begin() + long(end))) << text.samples[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(Banks, RealSoundFont,
                         ::testing::Values(KOBA_SHARED_TESTDATA "/sbk/Echo.OLD.sbk", KOBA_SHARED_TESTDATA "/sbk/The_Fairy_Lake.OLD.sbk",
                                           "/usr/share/sounds/sf2/TimGM6mb.sf2"),
                         [](const auto& i) { return std::to_string(i.index); });

}  // namespace
