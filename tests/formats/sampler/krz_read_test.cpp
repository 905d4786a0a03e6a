// The Kurzweil reader on the real drum program and on K2000 programs built from the sampler's
// layout: a floppy set whose sample runs over three files, a set with a gap, damaged chains and
// cut files.
#include <filesystem>

#include "../format_kit.h"
#include "formats/formats.h"

namespace {

using Regions = std::vector<std::tuple<std::uint32_t, int, int>>;  // wave index, low and high key

struct KrzRead : ImportFixture {
    Regions RegionsOf(std::uint32_t instrument) const
    {
        Regions regions;
        const LayerRec& layer = Instrument(instrument).layer;
        for (const KeyRegion& r : std::span(layer.regions).first(layer.regionCount))
            regions.emplace_back(r.wave & kIndexMask, r.lowKey, r.highKey);
        return regions;
    }
};

// An object of the chain: head, terminated name of even length, body, to a multiple of four.
Bytes Object(unsigned type, unsigned id, std::string_view name, const Bytes& body)
{
    const std::size_t nameBytes = (name.size() + 2) & ~std::size_t{1};
    const std::size_t size = (10 + nameBytes + body.Size() + 3) & ~std::size_t{3};
    const Bytes head = Bytes{}.Be16(0xFFFF, 0).U8(type, id).Be16(size - 4, nameBytes).Text(name, nameBytes);
    return Bytes{}.Append(head).Append(body).Zeros(size - head.Size() - body.Size());
}

struct Header {
    unsigned flags;
    std::uint32_t start, loopStart, end, period;
};

// Sample headers; the table may claim more of them (`lastHeader`) than it holds.
Bytes Samples(std::initializer_list<Header> headers, std::size_t lastHeader = 0)
{
    Bytes body = Bytes{}.Be16(std::max(headers.size() - 1, lastHeader)).Zeros(8);
    for (const Header& h : headers) body.U8(60, h.flags).Zeros(6).Be32(h.start, 0, h.loopStart, h.end, 0, h.period);
    return body;
}

// A file of a set: `dataStart` (0: after `objects` and a closing word), objects, data words.
Bytes Program(const Bytes& objects, std::span<const std::int16_t> data, std::size_t dataStart = 0)
{
    dataStart = dataStart != 0 ? dataStart : 32 + objects.Size() + 4;
    Bytes f = Bytes{}.Tag("PRAM").Be32(dataStart).Zeros(24).Append(objects).Zeros(dataStart - 32 - objects.Size());
    for (std::int16_t w : data) f.Be16(static_cast<std::uint16_t>(w));
    return f;
}

TEST_F(KrzRead, MagicAndRows)
{
    for (const auto& [name, row] : {std::pair{"a.KR1", "kr1"}, {"a.krz", "krz"}, {"a.dat", "krz"}}) {
        ASSERT_TRUE(Import(Program(Bytes{}, {}), name)) << Failure();
        EXPECT_STREQ(GetImportFormat(store, store.formatIndex)->extension, row) << name;
    }
    EXPECT_FALSE(Import(Bytes{}.Tag("PRAM").Zeros(20), "a.krz"));  // no room for its header
    EXPECT_EQ(Failure(), "krz_Read: Not a .KRZ (PRAM) file");
    std::array<std::uint8_t, kDetectBytes> head{'p', 'r', 'a', 'm'};
    EXPECT_EQ(krz_Detect(head), 0);
}

// The drum program KurzFiler wrote: one sample on one key.
TEST_F(KrzRead, RealDrumProgram)
{
    const std::vector<std::uint8_t> f = ReadFileBytes(std::string(KOBA_SHARED_TESTDATA) + "/krz/TestDrumProgram.krz");
    ASSERT_TRUE(Import(Bytes{}.Append(f), "TestDrumProgram.krz")) << Failure();
    ASSERT_EQ(std::tuple(Count(kWaveKind), Count(kInstrumentKind)), std::tuple(1u, 1u));
    EXPECT_STREQ(Instrument(200).name, "km");
    EXPECT_EQ(RegionsOf(200), (Regions{{200 * 256, 36, 36}}));  // a kit's bass drum key
    const WavesampleRec& w = Wave(200 * 256);
    EXPECT_STREQ(w.name, "test.wav");
    EXPECT_EQ(std::tuple(w.sampleRate, Loops(w), w.loopEnd), std::tuple(22050u, true, w.length - 1));

    // The whole data area, from where the header's second word (below 64 KB here) says.
    std::vector<std::int16_t> stored;
    for (std::size_t at = std::size_t{f[6]} << 8 | f[7]; at + 1 < f.size(); at += 2)
        stored.push_back(static_cast<std::int16_t>(f[at] << 8 | f[at + 1]));
    const std::vector<std::int16_t> audio = Samples16(Decoded(w));
    EXPECT_EQ(audio, stored);
    // Real audio: near full scale, and a smooth tone rather than noise or stray header bytes.
    int peak = 0, step = 0;
    for (std::size_t i = 1; i < audio.size(); ++i)
        peak = std::max(peak, std::abs(audio[i])), step = std::max(step, std::abs(audio[i] - audio[i - 1]));
    EXPECT_GT(peak, 30000);
    EXPECT_LT(step, peak / 10);
}

// A program on three floppies: a keymap of two-byte sample ids (one above 255) and one of
// one-byte entries that counts from the sample named like it; samples in the first file, from the
// first into the third, and in the third. Data words: KR1 0..299, KR2 300..555, KR3 556..705.
struct KrzSet : KrzRead {
    TempDir dir;
    const std::vector<std::int16_t> data = TestSignal(706, 7);

