// The Digitrakker readers on hand-built files: the bit unpacking (its codes, a stream that runs
// out), plain 8- and 16-bit samples, both module record layouts, detection, bad and cut files.
// The real modules' packed samples are checked against libxmp in tracker_peers_test.cpp.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct MdlRead : ImportFixture {};

// A packed stream, least significant bit first.
struct Codes {
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;

    Codes& Put(unsigned value, int count)
    {
        for (int i = 0; i < count; ++i, ++at) {
            if (at % 8 == 0) bytes.push_back(0);
            bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (at % 8));
        }
        return *this;
    }
    // A difference below 8; one of 8 + 16 × zeros + low; each exclusive-ored with 255 when negative.
    Codes& Short(bool negative, unsigned value) { return Put(negative, 1).Put(1, 1).Put(value, 3); }
    Codes& Long(bool negative, int zeros, unsigned low)
    {
        return Put(negative, 1).Put(0, 1).Put(0, zeros).Put(1, 1).Put(low, 4);
    }
    Bytes Data() const { return Bytes{}.Append(bytes); }
};

// Differences 5, 250, 27, 10, 246, 0, and the samples they sum to.
const Codes kSixCodes =
    Codes{}.Short(false, 5).Short(true, 5).Long(false, 1, 3).Long(false, 0, 2).Long(true, 0, 1).Short(false, 0);
const std::vector<std::uint8_t> kSixSamples = {5, 255, 26, 36, 26, 26};

Bytes Spl(unsigned length, unsigned loopStart, unsigned loopLength, unsigned flags, const Bytes& data)
{
    Bytes f = Bytes{}.Tag("DSPL").U8(0).Text("sample", 32).Text("file", 8).Le16(16000);
    return f.Le32(length, loopStart, loopLength).U8(200, flags).Append(data);
}

TEST_F(MdlRead, SplSamplesPlainAndPacked)
{
    // 13 bits of codes (5 and 27) in 2 bytes: the rest reads as zero bits, a run ends with the
    // data, and no more samples are kept than 5-bit codes could fill the 2 bytes with.
    const Bytes cut = Codes{}.Short(false, 5).Long(false, 1, 3).Data();
    const struct {
        Bytes file;
        std::vector<std::uint8_t> samples;
        const char* warning;
    } cases[] = {
        {Spl(4, 1, 2, 2, Bytes{}.U8(1, 2, 3, 4)), {1, 2, 3, 4}, nullptr},
        {Spl(2, 0, 0, 1, Bytes{}.Le16(0x1234, 0x8000)), {0x34, 0x12, 0x00, 0x80}, nullptr},
        {Spl(6, 0, 0, 4, kSixCodes.Data()), kSixSamples, nullptr},
        {Spl(6, 0, 0, 4, cut), {5, 32, 56, 64}, "is cut short; 2 of its samples are missing"},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        ASSERT_TRUE(Import(c.file, "x.spl")) << Failure();
        EXPECT_EQ(Decoded(Wave(0)), c.samples) << &c - cases;
        const std::vector<std::string> warnings = host.Texts("Attention!");
        EXPECT_TRUE(c.warning ? warnings.size() == 1 && warnings[0].ends_with(c.warning) : warnings.empty());
    }
    ASSERT_TRUE(Import(cases[0].file, "x.spl"));
    const WavesampleRec& w = Wave(0);
    EXPECT_EQ(std::tuple(std::string(w.name), std::string(Instrument(0).name), w.sampleRate, int{w.volume}),
              std::tuple(std::string("file"), std::string("sample"), 16000u, 100));
    EXPECT_EQ(std::tuple(w.loopStart, w.loopEnd, int{w.loopFlags}),
              std::tuple(1u, 3u, kLoopFound | kLoopBidirectional));
}

struct Record {
    unsigned number, flags, length, loopStart, loopLength;
};

Bytes Mdl(unsigned version, std::initializer_list<Record> records, const Bytes& sa)
{
    Bytes is = Bytes{}.U8(records.size());
    for (const Record& r : records) {
        is.U8(r.number).Text("sample", 32).Text("file", 8);
        version >= 0x10 ? is.Le32(70000) : is.Le16(40000);
        is.Le32(r.length, r.loopStart, r.loopLength).U8(255, r.flags);
    }
    Bytes f = Bytes{}.Tag("DMDL").U8(version).Tag("IN").Le32(34).Text("song", 34).Tag("XX").Le32(1).U8(0);
    f.Tag("IS").Le32(is.Size()).Append(is);
    return f.Tag("SA").Le32(sa.Size()).Append(sa);
}

