// Real SoundFont banks, version 1 and 2, read as awesfx's sf2text lists them: every preset's
// keys with their samples, root keys, tuning and loops, and every sample's data as WAVE.
#include "../format_kit.h"
#include "kit/sf2text.h"

namespace {

// What a key plays by sf2text's listing: the sample of the last zone over it (KOBA keeps one
// per key; version 2 passes over zones of ROM samples), with the zone's root key, tuning and loop.
struct Voice {
    const Sf2TextSample* sample = nullptr;
    int root = 60, cents = 0;
    std::uint32_t loopStart = 0, loopEnd = 0;
};

std::array<Voice, 128> Voices(const Sf2Text& bank, const Sf2TextItem& preset, const std::vector<bool>& inRam)
{
    std::array<Voice, 128> voices{};
    for (const Sf2TextZone& presetZone : preset.zones) {
        for (const Sf2TextZone& z : bank.instruments.at(presetZone.target).zones) {
            const bool two = bank.version >= 2;
            if (z.target < 0 || (two && !inRam[z.target])) continue;
            const Sf2TextSample& s = bank.samples.at(z.target);
            const Voice voice{inRam[z.target] ? &s : nullptr, z.Get("rootKey", two ? s.pitch : 60),
                              two ? z.Get("fineTune", 0) + 100 * z.Get("coarseTune", 0) + s.correction : 0,
                              s.loopStart - s.start + z.Get("startloopAddrs", 0), s.loopEnd - s.start + z.Get("endloopAddrs", 0)};
            const int keys = z.Get("keyRange", 127 << 8), outer = presetZone.Get("keyRange", 127 << 8);
            for (int key = std::max(keys & 0xFF, outer & 0xFF); key <= std::min(keys >> 8, outer >> 8); ++key)
                voices[key] = voice;
        }
    }
    return voices;
}

std::string Trimmed(std::string name)
{
    return name.erase(name.find_last_not_of(' ') + 1);
}

struct RealSoundFont : ImportFixture, ::testing::WithParamInterface<std::string> {
    TempDir dir;
};

TEST_P(RealSoundFont, ReadsAsSf2textListsIt)
{
    const Sf2Text text = ReadSf2Text(GetParam());
    ASSERT_FALSE(text.presets.empty());
    ASSERT_TRUE(store.Imp(GetParam())) << Failure();
    const std::vector<std::uint8_t> file = ReadFileBytes(GetParam());
    std::vector<bool> inRam;  // version 1: from the first sample at 0 on
    for (const Sf2TextSample& s : text.samples)
        inRam.push_back(text.version >= 2 ? (s.type & 0x8000) == 0 : (!inRam.empty() && inRam.back()) || s.start == 0);
    std::vector<const InstrumentRec*> presets;
    store.ForEachItem([&](ItemId id, void* record) {
        if ((id & (kKindMask | kPreset)) == kPreset) presets.push_back(static_cast<const InstrumentRec*>(record));
    });
    std::size_t n = 0;  // presets that play no sample in the file are gone
    for (const Sf2TextItem& preset : text.presets) {
        const std::array<Voice, 128> voices = Voices(text, preset, inRam);
        if (std::none_of(voices.begin(), voices.end(), [](const Voice& v) { return v.sample != nullptr; })) continue;
        ASSERT_LT(n, presets.size());
        const InstrumentRec& ours = *presets[n++];
        const std::string unnamed = "Drum kit (bank " + std::to_string(preset.bank) + ", preset " + std::to_string(preset.preset) + ")";
        EXPECT_EQ(std::tuple(Trimmed(ours.name), ours.program), std::tuple(preset.name.empty() ? unnamed : Trimmed(preset.name), preset.preset));
        for (int key = 0; key < 128; ++key) {
            const Voice& v = voices[key];
            const WavesampleRec* w = store.FetchWave(ours.layer.keyMap[key]);
            ASSERT_EQ(w != nullptr, v.sample != nullptr) << preset.name << " " << key;
            if (w == nullptr) continue;
            EXPECT_EQ(std::tuple(w->layout.offset, w->length, w->loopStart, w->loopEnd),
                      std::tuple(text.samplePosition + 2 * v.sample->start, v.sample->end - v.sample->start, v.loopStart, v.loopEnd)) << preset.name << " " << key;
            EXPECT_NEAR(w->rootKey * 100 - w->fineTune * 100 / 128.0, v.root * 100 - v.cents, 1.0) << preset.name << " " << key;
        }
    }
    EXPECT_EQ(n, presets.size());
    // Every sample in the file, exported to WAVE, is the data between its start and end.
    for (std::size_t i = 0; i < text.samples.size(); ++i) {
        const Sf2TextSample& s = text.samples[i];
        if (!inRam[i] || s.name == "EOS") continue;
        const std::uint64_t at = text.samplePosition + 2 * s.start;
        ItemId id = NO_ITEM;
        store.ForEachItem([&](ItemId item, void* record) {
            if (IsWave(item) && static_cast<const WavesampleRec*>(record)->layout.offset == at) id = item;
        });
        ASSERT_TRUE(store.Exp(dir / "sample.wav", id)) << s.name << ": " << Failure();
        const std::vector<std::uint8_t> wave = ReadFileBytes(dir / "sample.wav");
        const WaveChunks chunks = FindWaveChunks(wave);
        const auto data = wave.begin() + chunks.dataOffset;
        EXPECT_TRUE(std::equal(data, data + chunks.dataSize, file.begin() + long(at),
                               file.begin() + long(text.samplePosition + 2 * s.end))) << s.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Banks, RealSoundFont,
                         ::testing::Values(KOBA_SHARED_TESTDATA "/sbk/Echo.OLD.sbk",
                                           KOBA_SHARED_TESTDATA "/sbk/The_Fairy_Lake.OLD.sbk",
                                           "/usr/share/sounds/sf2/TimGM6mb.sf2"),
                         [](const auto& i) { return std::to_string(i.index); });

}  // namespace