    void SetUp() override
    {
        Bytes piano, bass;  // keys 12..59 sample 1 (key 40 its second header), 60..127 sample 300
        for (unsigned e = 0; e < 128; ++e) piano.Be16(0x12C0, e >= 116 ? 44 : e >= 48 ? 300 : 1).U8(e == 28 ? 2 : 1);
        for (unsigned e = 0; e < 50; ++e) bass.U8(e >= 12 && e < 36);  // keys 24..47
        Bytes objects = Object(148, 1, "Piano keys", Bytes{}.Zeros(6).Be16(127, 5).Zeros(16).Append(piano))
                            .Append(Object(148, 2, "Bass map", Bytes{}.Zeros(6).Be16(49, 1).Zeros(16).Append(bass)));
        // The sampler counts every later file whole, its header (h words) included.
        const auto samples = [](std::uint32_t h) {
            const auto at = [h](std::uint32_t d) { return d < 300 ? d : d < 556 ? d + h : d + 2 * h; };
            return Object(152, 1, "Piano", Samples({{0x80, 0, 0, 99, 22675}, {0x81, 100, 0, 199, 20833}}))
                .Append(Object(152, 44, "Bass", Samples({{0x06, 200, at(566) + 1, at(605), 0}})))
                .Append(Object(153, 44, "Strings", Samples({{0x00, at(606), at(656) + 1, at(705), 45351}})));
        };
        const auto h = static_cast<std::uint32_t>(32 + objects.Size() + samples(0).Size() + 4) / 2;
        objects.Append(samples(h));
        const std::span<const std::int16_t> words(data);
        WriteFileBytes(dir / "SET.KR1", Program(objects, words.subspan(0, 300)).Data());
        WriteFileBytes(dir / "set.kr2", Program({}, words.subspan(300, 256), 2 * h).Data());
        WriteFileBytes(dir / "Set.Kr3", Program({}, words.subspan(556), 2 * h).Data());
    }
};

TEST_F(KrzSet, EverySampleKeyMapAndLoopAsPutIn)
{
    ASSERT_TRUE(store.Imp(dir / "SET.KR1")) << Failure();
    const struct {
        std::uint32_t index;
        const char* name;
        std::uint32_t first, last, loopStart, rate;
        std::uint8_t loopFlags;
    } waves[] = {
        {256, "Piano", 0, 99, 0, 44101, 0},
        {257, "_Piano", 100, 199, 0, 48000, kLoopReverse},
        {44 * 256, "Bass", 200, 605, 366, 44100, kLoopFound | kLoopBidirectional | kLoopRelease},
        {300 * 256, "Strings", 606, 705, 50, 22050, kLoopFound},
    };
    EXPECT_EQ(Count(kWaveKind), std::size(waves));
    for (const auto& c : waves) {
        const WavesampleRec& w = Wave(c.index);
        EXPECT_STREQ(w.name, c.name);
        EXPECT_EQ(std::tuple(w.length, w.loopStart, w.loopEnd, w.sampleRate, w.loopFlags),
                  std::tuple(c.last - c.first + 1, c.loopStart, c.last - c.first, c.rate, c.loopFlags))
            << c.name;
        EXPECT_EQ(Samples16(Decoded(w)), std::vector(data.begin() + c.first, data.begin() + c.last + 1)) << c.name;
    }
    EXPECT_STREQ(Instrument(1).name, "Piano keys");
    EXPECT_EQ(RegionsOf(1), (Regions{{256, 12, 39}, {257, 40, 40}, {256, 41, 59}, {300 * 256, 60, 127}}));
    EXPECT_STREQ(Instrument(2).name, "Bass map");
    EXPECT_EQ(RegionsOf(2), (Regions{{44 * 256, 24, 47}}));
}

TEST_F(KrzSet, AGapFailsTheSamplesBeyondIt)
{
    std::filesystem::remove(dir / "set.kr2");
    ASSERT_TRUE(store.Imp(dir / "SET.KR1")) << Failure();
    EXPECT_EQ(Samples16(Decoded(Wave(256))), std::vector(data.begin(), data.begin() + 100));
    for (std::uint32_t index : {44u * 256, 300u * 256}) {
        CaptureSink capture;
        EXPECT_FALSE(CaptureWave(Wave(index), capture));
        EXPECT_TRUE(Failure().starts_with("krz_Copy: Couldn't open input file: " + dir / "SET.KR2")) << Failure();
        EXPECT_EQ(capture.calls, 0);
    }
}

TEST_F(KrzSet, CutFirstFile)
{
    const std::vector<std::uint8_t> full = ReadFileBytes(dir / "SET.KR1");
    for (std::size_t cut = 0; cut <= full.size(); cut += 3) {
        WriteFileBytes(dir / "SET.KR1", std::vector<std::uint8_t>(full.begin(), full.begin() + cut));
        if (!store.Imp(dir / "SET.KR1")) continue;
        EXPECT_LE(Count(kWaveKind), 4u);
        store.ForEachItem([&](ItemId id, const void* record) {
            if (!IsWave(id)) return;
            // The data come whole from the files there, or the file missing is named.
            CaptureSink capture;
            const bool copied = CaptureWave(*static_cast<const WavesampleRec*>(record), capture);
            EXPECT_TRUE(copied ? capture.frames == static_cast<const WavesampleRec*>(record)->length
                               : Failure().starts_with("krz_Copy: Couldn't open input file: "))
                << cut << " " << Failure();
        });
    }
}

TEST_F(KrzRead, DamagedChainsKeepWhatCameBefore)
{
    const Bytes sample = Samples({{0x80, 0, 0, 1, 22675}});
    const auto head = [](unsigned type, unsigned raw, unsigned nameLength, std::size_t size) {
        return Bytes{}.Be16(0xFFFF, 0).U8(type, 2).Be16(raw, nameLength).Zeros(size - 10);
    };
    const struct {
        const char* what;
        Bytes bad;
        std::size_t waves;
        bool warned;
    } cases[] = {
        {"raw size 5 takes 12 bytes", head(144, 5, 0, 12), 2, false},
        {"raw size 8 takes 12 bytes", head(144, 8, 0, 12), 2, false},
        {"raw size 9 takes 16 bytes", head(144, 9, 0, 16), 2, false},
        {"name longer than its object", head(152, 8, 40, 12), 1, true},
        {"object past the object area", head(152, 4000, 2, 12), 1, true},
        {"no marker", Bytes{}.Be16(0x7FFF).Zeros(10), 1, false},
        {"more headers than its body", Object(152, 2, "many", Samples({{0x80, 0, 0, 1, 1}}, 0xFFFF)), 3, false},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        const Bytes objects = Object(152, 1, "good", sample).Append(c.bad).Append(Object(152, 3, "after", sample));
        ASSERT_TRUE(Import(Program(objects, std::vector<std::int16_t>{1, 2}), "x.krz")) << c.what;
        EXPECT_EQ(std::tuple(Count(kWaveKind), host.Texts("Attention!").size()),
                  std::tuple(c.waves, c.warned ? 1u : 0u))
            << c.what;
    }
}

TEST_F(KrzRead, TruncatedSingleFile)
{
    Bytes map = Bytes{}.Zeros(6).Be16(9, 5).Zeros(16);
    for (unsigned e = 0; e < 10; ++e) map.Be16(0, 9).U8(e % 2 + 1);
    const Bytes objects =
        Object(148, 9, "map", map)
            .Append(Object(152, 9, "one", Samples({{0, 0, 20, 99, 22675}, {0x80, 100, 0, 159, 22675}})));
    SweepTruncations(Program(objects, TestSignal(160, 3)), "x.krz", 4);
}

}  // namespace
