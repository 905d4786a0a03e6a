// The tracker readers on hand-built modules: detection, the MOD signatures and where each puts
// the sample data, the fields each header sets, the STM data positions, XI files made of real
// XM instruments, bad and cut files.
#include <cstring>

#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct TrackerRead : ImportFixture {};

void Put(std::vector<std::uint8_t>& f, std::size_t at, std::initializer_list<unsigned> bytes)
{
    for (unsigned b : bytes) f.at(at++) = static_cast<std::uint8_t>(b);
}

TEST(TrackerDetect, MagicTextsAndVolumes)
{
    const Detection cases[] = {
        {s3m_Detect, DetectHead("SCRM", 44), 2},
        {s3m_Detect, DetectHead("SCRS", 44), 0},
        {s3i_Detect, DetectHead("SCRS", 76), 2},
        {s3i_Detect, DetectHead("SCRM", 44), 0},
        {xm_Detect, DetectHead("Extended Module: ", 0), 2},
        {xm_Detect, DetectHead("EXTENDED MODULE: ", 0), 2},
        {xm_Detect, DetectHead("Extended Module:_", 0), 0},
        {xi_Detect, DetectHead("extended instrument: ", 0), 2},
        {xi_Detect, DetectHead("Extended Module: ", 0), 0},
        {mod_Detect, DetectHead("\x40", 45), 1},            // volume 64 in the first slot
        {mod_Detect, DetectHead("\x41", 45 + 30 * 14), 0},  // 65 in the fifteenth
        {mod_Detect, DetectHead("\xFF", 45 + 30 * 15), 1},  // the sixteenth plays no part
    };
    ExpectDetections(cases);
}

// A module of the signature's layout whose order table (song length 2: orders 0, 3, 1) uses
// four patterns; its first sample's two bytes stand at `dataStart`.
std::vector<std::uint8_t> ModFile(const char* signature, std::size_t dataStart, bool fifteenSamples)
{
    std::vector<std::uint8_t> f(std::max<std::size_t>(dataStart, 1084) + 2);
    Put(f, 20, {'f', 'i', 'r', 's', 't'});
    Put(f, 20 + 22, {0, 1, 0, 64, 0, 0, 0, 1});
    Put(f, fifteenSamples ? 470 : 950, {2, 0, 0, 3, 1});
    std::memcpy(&f[1080], signature, 4);
    Put(f, dataStart, {0x11, 0x22});
    return f;
}

TEST_F(TrackerRead, ModSignaturesSetChannelsAndLayout)
{
    const struct {
        const char* signature;
        std::size_t channels;
        bool fifteenSamples;
    } cases[] = {
        {"M.K.", 4, false},  {"M!K!", 4, false}, {"FLT4", 4, false}, {"FLT8", 8, false},  {"CD81", 8, false},
        {"EX08", 8, false},  {"OCTA", 8, false}, {"6CHN", 6, false}, {"32CH", 32, false}, {"2CHN", 2, false},
        {"20CH", 20, false}, {"TDZ3", 3, false}, {"0CHN", 4, true},  {"33CH", 4, true},   {"m.k.", 4, true},
    };
    for (const auto& c : cases) {
        const std::size_t dataStart = (c.fifteenSamples ? 604 : 1084) + 4 * c.channels * 256;
        ASSERT_TRUE(Import(Bytes{}.Append(ModFile(c.signature, dataStart, c.fifteenSamples)), "x.mod")) << Failure();
        EXPECT_EQ(Decoded(Wave(0)), (std::vector<std::uint8_t>{0x11, 0x22})) << c.signature;
        EXPECT_STREQ(Wave(0).name, "first");
    }
}