// Records 3 (16-bit, looped), 1 (packed, with a spare byte after its codes) and 2 (8-bit),
// their data in that order.
Bytes ThreeSamples(unsigned version, unsigned unit)
{
    const Bytes packed = kSixCodes.Data();
    const Bytes sa = Bytes{}.Le16(1, 2, 3, 4).Le32(packed.Size() + 1).Append(packed).U8(0xEE).U8(7, 8, 9);
    return Mdl(version, {{3, 3, 4 * unit, unit, 2 * unit}, {1, 4, 6, 0, 0}, {2, 0, 3, 0, 0}}, sa);
}

TEST_F(MdlRead, ModuleRecordsOfBothVersionsAndTheirData)
{
    // Version 1 counts a 16-bit sample's lengths in bytes and stores the rate in 32 bits.
    for (const auto& [version, unit, rate] : {std::tuple(0x11u, 2u, 70000u), std::tuple(0x00u, 1u, 40000u)}) {
        ASSERT_TRUE(Import(ThreeSamples(version, unit), "x.mdl")) << Failure();
        EXPECT_STREQ(store.FetchBank()->name, "song");
        const WavesampleRec& w = Wave(3);
        EXPECT_EQ(std::tuple(w.length, w.loopStart, w.loopEnd, int{w.loopFlags}, w.sampleRate, int{w.volume}),
                  std::tuple(4u, 1u, 3u, kLoopFound | kLoopBidirectional, rate, 127))
            << version;
        EXPECT_EQ(Decoded(w), (std::vector<std::uint8_t>{1, 0, 2, 0, 3, 0, 4, 0}));
        EXPECT_EQ(Decoded(Wave(1)), kSixSamples);
        EXPECT_EQ(Decoded(Wave(2)), (std::vector<std::uint8_t>{7, 8, 9}));
    }
}

TEST(MdlDetect, MagicTexts)
{
    EXPECT_EQ(
        std::tuple(mdl_Detect(DetectHead("DMDL")), mdl_Detect(DetectHead("DSPL")), mdl_Detect(DetectHead("dmdl"))),
        std::tuple(2, 0, 0));
    EXPECT_EQ(std::tuple(spl_Detect(DetectHead("DSPL")), spl_Detect(DetectHead("DMDL"))), std::tuple(2, 0));
}

TEST_F(MdlRead, BadFilesAreRefusedClearly)
{
    const struct {
        Bytes file;
        bool (*read)(WaveStore&, File&);
        const char* failure;
        std::size_t waves;  // a 16-bit sample packed as 8-bit keeps its items; other refusals make none
    } cases[] = {
        {Mdl(0x20, {{1, 0, 2, 0, 0}}, Bytes{}.U8(1, 2)), mdl_Read, "mdl_Read: Unknown Digitrakker module version", 0},
        {Mdl(0x10, {{1, 8, 2, 0, 0}}, Bytes{}.U8(1, 2)), mdl_Read, "mdl_Read: Unknown packing method", 0},
        {Mdl(0x10, {{1, 5, 2, 0, 0}}, Bytes{}.U8(1, 2)), mdl_Read, "mdl_Read: Unsupported packmethode", 1},
        {Bytes{}.Tag("DMDX").Zeros(60), mdl_Read, "mdl_Read: Not a Digitrakker Module (.MDL) file", 0},
        {Spl(2, 0, 0, 12, Bytes{}.U8(1, 2)), spl_Read, "spl_Read: Unknown packing method", 0},
        {Bytes{}.Tag("DSP").Zeros(60), spl_Read, "spl_Read: Not a Digitrakker Sample (.SPL) file", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAlone(store, c.read, c.file), c.failure);
        EXPECT_EQ(Count(kWaveKind), c.waves) << c.failure;
    }
}

TEST_F(MdlRead, CutFilesKeepWhatTheyHold)
{
    const Bytes period = Bytes{}.Append(ReadFileBytes(std::string(KOBA_SHARED_TESTDATA) + "/mdl/PERIOD.MDL"));
    SweepTruncations(period, "x.mdl", 2 + 2 + 2);
    SweepTruncations(ThreeSamples(0x11, 2), "x.mdl", 3 + 3 + 2);
    SweepTruncations(Spl(6, 0, 0, 4, kSixCodes.Data()), "x.spl", 1 + 1 + 2);
    SweepTruncations(Spl(2, 0, 0, 1, Bytes{}.Le16(1, 2)), "x.spl", 1 + 1 + 2);
}

}  // namespace
