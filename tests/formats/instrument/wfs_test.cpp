// WaveFront programs and banks: freepats patches and KOBA's SoundFont banks written and read
// back, a program's bytes against the layout, and the record kinds only the synthesizer's own
// editor writes (WAVE files, samples in its memory, aliases, multisamples, drum kits).
#include <filesystem>

#include "../format_kit.h"
#include "formats/formats.h"

namespace {

// What a program or bank gives up, which the round trip allows:
// - keys no region covers play the first region's sample (one region: every key plays it);
// - the instrument's volume, pan, envelopes and the GF1 scale settings;
// - loop fractions finer than 1/16 sample, and the loop points of waves that do not loop;
// - sustain and loop-on: a loop reads back with both bits set;
// - names past 32 characters.
struct WfsRoundTrip : WriterFixture, ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

std::vector<const InstrumentRec*> Instruments(const WaveStore& s)
{
    std::vector<const InstrumentRec*> all;
    s.ForEachItem([&](ItemId id, void* r) { if (IsInstrument(id)) all.push_back(static_cast<InstrumentRec*>(r)); });
    return all;
}

// A patch (or shared SoundFont bank) as a program, or through KOBA's SoundFont bank as a bank.
TEST_P(WfsRoundTrip, KeepsKeysLoopsAndSamples)
{
    const auto [source, viaSbk] = GetParam();
    const std::string path = std::string(source).ends_with(".pat") ? FreepatsPath(source) : source;
    KobaStore first(host);
    ASSERT_TRUE(first.Imp(path)) << Failure();
    ASSERT_TRUE(!viaSbk || (first.Exp(dir / "koba.sbk", kBankId) && first.Imp(dir / "koba.sbk"))) << Failure();
    ASSERT_TRUE(store.Imp(viaSbk ? dir / "koba.sbk" : path)) << Failure();
    ItemId firstInstrument = NO_ITEM;
    store.ForEachItem([&](ItemId id, void*) { if (IsInstrument(id) && firstInstrument == NO_ITEM) firstInstrument = id; });
    RoundTrip(viaSbk ? kBankId : firstInstrument, viaSbk ? "out.wfb" : "out.wfp");
    const auto before = Instruments(first), after = Instruments(store);
    ASSERT_EQ(after.size(), viaSbk ? before.size() : 1);
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_STREQ(before[i]->name, after[i]->name);
        for (int key = 0; key < 128; ++key) {
            const WavesampleRec *a = first.FetchWave(before[i]->layer.keyMap[key]),
                                *b = store.FetchWave(after[i]->layer.keyMap[key]);
            if (a == nullptr) continue;
            ASSERT_NE(b, nullptr) << key;
            EXPECT_EQ(std::tuple(std::string(a->name), a->rootKey * 128 + a->fineTune, a->sampleRate, a->length,
                                 Loops(*a), a->loopFlags & 24),
                      std::tuple(std::string(b->name), b->rootKey * 128 + b->fineTune, b->sampleRate, b->length,
                                 Loops(*b), b->loopFlags & 24)) << i << " " << key;
            const auto loop = [](const WavesampleRec* w) {
                return Loops(*w) ? std::tuple(w->loopStart, w->loopEnd, w->loopStartFrac >> 4, w->loopEndFrac >> 4)
                                 : std::tuple(0u, 0u, 0, 0);
            };
            EXPECT_EQ(loop(a), loop(b)) << key;
            EXPECT_TRUE(Decoded(*a) == Decoded(*b)) << key;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, WfsRoundTrip,
                         ::testing::Combine(::testing::Values("Tone_000/000_Acoustic_Grand_Piano.pat",
                                                              "Drum_000/038_Snare_1.pat",
                                                              KOBA_SHARED_TESTDATA "/sbk/Echo.OLD.sbk"),
                                            ::testing::Bool()));

using WfsWrite = WriterFixture;

// A looping 16-bit wavesample, then an instrument of three regions (one 8-bit), as programs.
TEST_F(WfsWrite, ProgramsFollowTheLayout)
{
    WavesampleRec& w = NewWave(1, "loop", Ramp(1000, 2), 16);
    w.sampleRate = 44100, w.loopStart = 100, w.loopEnd = 900, w.loopFlags = kLoopFound, w.loopStartFrac = 0x80;
    ASSERT_TRUE(store.Exp(dir / "w.wfp", kWaveKind | 1)) << Failure();
    const std::vector<std::uint8_t> f = ReadFileBytes(dir / "w.wfp");
    const std::string text(f.begin(), f.end());
    EXPECT_EQ(std::tuple(text.substr(0, 5), text.substr(32, 8), LeAt(f, 64, 2), LeAt(f, 66, 2), LeAt(f, 70, 2)),
              std::tuple(std::string("Maui\0", 5), std::string("Program\0", 8), 120u, 1u, 1u));
    EXPECT_EQ(std::tuple(LeAt(f, 72, 2), LeAt(f, 76), LeAt(f, 84), LeAt(f, 88), LeAt(f, 96), LeAt(f, 100)),
              std::tuple(1u, 230u, 280u, 380u, 2000u, 1u));
    EXPECT_EQ(text.substr(104, 21), "KOBA Converter v2.0, ");
    EXPECT_EQ(std::tuple(LeAt(f, 230), LeAt(f, 234), text.substr(248, 5)), std::tuple(0x1800FF00u, 0x18007F00u, std::string("loop\0", 5)));
    EXPECT_EQ(std::tuple(LeAt(f, 280), LeAt(f, 284), LeAt(f, 288), LeAt(f, 280 + 34 + 3, 2)),
              std::tuple(0x007F0000u, 0xA0400200u, 0x400A0002u, 0x4B66u));  // the looping envelope
    EXPECT_EQ(std::tuple(LeAt(f, 380), LeAt(f, 384), LeAt(f, 420), LeAt(f, 424), LeAt(f, 428)),
              std::tuple(2396u, 0u, 44100u, 2000u, 1000u));
    EXPECT_EQ(std::tuple(LeAt(f, 496), LeAt(f, 500), LeAt(f, 504), LeAt(f, 508), LeAt(f, 512, 2), f[514]),
              std::tuple(0u, 0x648u, 0x3840u, 0x3E80u, 10240u, 0x08));  // key 60 at 44100 Hz: five octaves
    EXPECT_EQ(text.substr(516, 9), std::string("EMBEDDED\0", 9));
    EXPECT_TRUE(std::equal(f.begin() + 776, f.end(), Ramp(1000, 2).Data().begin()) && f.size() == 2776);

    NewWave(2, "eight", Ramp(10, 1), 8);
    NewInstrument(3, "three", [](int key) { return key <= 40 ? 1 : key <= 80 ? 2 : 1; });
    ASSERT_TRUE(store.Exp(dir / "i.wfp", kInstrumentKind | 3)) << Failure();
    const std::vector<std::uint8_t> g = ReadFileBytes(dir / "i.wfp");
    EXPECT_EQ(std::tuple(LeAt(g, 72, 2), LeAt(g, 380), LeAt(g, 384), LeAt(g, 496, 2)), std::tuple(4u, 374u, 1u, 7u));
    for (int key : {0, 40, 41, 80, 81, 127})
        EXPECT_EQ(LeAt(g, 498 + 2 * key, 2), key <= 40 ? 1u : key <= 80 ? 2u : 3u) << key;
    const std::size_t eight = 754 + 396 + 2000;  // the third record: 8-bit, unsigned
    EXPECT_EQ(std::tuple(LeAt(g, eight + 44), g[eight + 116 + 18]), std::tuple(10u, 0x02));
    EXPECT_EQ(g[eight + 396], 0x81);
    EXPECT_FALSE(wfs_Write(store, nullptr, kFolderKind));
    EXPECT_EQ(LastError.message, "Export type not supported by .WFP/.WFB");
}

// One record of a built file: a sample (`frames` of an embedded 16-bit ramp after `start`, or
// `path`), a multisample (`base` = n, `table`), or an alias of `base`.
struct Record {
    int kind, number;
    const char* name;
    const char* path = "EMBEDDED";
    int base = 0, flags = 0;
    std::uint32_t start = 0, loopStart = 0, loopEnd = 0, frames = 0;
    std::vector<int> table = {};
};
struct Patch {
    int number, sample;
};

Bytes WfsFile(const std::string& type, const std::vector<Record>& records, const std::vector<Patch>& patches)
{
    Bytes file = Bytes{}.Text("Maui", 32).Text(type, 32).Le16(120, 0, 0, patches.size(), records.size(), 0);
    file.Le32(230, 0, 230, 230 + 100 * patches.size(), 0, 0, 1).Text("Built", 64).Zeros(62);
    for (const Patch& p : patches)
        file.Zeros(2).U8(100, 0, p.sample & 0xFF, (p.sample >> 8) << 4).Zeros(60).Le16(p.number).Text("p", 32);
    for (const Record& r : records) {
        const Bytes data = r.kind == 0 && std::string(r.path) == "EMBEDDED" ? Ramp(r.frames + (r.start >> 4), 2) : Bytes{};
        file.Le32(0).Le16(r.kind, r.number).Text(r.name, 32).Le32(22050, data.Size(), r.frames).Zeros(64);
        if (r.kind == 0) file.Le32(r.start, r.loopStart, r.loopEnd, 0).Le16(12288).U8(r.flags, 0);
        if (r.kind == 0) file.Text(r.path, 260).Append(data);
        if (r.kind == 1) file.Le16(r.base).Append([&] { Bytes t; for (int i = 0; i < 128; ++i) t.Le16(i < int(r.table.size()) ? r.table[i] : 0); return t; }());
        if (r.kind == 2) file.Le16(r.base).Le32(r.start, r.loopStart, 0, r.loopEnd).Le16(12288 + 3).U8(r.flags, 0);
    }
    return file;
}

const std::vector<Record> kKinds = {
    {0, 1, "ramp", "EMBEDDED", 0, 0x18, 0x100, 0x238, 0x640, 184},
    {0, 2, "wave", "C:\\SAMPLES\\Tone.WAV"},
    {0, 3, "mem", "internal"},
    {2, 4, "alias", "", 1, 0x08, 0x100, 0x300, 0x500},
    {2, 5, "loop", "", 6},
    {2, 6, "loop", "", 5},
    {1, 7, "multi", "", 3, 0, 0, 0, 0, 0, {1, 2, 4, 99, 3}},
    {2, 300, "high", "", 2},
};

struct WfsRead : WriterFixture {
    bool ImportKinds(const std::vector<Record>& records, const Bytes& wave)
    {
        WriteFileBytes(dir / "TONE.wav", wave.Data());
        WriteFileBytes(dir / "kit.wfd", WfsFile("DrumKit", records, {{0, 7}, {1, 1}, {2, 3}, {3, 300}}).Data());
        return store.Imp(dir / "kit.wfd");
    }
};

const Bytes kTone = RiffForm("WAVE", {Chunk("fmt ", FormatBody(1, 1, 8000, 16)), Chunk("data", Ramp(30, 2))});

TEST_F(WfsRead, SamplesFilesMemoryAliasesAndMultisamples)
{
    ASSERT_TRUE(ImportKinds(kKinds, kTone)) << Failure();
    EXPECT_EQ(std::tuple(Count(kWaveKind), Count(kInstrumentKind), std::string(store.FetchBank()->name)),
              std::tuple(4u, 3u, std::string("Built")));
    const WavesampleRec &ramp = Wave(1), &alias = Wave(4), &wave = Wave(2);
    EXPECT_EQ(std::tuple(ramp.length, ramp.rootKey, ramp.loopStart, ramp.loopStartFrac, ramp.loopEnd, ramp.loopFlags),
              std::tuple(184u, 60, 19u, 128, 84u, 0x2C));
    const std::vector<std::uint8_t> data = Decoded(ramp);
    EXPECT_TRUE(data.size() == 368 && std::equal(data.begin(), data.end(), Ramp(200, 2).Data().begin() + 32));
    EXPECT_EQ(std::tuple(std::string(alias.name), alias.loopStart, alias.loopEnd, alias.rootKey, alias.fineTune),
              std::tuple(std::string("ramp"), 32u, 64u, 60, 2));
    EXPECT_EQ(alias.layout.offset, ramp.layout.offset);
    EXPECT_TRUE(std::string(wave.sourcePath).ends_with("/TONE.wav") && Decoded(wave) == Ramp(30, 2).Data());
    EXPECT_STREQ(Wave(300).name, "wave");
    const LayerRec& multi = Instrument(0).layer;
    EXPECT_EQ(std::tuple(multi.regionCount, multi.keyMap[0], multi.keyMap[1], multi.keyMap[2], multi.keyMap[8]),
              std::tuple(3, kWaveKind | 1, kWaveKind | 2, kWaveKind | 4, kWaveKind | NO_ITEM));
    EXPECT_EQ(Instrument(3).layer.keyMap[127], kWaveKind | 300);
    EXPECT_EQ(host.Texts("Attention!"), std::vector<std::string>{"Warning! Missing sample"});
    SweepTruncations(WfsFile("Bank", {kKinds[0], kKinds[3], kKinds[6]}, {{0, 7}}), "cut.wfb", 4, 0, 7);
}

TEST_F(WfsRead, BadFilesFailClearly)
{
    EXPECT_EQ(std::tuple(wfs_Detect(DetectHead("DrumKit", 32)), wfs_Detect(DetectHead("Drum", 32))), std::tuple(2, 1));
    std::filesystem::create_directory(dir / "folder.wav");
    const struct {
        Bytes file;
        const char* wave;
        std::string error;
    } cases[] = {
        {WfsFile("Banks", {}, {}), "", "wfs_Read: Not a WavePatch Bank, Drum or Program file"},
        {WfsFile("Bank", {kKinds[1]}, {}), "", "wfs_Read: Referenced .WAV filed can't be found"},
        {WfsFile("Bank", {{0, 2, "w", "folder.wav"}}, {}), "", "wfs_Read: Referenced .WAV filed can't be found"},
        {WfsFile("Bank", {kKinds[1]}, {}), "self", "wav_Read: No wave data found!"},
        {WfsFile("Bank", {{3, 1, "x"}}, {}), "", "wfs_Read: Unknown sample type encountered"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir / "TONE.wav");
        WriteFileBytes(dir / "x.wfb", c.file.Data());
        if (std::string(c.wave) == "self") WriteFileBytes(dir / "TONE.wav", c.file.Data());
        EXPECT_EQ(store.Imp(dir / "x.wfb") ? "" : Failure(), c.error);
    }
    std::vector<std::uint8_t> old = WfsFile("Bank", {}, {}).Data();
    old[64] = 110;
    WriteFileBytes(dir / "old.wfb", old);
    EXPECT_FALSE(store.Imp(dir / "old.wfb"));
    EXPECT_EQ(LastError.message, "Sorry, can't read pre-v1.2 files\nOpen it in WavePatch and save again!");
}

}  // namespace
