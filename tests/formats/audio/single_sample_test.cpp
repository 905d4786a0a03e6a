// The single-sample sound files (AVR, IRCAM, Samplevision, Sndtool, Sounder, DEWF, CDR): files
// of SoX and libsndfile converted exactly as SoX decodes them; hand-built headers; bad and cut files.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct SingleCase {
    const char *name, *extension, *make;  // sox output options, or sndfile-convert and its flags
    int channels, rate, compareBits;
    int magic;           // nonzero: put in place of the third byte of the written magic
    std::uint32_t wave;  // the wavesample's index
};

struct SinglePeers : WriterFixture, ::testing::WithParamInterface<SingleCase> {};

TEST_P(SinglePeers, ConvertsAsSoxDecodes)
{
    const SingleCase& c = GetParam();
    const std::string original = dir / ("original." + std::string(c.extension));
    ASSERT_TRUE(MakePeerFile(dir, c.make, c.channels, c.rate, 3001, 5, original));
    std::vector<std::uint8_t> bytes = ReadFileBytes(original);
    if (c.magic != 0) bytes.at(2) = static_cast<std::uint8_t>(c.magic);
    WriteFileBytes(original, bytes);
    ASSERT_TRUE(store.Imp(original)) << Failure();
    EXPECT_STREQ(GetImportFormat(store, store.formatIndex)->extension, c.extension);
    const auto expected = SoxRaw(dir, original, c.compareBits, c.magic != 0 ? "-t sf -B" : "");
    ASSERT_TRUE(store.Exp(dir / "koba.wav", kWaveKind | c.wave)) << Failure();
    EXPECT_EQ(SoxRaw(dir, dir / "koba.wav", c.compareBits), expected);
    // SoX pads CD audio to whole sectors: the frame count comes from its decoding.
    const std::size_t sampleBytes = static_cast<std::size_t>(c.channels * std::min(c.compareBits, 16) / 8);
    EXPECT_TRUE(Probe(dir, dir / "koba.wav")
                    .starts_with("frames=" + std::to_string(expected.size() / sampleBytes) +
                                 " rate=" + std::to_string(c.rate) + " channels=" + std::to_string(c.channels)));
}