TEST_F(TrackerRead, ModSampleFields)
{
    std::vector<std::uint8_t> f = ModFile("M.K.", 1084 + 1024 * 4, false);
    const struct {
        std::size_t slot;
        unsigned finetune, volume, loopStartWords, loopWords;
        int fineTune, storeVolume;
        bool loops;
    } cases[] = {
        {1, 0x0F, 64, 0, 1, -16, 127, false},
        {2, 0x07, 32, 0, 2, 112, 63, true},
        {20, 0xF8, 80, 1, 3, -128, 127, true},  // past the slots detection looks at
    };
    for (const auto& c : cases) {
        Put(f, 20 + 30 * c.slot + 22, {0, 4, c.finetune, c.volume, 0, c.loopStartWords, 0, c.loopWords});
    }
    f.resize(f.size() + 3 * 8);
    ASSERT_TRUE(Import(Bytes{}.Append(f), "x.mod"));
    EXPECT_EQ(Count(kWaveKind), 4u);  // empty slots keep the numbers of the later ones
    for (const auto& c : cases) {
        const WavesampleRec& w = Wave(static_cast<std::uint32_t>(c.slot));
        EXPECT_EQ(std::tuple(int{w.fineTune}, int{w.volume}, Loops(w), w.length),
                  std::tuple(c.fineTune, c.storeVolume, c.loops, 8u))
            << c.slot;
        if (c.loops)
            EXPECT_EQ(std::tuple(w.loopStart, w.loopEnd),
                      std::tuple(c.loopStartWords * 2, (c.loopStartWords + c.loopWords) * 2));
    }
}

TEST_F(TrackerRead, TakeTrackerModuleDataFollowsItsThreeChannelPattern)
{
    const Bytes file = SharedFile("mod/TDZ3.MOD");
    const std::vector<std::uint8_t>& tdz = file.Data();
    ASSERT_TRUE(Import(file, "TDZ3.MOD")) << Failure();
    const std::size_t start = 1084 + 3 * 256;  // one pattern of three channels
    EXPECT_EQ(Decoded(Wave(0)), std::vector<std::uint8_t>(tdz.begin() + start, tdz.begin() + start + 16));
    EXPECT_EQ(Decoded(Wave(1)), std::vector<std::uint8_t>(tdz.begin() + start + 16, tdz.begin() + start + 80));
}

// An S3M header with instrument records at paragraphs 16, 21, 26, ... and room up to `size`.
std::vector<std::uint8_t> S3mFile(std::size_t records, unsigned sampleFormat, std::size_t size)
{
    std::vector<std::uint8_t> f(size);
    std::memcpy(&f[0], "Song", 4);
    Put(f, 32, {2, 0, static_cast<unsigned>(records), 0});
    Put(f, 42, {sampleFormat, 0, 'S', 'C', 'R', 'M'});
    for (std::size_t i = 0; i < records; ++i) Put(f, 98 + 2 * i, {static_cast<unsigned>(16 + 5 * i), 0});
    return f;
}

// Record i (type 1, named "file<i>") with its data at paragraph `paragraph` (bits 16..23 in `high`).
void S3mRecord(std::vector<std::uint8_t>& f, std::size_t i, unsigned paragraph, unsigned high, unsigned length,
               unsigned volume, unsigned packing, unsigned flags)
{
    const std::size_t at = (16 + 5 * i) * 16;
    Put(f, at, {1, 'f', 'i', 'l', 'e', static_cast<unsigned>('0' + i)});
    Put(f, at + 13, {high, paragraph & 0xFF, paragraph >> 8, length, 0, 0, 0, 2, 0, 0, 0, length, 0, 0, 0});
    Put(f, at + 28, {volume, 0, packing, flags, 0x2B, 0x20});  // C2 rate 8235
    Put(f, at + 48, {'n', 'o', 't', 'e'});
}

