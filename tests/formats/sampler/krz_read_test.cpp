// The Kurzweil reader on the real drum program and on K2000 programs built from the sampler's
// layout: a floppy set whose sample runs over three files, a set with a gap, damaged chains and
// cut files.
#include <cstring>
#include <filesystem>

#include "../format_kit.h"
#include "formats/formats.h"

namespace {

struct KrzRead : ImportFixture {};

// An object of the chain: head, terminated name of even length, body, to a multiple of four.
Bytes Object(unsigned type, unsigned id, std::string_view name, const Bytes& body)
{
    const std::size_t nameBytes = (name.size() + 2) & ~std::size_t{1};
    const std::size_t size = (10 + nameBytes + body.Size() + 3) & ~std::size_t{3};
    return Bytes{}
        .Be16(0xFFFF)
        .Zeros(2)
        .U8(type, id)
        .Be16(size - 4)
        .Be16(nameBytes)
        .Text(name, nameBytes)
        .Append(body)
        .Zeros(size - 10 - nameBytes - body.Size());
}

struct Header {
    unsigned flags;
    std::uint32_t start, loopStart, end, period;
};

// Sample headers; a table may claim more of them (`lastHeader`) than it holds.
Bytes Samples(std::initializer_list<Header> headers, std::size_t lastHeader = 0)
{
    Bytes body = Bytes{}.Be16(std::max(headers.size() - 1, lastHeader)).Zeros(8);
    for (const Header& h : headers)
        body.U8(60, h.flags).Zeros(6).Be32(h.start, 0, h.loopStart, h.end).Zeros(4).Be32(h.period);
    return body;
}

Bytes Keymap(std::size_t entries, unsigned entrySize, const Bytes& table)
{
    return Bytes{}.Zeros(6).Be16(entries - 1).Be16(entrySize).Zeros(16).Append(table);
}

Bytes Words(const std::vector<std::uint16_t>& words)
{
    Bytes b;
    for (std::uint16_t w : words) b.Be16(w);
    return b;
}

// A program file: its objects, a closing word, then the sample data.
Bytes Program(const Bytes& objects, const Bytes& data)
{
    return Bytes{}.Tag("PRAM").Be32(32 + objects.Size() + 4).Zeros(24).Append(objects).Zeros(4).Append(data);
}

// A later file of a set: its own header with data from `dataStart` on.
Bytes Continuation(std::size_t dataStart, const Bytes& data)
{
    return Bytes{}.Tag("PRAM").Be32(dataStart).Zeros(dataStart - 8).Append(data);
}

std::vector<std::uint16_t> Signal(std::size_t words, unsigned seed)
{
    const std::vector<std::int16_t> s = TestSignal(words, seed);
    return {s.begin(), s.end()};
}

std::vector<std::uint16_t> AudioOf(const WavesampleRec& wave)
{
    const std::vector<std::int16_t> s = Samples16(Decoded(wave));
    return {s.begin(), s.end()};
}

// Regions of an instrument as (wave index, low key, high key).
std::vector<std::tuple<std::uint32_t, int, int>> Regions(const InstrumentRec& inst)
{
    std::vector<std::tuple<std::uint32_t, int, int>> regions;
    for (int r = 0; r < inst.layer.regionCount; ++r) {
        const KeyRegion& k = inst.layer.regions[r];
        regions.emplace_back(k.wave & kIndexMask, k.lowKey, k.highKey);
    }
    return regions;
}

TEST(KrzDetect, MagicAndRows)
{
    std::array<std::uint8_t, kDetectBytes> head{};
    for (const auto& [magic, score] : {std::pair{"PRAM", 2}, {"pram", 0}, {"PRAX", 0}}) {
        std::memcpy(head.data(), magic, 4);
        EXPECT_EQ(krz_Detect(head), score) << magic;
    }
}

TEST_F(KrzRead, RowsByExtension)
{
    const Bytes file = Program(Bytes{}, Bytes{});
    for (const auto& [name, row] : {std::pair{"a.KR1", "kr1"}, {"a.krz", "krz"}, {"a.dat", "krz"}}) {
        ASSERT_TRUE(Import(file, name)) << Failure();
        EXPECT_STREQ(GetImportFormat(store, store.formatIndex)->extension, row) << name;
    }
    EXPECT_FALSE(Import(Bytes{}.Tag("PRAM").Zeros(20), "a.krz"));  // no room for its header
    EXPECT_EQ(Failure(), "krz_Read: Not a .KRZ (PRAM) file");
}

// The drum program written by KurzFiler: one sample on one key.
TEST_F(KrzRead, RealDrumProgram)
{
    const std::vector<std::uint8_t> f = ReadFileBytes(std::string(KOBA_SHARED_TESTDATA) + "/krz/TestDrumProgram.krz");
    ASSERT_TRUE(Import(Bytes{}.Append(f), "TestDrumProgram.krz")) << Failure();
    ASSERT_EQ(Count(kWaveKind), 1u);
    ASSERT_EQ(Count(kInstrumentKind), 1u);
    const InstrumentRec& kit = Instrument(200);
    const WavesampleRec& w = Wave(200 * 256);
    EXPECT_STREQ(kit.name, "km");
    EXPECT_STREQ(w.name, "test.wav");
    // A kit with its one sound on the bass drum's key.
    EXPECT_EQ(Regions(kit), (std::vector<std::tuple<std::uint32_t, int, int>>{{200 * 256, 36, 36}}));

    // The sample is the whole data area, which starts where the header's second word says.
    const std::size_t dataStart = std::size_t{f[6]} << 8 | f[7];  // a big-endian 32-bit H below 64 KB
    std::vector<std::uint16_t> stored;
    for (std::size_t at = dataStart; at + 1 < f.size(); at += 2)
        stored.push_back(static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]));
    const std::vector<std::uint16_t> audio = AudioOf(w);
    EXPECT_EQ(audio, stored);
    // Real audio: near full scale, and a smooth tone rather than noise or stray header bytes.
    int peak = 0, step = 0;
    for (std::size_t i = 0; i < audio.size(); ++i) {
        peak = std::max(peak, std::abs(int{static_cast<std::int16_t>(audio[i])}));
        if (i > 0)
            step =
                std::max(step, std::abs(static_cast<std::int16_t>(audio[i]) - static_cast<std::int16_t>(audio[i - 1])));
    }
    EXPECT_GT(peak, 30000);
    EXPECT_LT(step, peak / 10);
    EXPECT_EQ(w.sampleRate, 22050u);
    EXPECT_TRUE(Loops(w));
    EXPECT_LT(w.loopStart, w.loopEnd);
    EXPECT_EQ(w.loopEnd, w.length - 1);
}