const SingleCase kSingleCases[] = {
    {"Avr8Mono", "avr", "-e signed -b 8", 1, 22050, 8, 0, 0},
    {"Avr16Stereo", "avr", "-b 16", 2, 11025, 16, 0, 0},
    {"AvrUnsigned8", "avr", "-e unsigned -b 8", 2, 8000, 8, 0, 0},
    {"IrcamSoxLittle01", "sf", "-b 16", 2, 22050, 16, 0, 1},
    {"IrcamSoxBig02", "sf", "-b 16 -B", 1, 16000, 16, 0, 1},
    {"IrcamSndfileBig02", "sf", "sndfile-convert -pcm16 -endian=big", 2, 8000, 16, 0, 1},
    {"IrcamSndfileLittle03", "sf", "sndfile-convert -pcm16 -endian=little", 1, 44100, 16, 0, 1},
    {"IrcamBig04", "sf", "-b 16 -B", 2, 8000, 16, 4, 1},
    {"Samplevision", "smp", "-b 16", 1, 32000, 16, 0, 1},
    {"Sndtool", "sndt", "", 1, 11025, 8, 0, 1},
    {"Sounder", "sndr", "", 1, 8000, 8, 0, 1},
    {"AudioCd", "cdr", "", 2, 44100, 16, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Files, SinglePeers, ::testing::ValuesIn(kSingleCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SingleRead : WriterFixture {};

TEST_F(SingleRead, SamplevisionKeepsTheLoopSoxWrites)
{
    WavesampleRec& w = NewWave(1, "looped", Ramp(1000, 2), 16);
    std::tie(w.loopStart, w.loopEnd, w.loopFlags) = std::tuple(100u, 700u, kLoopFound);
    ASSERT_TRUE(store.Exp(dir / "loop.aif", kWaveKind | 1)) << Failure();
    ASSERT_EQ(::Run("sox " + Quoted(dir / "loop.aif") + " " + Quoted(dir / "loop.smp")), 0);
    ASSERT_TRUE(store.Imp(dir / "loop.smp")) << Failure();
    EXPECT_EQ(std::tuple(Wave().loopStart, Wave().loopEnd, Loops(Wave()), Wave().length),
              std::tuple(100u, 700u, true, 1000u));
}

Bytes SmpFile(const char* magic, std::uint32_t samples, std::uint32_t dataBytes, std::uint32_t loopEnd,
              std::uint8_t loopType, std::uint8_t unity)
{
    return Bytes{}
        .Text(magic, 18)
        .Zeros(4)
        .Text("a comment", 60)
        .Text("a name", 30)
        .Le32(samples)
        .Zeros(dataBytes)
        .Zeros(2)
        .Le32(10, loopEnd)
        .U8(loopType)
        .Zeros(191)
        .U8(unity)
        .Le32(12000)
        .Zeros(8);
}

// Header fields the peer files above leave at their defaults: loops, keys, DEWF, a part frame.
TEST_F(SingleRead, HeaderFieldsBecomeTheWavesample)
{
    Bytes avr = Bytes{}.Tag("2BIT").Text("eightchr", 8).Be16(0xFFFF, 16, 0xFFFF, 1, 0xFFFF).Be32(22050, 50, 5, 40);
    avr.Zeros(6).Text("plus twenty", 20).Text("bank text", 64).Zeros(200);
    // Little-endian IRCAM at 22050.898 Hz: the rate's fraction is dropped.
    const Bytes sf = Bytes{}.U8(0x64, 0xA3, 1, 0).Le32(0x46AC45CC, 2, 2).Zeros(1024 - 16).Zeros(44100);
    const struct {
        Bytes file;
        const char* name;
        std::uint32_t index, length, rate, loopStart, loopEnd;
        int channels, bytesPerSample, loopFlags, rootKey;
    } cases[] = {
        {avr, "x.avr", 0, 50, 22050, 5, 40, 2, 2, kLoopFound, 60},
        {sf, "x.sf", 1, 11025, 22050, 0, 11024, 2, 2, 0, 60},
        {SmpFile("sound sample data ", 100, 200, 50, 2, 64), "x.smp", 1, 100, 12000, 10, 50, 1, 2,
         kLoopFound | kLoopBidirectional, 60},
        {SmpFile("SOUND SAMPLE DATA ", 100, 200, 101, 1, 70), "x.smp", 1, 100, 12000, 0, 99, 1, 2, 0, 66},
        {Bytes{}.Be16(2, 90, 0x2500, 100).Zeros(100), "x.dewf", 1, 100, 22050, 2, 90, 1, 1, kLoopFound, 60},
        {Bytes{}.Be16(2, 3, 0x3000, 100).Zeros(150), "x.dewf", 1, 100, 22050, 0, 99, 1, 1, 0, 71},
        {Bytes{}.Zeros(4003), "x.cdr", 1, 1000, 44100, 0, 999, 2, 2, 0, 60},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Import(c.file, c.name)) << c.name << " " << Failure();
        const WavesampleRec& w = Wave(c.index);
        EXPECT_EQ(
            std::tuple(w.length, w.sampleRate, w.loopStart, w.loopEnd, int{w.layout.channels},
                       int{Delivered(w).bytesPerSample}, int{w.loopFlags}, int{w.rootKey}),
            std::tuple(c.length, c.rate, c.loopStart, c.loopEnd, c.channels, c.bytesPerSample, c.loopFlags, c.rootKey))
            << c.name;
        EXPECT_EQ(Decoded(w).size(), std::size_t{c.length} * Delivered(w).FrameBytes()) << c.name;
    }
    // An AVR key split (highest key in the high byte) limits the instrument's region.
    Bytes split = Bytes{}.Tag("2BIT").Text("split", 8).Be16(0, 8, 0, 0, 0x5430).Be32(8000, 10, 0, 0);
    ASSERT_TRUE(Import(split.Zeros(6 + 20 + 64 + 10), "split.avr"));
    const KeyRegion& region = Instrument(0).layer.regions[0];
    EXPECT_EQ(std::tuple(int{region.lowKey}, int{region.highKey}, Instrument(0).layer.regionCount),
              std::tuple(48, 84, 1));
}

TEST_F(SingleRead, TextsBecomeNames)
{
    Bytes avr = Bytes{}.Tag("2BIT").Text("eightchr", 8).Be16(0, 8, 0, 0, 0).Be32(8000, 1, 0, 0);
    ASSERT_TRUE(Import(avr.Zeros(6).Text("plus twenty", 20).Text("bank text", 64).Zeros(1), "x.avr"));
    EXPECT_STREQ(Wave(0).name, "eightchrplus twenty");
    EXPECT_STREQ(Instrument(0).name, "eightchrplus twenty");
    EXPECT_STREQ(store.FetchBank()->name, "bank text");
    ASSERT_TRUE(Import(SmpFile("SOUND SAMPLE DATA ", 1, 2, 0, 0, 64), "x.smp"));
    EXPECT_EQ(std::tuple(std::string(Wave().name), std::string(Instrument().note)), std::tuple("a name", "a comment"));
    // IRCAM codes: 2 names, 4 is the note, others are skipped; big-endian like the magic.
    Bytes sf = Bytes{}.U8(0x64, 0xA3, 4, 0).Be32(0x45FA0000, 1, 2).Be16(9, 2).Text("xx", 2).Be16(2, 6);
    ASSERT_TRUE(Import(sf.Text("hello", 6).Be16(4, 4).Text("note", 4).Be16(0, 0).Zeros(1024 - 40 + 2), "x.sf"));
    EXPECT_EQ(std::tuple(std::string(Wave().name), std::string(Instrument().name), std::string(Instrument().note)),
              std::tuple("hello", "hello", "note"));
    ASSERT_TRUE(Import(Bytes{}.Tag("SOUND").U8(0x1A).Zeros(22).Text("sndt note", 80).Zeros(16 + 1), "x.sndt"));
    EXPECT_STREQ(Instrument().note, "sndt note");
}

TEST_F(SingleRead, BadFilesAreRefusedClearly)
{
    const Bytes sfHeader = Bytes{}.U8(0x64, 0xA3, 2, 0).Be32(0x45FA0000);
    const Refusal cases[] = {
        {Bytes{}.Tag("2BIU").Zeros(200), avr_Read, "avr_Read: Not an Audio Visual Research, .AVR file"},
        {Bytes{}.Tag("2BIT").Zeros(100), avr_Read, "avr_Read: The file ends inside its .AVR header"},
        {Bytes{}.Tag("2BIT").Zeros(124), avr_Read, "avr_Read: Unsupported sample size in .AVR header"},
        {Bytes{}.U8(0, 1, 0xA3, 0x64).Zeros(1100), sf_Read, "sf_Read: Can't read .SF, it's probably byte-swapped"},
        {Bytes{}.U8(0x64, 0xA3, 5, 0).Zeros(1100), sf_Read, "sf_Read: Not an IRCAM SoundFile"},
        {Bytes{sfHeader}.Be32(3, 2).Zeros(1100), sf_Read, "sf_Read: Can't handle > 2 channels"},
        {Bytes{sfHeader}.Be32(0, 2).Zeros(1100), sf_Read, "sf_Read: No audio channels in .SF header"},
        {Bytes{sfHeader}.Be32(1, 4).Zeros(1100), sf_Read, "sf_Read: Can only handle 16bit .SF"},
        {Bytes{sfHeader}.Be32(1, 2).Zeros(500), sf_Read, "sf_Read: The file ends inside its IRCAM header"},
        {Bytes{}.U8(0x64, 0xA3, 2, 0).Be32(0x7FC00000, 1, 2).Zeros(1100), sf_Read,
         "sf_Read: Sample rate is 0, out of range or not a number"},
        {Bytes{}.Text("SOUND SAMPLE DATE ", 18).Zeros(300), smp_Read, "smp_Read: Invalid SMP Id"},
        {Bytes{}.Text("SOUND SAMPLE DATA ", 18).Zeros(90), smp_Read, "smp_Read: The file ends inside its .SMP header"},
        {Bytes{}.Tag("SOUND").U8(0x1B).Zeros(300), sndt_Read, "sndt_Read: Not a Sndtool (.SNDT) file!"},
        {Bytes{}.Tag("SOUND").U8(0x1A).Zeros(100), sndt_Read, "sndt_Read: The file ends inside its .SNDT header"},
        {Bytes{}.Le16(1, 8000).Zeros(300), sndr_Read, "sndr_Read: Not a Sounder (.SNDR) file!"},
        {Bytes{}.Le16(0, 0).Zeros(300), sndr_Read, "sndr_Read: Not a Sounder (.SNDR) file!"},
    };
    ExpectRefusals(store, cases);
}

// Lengths and loops beyond the data: the wavesample holds what is there, and a cut file says so.
TEST_F(SingleRead, LengthsPastTheDataAreCut)
{
    const struct {
        Bytes file;
        const char* name;
        std::uint32_t index, length;
        std::size_t warnings;
    } cases[] = {
        {Bytes{}.Tag("2BIT").Zeros(10).Be16(16, 0, 1, 0).Be32(8000, 1000, 0, 999).Zeros(90 + 600), "x.avr", 0, 300, 1},
        {SmpFile("SOUND SAMPLE DATA ", 5000, 0, 0, 0, 64).Zeros(100), "x.smp", 1, 157, 1},
        {Bytes{}.Be16(0, 500, 0, 60000).Zeros(10), "x.dewf", 1, 10, 1},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        ASSERT_TRUE(Import(c.file, c.name)) << Failure();
        EXPECT_EQ(Wave(c.index).length, c.length) << c.name;
        EXPECT_FALSE(Loops(Wave(c.index))) << c.name;
        EXPECT_EQ(host.Texts("Attention!").size(), c.warnings) << c.name;
    }
}

TEST_F(SingleRead, CutFilesNeverClaimMoreThanTheyHold)
{
    for (const char* name : {"x.avr", "x.sf", "x.smp", "x.sndt", "x.sndr"}) {
        ASSERT_EQ(::Run("sox -n -r 8000 -b 16 " + Quoted(dir / name) + " synth 0.02 sine 300"), 0);
        SweepTruncations(Bytes{}.Append(ReadFileBytes(dir / name)), name, 3);
    }
}

}  // namespace