TEST_F(TrackerRead, S3mRecordFields)
{
    std::vector<std::uint8_t> f = S3mFile(5, 2, 0x10000 * 16 + 64);
    S3mRecord(f, 0, 0x40, 0, 4, 10, 0, 1);    // looped, 8-bit, quiet: full layer volume
    S3mRecord(f, 1, 0x41, 0, 4, 16, 0, 2);    // 8-bit stereo: left frames, then right
    S3mRecord(f, 2, 0x42, 0, 2, 64, 0, 4);    // 16-bit
    S3mRecord(f, 3, 0x0001, 1, 2, 64, 0, 0);  // data above 1 MB
    S3mRecord(f, 4, 0x43, 0, 2, 64, 1, 0);    // packed: skipped
    Put(f, 0x400, {1, 2, 3, 4});
    Put(f, 0x410, {1, 2, 3, 4, 5, 6, 7, 8});
    Put(f, 0x420, {0x00, 0x80, 0xFF, 0xFF});
    Put(f, 0x100010, {7, 9});
    ASSERT_TRUE(Import(Bytes{}.Append(f), "x.s3m")) << Failure();
    EXPECT_EQ(host.Texts("Attention!"), std::vector<std::string>{"Skipping Packed sample"});
    EXPECT_EQ(Count(kInstrumentKind), 4u);
    EXPECT_EQ(
        std::tuple(int{Instrument(0).layer.volume}, int{Instrument(1).layer.volume}, std::string(Instrument(0).note)),
        std::tuple(127, 31, std::string("note")));
    EXPECT_EQ(std::tuple(Loops(Wave(0)), Wave(0).loopStart, Wave(0).loopEnd, Wave(0).sampleRate),
              std::tuple(true, 2u, 4u, 8235u));
    EXPECT_EQ(Decoded(Wave(1)), (std::vector<std::uint8_t>{1, 5, 2, 6, 3, 7, 4, 8}));
    EXPECT_EQ(Decoded(Wave(2)), (std::vector<std::uint8_t>{0x00, 0x80, 0xFF, 0xFF}));
    EXPECT_EQ(Decoded(Wave(3)), (std::vector<std::uint8_t>{7, 9}));
    EXPECT_EQ(Delivered(Wave(0)).isSigned, false);

    Put(f, 42, {1});  // the first tracker versions' signed samples
    ASSERT_TRUE(Import(Bytes{}.Append(f), "x.s3m")) << Failure();
    EXPECT_EQ(Delivered(Wave(0)).isSigned, true);
}

TEST_F(TrackerRead, S3iFileIsOneRecord)
{
    std::vector<std::uint8_t> f = S3mFile(1, 2, 0x400 + 4);
    S3mRecord(f, 0, 0x40, 0, 4, 64, 0, 0);
    f.erase(f.begin(), f.begin() + 256);  // the record alone, its data 256 bytes nearer
    Put(f, 76, {'S', 'C', 'R', 'S'});
    Put(f, 14, {0x30, 0});
    ASSERT_TRUE(Import(Bytes{}.Append(f), "x.s3i")) << Failure();
    EXPECT_STREQ(store.FetchBank()->name, "Scream tracker v3 instrument");
    EXPECT_EQ(std::tuple(std::string(Instrument(1).name), Wave(1).length), std::tuple(std::string("file0"), 4u));
}