// A program on three floppies: two keymaps (one with two-byte sample ids, one counting from
// the sample named like it), and samples in the first file, from the first into the third,
// and in the third. Data words: KR1 0..299, KR2 300..555, KR3 556..705.
struct KrzSet : KrzRead {
    TempDir dir;
    std::vector<std::uint16_t> data = Signal(706, 7);
    std::size_t dataStart = 0;

    // The sampler's address of data word d: every later file counts whole.
    std::uint32_t Address(std::uint32_t d) const
    {
        const std::uint32_t h = static_cast<std::uint32_t>(dataStart / 2);
        return d < 300 ? d : d < 556 ? d + h : d + 2 * h;
    }

    void Write()
    {
        Bytes piano;  // keys 12..127: sample 1 header 1, key 40 header 2, from 60 sample 300
        for (unsigned e = 0; e < 128; ++e) {
            const unsigned id = e >= 116 ? 44 : e >= 48 ? 300 : 1, header = e == 28 ? 2 : 1;
            piano.Be16(0x12C0).Be16(id).U8(header);
        }
        Bytes bass;  // keys 24..47
        for (unsigned e = 0; e < 50; ++e) bass.U8(e >= 12 && e < 36 ? 1 : 0);
        Bytes objects =
            Object(148, 1, "Piano keys", Keymap(128, 5, piano)).Append(Object(148, 2, "Bass map", Keymap(50, 1, bass)));
        const Bytes placeholder = Object(152, 1, "Piano", Samples({{}, {}}))
                                      .Append(Object(152, 44, "Bass", Samples({{}})))
                                      .Append(Object(153, 44, "Strings", Samples({{}})));
        dataStart = 32 + objects.Size() + placeholder.Size() + 4;
        objects.Append(Object(152, 1, "Piano", Samples({{0x80, 0, 0, 99, 22675}, {0x81, 100, 0, 199, 20833}})))
            .Append(Object(152, 44, "Bass", Samples({{0x06, 200, Address(566) + 1, Address(605), 0}})))
            .Append(Object(153, 44, "Strings", Samples({{0x00, Address(606), Address(656) + 1, Address(705), 45351}})));
        const auto part = [&](std::size_t from, std::size_t to) {
            return Words(std::vector<std::uint16_t>(data.begin() + from, data.begin() + to));
        };
        WriteFileBytes(dir / "SET.KR1", Program(objects, part(0, 300)).Data());
        WriteFileBytes(dir / "set.kr2", Continuation(dataStart, part(300, 556)).Data());
        WriteFileBytes(dir / "Set.Kr3", Continuation(dataStart, part(556, 706)).Data());
    }
};

TEST_F(KrzSet, EverySampleKeyMapAndLoopAsPutIn)
{
    Write();
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
        EXPECT_EQ(AudioOf(w), std::vector<std::uint16_t>(data.begin() + c.first, data.begin() + c.last + 1))
            << c.name;
    }
    EXPECT_STREQ(Instrument(1).name, "Piano keys");
    EXPECT_EQ(Regions(Instrument(1)), (std::vector<std::tuple<std::uint32_t, int, int>>{
                                          {256, 12, 39}, {257, 40, 40}, {256, 41, 59}, {300 * 256, 60, 127}}));
    EXPECT_STREQ(Instrument(2).name, "Bass map");
    EXPECT_EQ(Regions(Instrument(2)), (std::vector<std::tuple<std::uint32_t, int, int>>{{44 * 256, 24, 47}}));
}