// An STM of one pattern (data from 2192) with slots of (name, paragraph, length, loop end).
TEST_F(TrackerRead, StmSlotsAreSamplesByLengthAndGiveTheirPositions)
{
    std::vector<std::uint8_t> f(2400);
    Put(f, 20, {'!', 'S', 'c', 'r', 'e', 'a', 'm', '!', 0x1A, 2, 2, 2});
    Put(f, 33, {1});
    const struct {
        const char* name;
        unsigned paragraph, length, loopEnd;
    } slots[] = {
        {"", 0, 4, 4},               // no name, no position: back to back; the loop may end at the end
        {"short", 0, 2, 0},          // two bytes or less: no sample
        {"placed", 144, 4, 0xFFFF},  // at 2304
        {"outside", 0x1000, 4, 3},   // a position past the file: after the last sample
    };
    for (std::size_t i = 0; i < std::size(slots); ++i) {
        const auto& s = slots[i];
        std::memcpy(&f[48 + 32 * i], s.name, std::strlen(s.name));
        Put(f, 48 + 32 * i + 14,
            {s.paragraph & 0xFF, s.paragraph >> 8, s.length, 0, 0, 0, s.loopEnd & 0xFF, s.loopEnd >> 8, 64});
    }
    Put(f, 2192, {1, 2, 3, 4});
    Put(f, 2304, {9, 8, 7, 6, 5, 5, 5, 5});
    ASSERT_TRUE(Import(Bytes{}.Append(f), "x.stm")) << Failure();
    EXPECT_EQ(Count(kWaveKind), 3u);
    EXPECT_EQ(std::tuple(Decoded(Wave(0)), Loops(Wave(0)), Wave(0).loopEnd),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3, 4}, true, 4u));
    EXPECT_EQ(std::tuple(Decoded(Wave(2)), Loops(Wave(2))), std::tuple(std::vector<std::uint8_t>{9, 8, 7, 6}, false));
    EXPECT_EQ(Decoded(Wave(3)), (std::vector<std::uint8_t>{5, 5, 5, 5}));
}

// An XM header (276 bytes from offset 60) and one pattern of 5 packed bytes.
Bytes XmHead(const char* magic, std::uint32_t headerSize, unsigned instruments, unsigned flags)
{
    Bytes b = Bytes{}.Text(magic, 17).Text("module", 20).U8(0x1A).Text("tracker", 20).Le16(0x104);
    b.Le32(headerSize).Le16(1, 0, 2, 1, instruments, flags, 6, 125).Zeros(256);
    return b.Le32(9).U8(0).Le16(64, 5).Zeros(5);
}

// An instrument header of 263 bytes mapping note 0 to `firstNote` and the rest to sample 0.
Bytes& XmInstrument(Bytes& b, unsigned samples, unsigned firstNote)
{
    b.Le32(samples == 0 ? 29 : 263).Text("inst", 22).U8(0).Le16(samples);
    if (samples == 0) return b;
    b.Le32(40).U8(firstNote).Zeros(95);
    return b.Zeros(263 - 129);
}

Bytes& XmSample(Bytes& b, unsigned bytes, unsigned loopStart, unsigned loopLength, unsigned type, unsigned panning,
                int relativeNote)
{
    return b.Le32(bytes, loopStart, loopLength).U8(64, 0xF0, type, panning, relativeNote & 0xFF, 0).Text("smp", 22);
}