TEST_F(KrzSet, AGapInTheSetFailsTheSamplesBeyondIt)
{
    Write();
    std::filesystem::remove(dir / "set.kr2");
    ASSERT_TRUE(store.Imp(dir / "SET.KR1")) << Failure();
    EXPECT_EQ(AudioOf(Wave(256)), std::vector<std::uint16_t>(data.begin(), data.begin() + 100));
    for (std::uint32_t index : {44u * 256, 300u * 256}) {
        CaptureSink capture;
        EXPECT_FALSE(CaptureWave(Wave(index), capture));
        EXPECT_EQ(LastError.location, "krz_Copy");
        EXPECT_TRUE(LastError.message.starts_with("Couldn't open input file: " + dir / "SET.KR2")) << LastError.message;
        EXPECT_EQ(capture.frames, 0u);
    }
}

TEST_F(KrzSet, CutFirstFile)
{
    Write();
    const std::vector<std::uint8_t> full = ReadFileBytes(dir / "SET.KR1");
    for (std::size_t cut = 0; cut <= full.size(); cut += 3) {
        WriteFileBytes(dir / "SET.KR1", std::vector<std::uint8_t>(full.begin(), full.begin() + cut));
        if (!store.Imp(dir / "SET.KR1")) continue;
        EXPECT_LE(Count(kWaveKind), 4u);
        store.ForEachItem([&](ItemId id, const void* record) {
            if (!IsWave(id)) return;
            CaptureSink capture;
            // The data either come whole from the files there, or the file missing is named.
            if (CaptureWave(*static_cast<const WavesampleRec*>(record), capture)) {
                EXPECT_EQ(capture.frames, static_cast<const WavesampleRec*>(record)->length) << cut;
            } else {
                EXPECT_EQ(Failure().substr(0, 36), "krz_Copy: Couldn't open input file: ") << cut;
            }
        });
    }
}

// One file: a keymap and a sample object of two headers.
Bytes SingleProgram()
{
    Bytes map;
    for (unsigned e = 0; e < 10; ++e) map.Be16(0).Be16(9).U8(e % 2 + 1);
    return Program(Object(148, 9, "map", Keymap(10, 5, map))
                       .Append(Object(152, 9, "one", Samples({{0, 0, 20, 99, 22675}, {0x80, 100, 0, 159, 22675}}))),
                   Words(Signal(160, 3)));
}

TEST_F(KrzRead, ObjectSizesFromTheirRawSize)
{
    // The Part's rounding: raw 5 and 8 take 12 bytes, raw 9 takes 16.
    for (const auto& [raw, size] : {std::pair{5u, 12u}, {8u, 12u}, {9u, 16u}}) {
        const Bytes skipped = Bytes{}.Be16(0xFFFF).Zeros(2).U8(144, 1).Be16(raw).Be16(0).Zeros(size - 10);
        ASSERT_TRUE(Import(
            Program(Bytes{}.Append(skipped).Append(Object(152, 3, "s", Samples({{0x80, 0, 0, 0, 22675}}))), Words({1})),
            "x.krz"));
        EXPECT_EQ(Count(kWaveKind), 1u) << raw;
    }
}

TEST_F(KrzRead, DamagedChainsKeepWhatCameBefore)
{
    const Bytes sample = Samples({{0x80, 0, 0, 1, 22675}});
    const struct {
        const char* what;
        Bytes bad;
        std::size_t waves;
        bool warned;
    } cases[] = {
        {"name longer than its object", Bytes{}.Be16(0xFFFF).Zeros(2).U8(152, 2).Be16(8).Be16(40).Zeros(8), 1, true},
        {"object past the object area", Bytes{}.Be16(0xFFFF).Zeros(2).U8(152, 2).Be16(4000).Be16(2).Zeros(8), 1, true},
        {"no marker", Bytes{}.Be16(0x7FFF).Zeros(10), 1, false},
        {"more headers than its body", Object(152, 2, "many", Samples({{0x80, 0, 0, 1, 1}}, 0xFFFF)), 3, false},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        const Bytes objects = Object(152, 1, "good", sample).Append(c.bad).Append(Object(152, 3, "after", sample));
        ASSERT_TRUE(Import(Program(objects, Words({1, 2})), "x.krz")) << c.what;
        EXPECT_STREQ(Wave(256).name, "good") << c.what;
        EXPECT_EQ(Count(kWaveKind), c.waves) << c.what;
        EXPECT_EQ(host.Texts("Attention!").size(), c.warned ? 1u : 0u) << c.what;
    }
}

TEST_F(KrzRead, TruncatedSingleFile)
{
    SweepTruncations(SingleProgram(), "x.krz", 4);
}

}  // namespace