TEST_F(TrackerRead, XmInstrumentsSamplesAndRates)
{
    Bytes xm = XmHead("EXTENDED MODULE: ", 276, 3, 1);
    XmInstrument(xm, 0, 0);  // uses up number 0
    XmInstrument(xm, 2, 1);
    XmSample(xm, 1000, 200, 400, 0x11, 255, 12);
    XmSample(xm, 1, 0, 1, 3, 0, -12);  // one frame: dropped, its byte still skipped
    xm.Zeros(1000).U8(5);
    XmInstrument(xm, 1, 3);
    XmSample(xm, 4, 0, 4, 3, 128, -12).U8(1, 1, 1, 1);
    ASSERT_TRUE(Import(xm, "x.xm")) << Failure();
    EXPECT_EQ(std::tuple(Count(kInstrumentKind), Count(kWaveKind)), std::tuple(2u, 2u));
    const WavesampleRec& w = Wave(0x100);
    EXPECT_EQ(std::tuple(w.length, w.loopStart, w.loopEnd, int{w.loopFlags}, int{w.pan}, int{w.fineTune}, w.sampleRate),
              std::tuple(500u, 100u, 300u, 36, 127, -16, 33452u));
    EXPECT_EQ(std::tuple(int{Wave(0x200).loopFlags}, Wave(0x200).sampleRate), std::tuple(44, 8363u));
    EXPECT_EQ(Decoded(Wave(0x200)), (std::vector<std::uint8_t>{1, 2, 3, 4}));  // delta-coded
    EXPECT_EQ(
        std::tuple(Instrument(1).layer.keyMap[11], Instrument(1).layer.keyMap[12], Instrument(1).layer.keyMap[13]),
        std::tuple(kWaveKind | NO_ITEM, kWaveKind | 0x101, kWaveKind | 0x100));
    EXPECT_EQ(
        std::tuple(Instrument(2).layer.keyMap[12], Instrument(2).layer.keyMap[107], Instrument(2).layer.keyMap[108]),
        std::tuple(kWaveKind | 0x203, kWaveKind | 0x200, kWaveKind | NO_ITEM));

    // Without the linear table: Amiga periods; notes below an octave use the next lower one.
    const struct {
        int relativeNote;
        std::uint32_t rate;
    } amiga[] = {{0, 1973}, {12, 3946}, {-12, 986}, {-13, 932}, {5, 2639}};
    for (const auto& c : amiga) {
        Bytes x = XmHead("Extended Module: ", 276, 1, 0);
        XmInstrument(x, 1, 0);
        XmSample(x, 2, 0, 0, 0, 0, c.relativeNote).U8(0, 0);
        ASSERT_TRUE(Import(x, "x.xm")) << Failure();
        EXPECT_EQ(Wave(0).sampleRate, c.rate) << c.relativeNote;
    }
}

// The instruments with samples of an XM, each with its number, as XI files: the header with the
// instrument's sample map and envelopes, its 40-byte sample headers and its data.
std::vector<std::pair<std::uint32_t, Bytes>> XiFilesOf(const std::vector<std::uint8_t>& xm)
{
    std::vector<std::pair<std::uint32_t, Bytes>> files;
    std::size_t at = 60 + LeAt(xm, 60);
    for (unsigned p = 0; p < LeAt(xm, 70, 2); ++p) at += LeAt(xm, at) + LeAt(xm, at + 7, 2);
    for (std::uint32_t n = 0; n < LeAt(xm, 72, 2); ++n) {
        const std::size_t samples = LeAt(xm, at + 27, 2), headerSize = samples ? LeAt(xm, at + 29) : 0;
        const auto from = [&](std::size_t begin, std::size_t end) {  // an empty last record ends the file early
            end = std::min(end, xm.size()), begin = std::min(begin, end);
            return std::vector<std::uint8_t>(xm.begin() + static_cast<std::ptrdiff_t>(begin),
                                             xm.begin() + static_cast<std::ptrdiff_t>(end));
        };
        Bytes xi = Bytes{}.Text("Extended Instrument: ", 21).Append(from(at + 4, at + 26));
        xi.U8(0x1A).Text("FastTracker v2.00", 20).Le16(0x102).Append(from(at + 33, at + 243)).Zeros(20).Le16(samples);
        const std::size_t headers = at + LeAt(xm, at), data = headers + samples * headerSize;
        at = data;
        for (std::size_t s = 0; s < samples; ++s) {
            xi.Append(from(headers + s * headerSize, headers + s * headerSize + 40));
            at += LeAt(xm, headers + s * headerSize);
        }
        if (samples > 0) files.emplace_back(n, xi.Append(from(data, at)));
    }
    return files;
}

// What an instrument and its wavesamples hold, with wavesample `base` + s as sample s.
struct InstrumentFacts {
    bool present = false;
    std::vector<std::uint32_t> keyMap;
    std::vector<
        std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, int, std::uint32_t, int, std::vector<std::uint8_t>>>
        waves;

    InstrumentFacts(const WaveStore& store, std::uint32_t instrument, std::uint32_t base)
    {
        const InstrumentRec* rec = store.FetchInstrument(kInstrumentKind | instrument);
        present = rec != nullptr;
        for (int key = 0; rec != nullptr && key < 128; ++key) {
            const std::uint32_t entry = rec->layer.keyMap[key] & kIndexMask;
            keyMap.push_back(entry == NO_ITEM ? NO_ITEM : entry - base);
        }
        for (std::uint32_t s = 0; s < kXmMaxSamples; ++s) {
            if (const WavesampleRec* w = store.FetchWave(kWaveKind | (base + s))) {
                waves.emplace_back(s, w->length, w->loopStart, int{w->loopFlags}, w->sampleRate, int{w->pan},
                                   Decoded(*w));
            }
        }
    }
    bool operator==(const InstrumentFacts&) const = default;
};

TEST_F(TrackerRead, XiFilesOfRealInstrumentsReadAsTheModuleDoes)
{
    // Modules with the linear frequency table, the only kind whose instruments the tracker saves.
    for (const std::string module : {std::string(KOBA_SHARED_TESTDATA) + "/xm/test.xm",
                                     std::string("/usr/share/games/powermanga/sounds/music_game.zik")}) {
        const std::vector<std::uint8_t> xm = ReadFileBytes(module);
        ASSERT_EQ(LeAt(xm, 74, 2) & 1, 1u) << module;
        const auto xis = XiFilesOf(xm);
        ASSERT_FALSE(xis.empty());
        ASSERT_TRUE(store.Imp(module)) << Failure();
        std::vector<InstrumentFacts> fromModule;
        for (const auto& [n, xi] : xis) fromModule.emplace_back(store, n, n * 256);
        for (std::size_t i = 0; i < xis.size(); ++i) {
            ASSERT_TRUE(Import(xis[i].second, "x.xi")) << Failure();
            EXPECT_TRUE(InstrumentFacts(store, 0, 0) == fromModule[i]) << module << " instrument " << xis[i].first;
        }
    }
}

TEST_F(TrackerRead, BadFilesAreRefusedClearly)
{
    Bytes tooMany = XmHead("Extended Module: ", 276, 1, 1);
    XmInstrument(tooMany, 17, 0);
    const Bytes xi = Bytes{}.Text("Extended Instrument: ", 21).Zeros(275).Le16(17).Zeros(40 * 17);
    const Refusal cases[] = {
        {XmHead("Extended Module: ", 0, 0, 1), xm_Read, "xm_Read: The module header size is out of range"},
        {XmHead("Extended Module: ", 0xFFFFFFFF, 0, 1), xm_Read, "xm_Read: The module header size is out of range"},
        {tooMany.Zeros(40 * 17), xm_Read, "xm_Read: An instrument has more than 16 samples"},
        {Bytes{}.Text("Extended Modul", 60), xm_Read, "xm_Read: Not an XM - Extended Module file"},
        {xi, xi_Read, "xi_Read: The instrument has more than 16 samples"},
        {Bytes{}.Text("Extended Instrument:", 300), xi_Read, "xi_Read: Not an XI - Extended Instrument file"},
        {Bytes{}.Zeros(44).Tag("SCRN").Zeros(100), s3m_Read, "s3m_Read: Not an S3M module!"},
    };
    ExpectRefusals(store, cases);
}

// Cut modules keep the samples whose data is there, and never claim more.
TEST_F(TrackerRead, CutModulesKeepWhatTheyHold)
{
    const ImportFixture::Cut cases[] = {
        {SharedFile("mod/ode2ptk.mod"), "x.mod", 29},
        {SharedFile("s3m/stereo.s3m"), "x.s3m"},
        {SharedFile("stm/st22_tempo.stm"), "x.stm", 17},
        {SharedFile("xm/test.xm"), "x.xm", 3},
        {XiFilesOf(SharedFile("xm/test.xm").Data()).at(1).second, "x.xi"},
    };
    SweepEachTruncation(cases);
}

}  // namespace
