// Sun/DEC audio: files of SoX and libsndfile in every encoding and byte order they write,
// converted exactly as SoX decodes them; KOBA's files read back by both; bad and cut headers.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct AuCase {
    const char *name, *make;  // sox output options, or sndfile-convert and its flags
    int channels, compareBits;
    const char* magic;  // put in place of the written one: a byte order neither tool writes
};

struct AuPeers : WriterFixture, ::testing::WithParamInterface<AuCase> {};

TEST_P(AuPeers, ConvertsAsSoxDecodesAndWritesWhatSoxAndLibsndfileRead)
{
    const AuCase& c = GetParam();
    const std::size_t frames = 5001;
    const std::string original = dir / "original.au";
    ASSERT_TRUE(MakePeerFile(dir, c.make, c.channels, 16000, frames, 3, original));
    std::vector<std::uint8_t> bytes = ReadFileBytes(original);
    if (c.magic != nullptr) std::copy(c.magic, c.magic + 4, bytes.begin());
    WriteFileBytes(original, bytes);
    ASSERT_TRUE(store.Imp(original)) << Failure();
    const auto expected = SoxRaw(dir, original, c.compareBits);
    for (const char* name : {"koba.wav", "koba.au"}) {
        ASSERT_TRUE(store.Exp(dir / name, kWaveKind | 1)) << Failure();
        EXPECT_EQ(SoxRaw(dir, dir / name, c.compareBits == 8 ? 8 : 16), expected) << name;
    }
    EXPECT_EQ(Probe(dir, dir / "koba.au"),
              "frames=" + std::to_string(frames) + " rate=16000 channels=" + std::to_string(c.channels) + "\n");
}

const AuCase kAuCases[] = {
    {"SoxLinear8", "-e signed -b 8", 1, 8, nullptr},
    {"SoxLinear16LittleStereo", "-e signed -b 16 -L", 2, 16, nullptr},
    {"SoxLinear24", "-e signed -b 24", 1, 24, nullptr},
    {"SoxLinear32Little", "-e signed -b 32 -L", 1, 32, nullptr},
    {"SoxMuLawStereo", "-e mu-law", 2, 16, nullptr},
    {"SoxALawLittle", "-e a-law -L", 1, 16, nullptr},
    {"SoxDecBigEndian", "-e signed -b 16", 2, 16, ".sd\0"},
    {"SndfileLinear8Stereo", "sndfile-convert -pcms8", 2, 8, nullptr},
    {"SndfileLinear16Little", "sndfile-convert -pcm16 -endian=little", 1, 16, nullptr},
    {"SndfileLinear24LittleStereo", "sndfile-convert -pcm24 -endian=little", 2, 24, nullptr},
    {"SndfileLinear32", "sndfile-convert -pcm32", 1, 32, nullptr},
    {"SndfileMuLawLittle", "sndfile-convert -ulaw -endian=little", 1, 16, nullptr},
    {"SndfileALawStereo", "sndfile-convert -alaw", 2, 16, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Files, AuPeers, ::testing::ValuesIn(kAuCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct AuRead : ImportFixture {
    // A header of six fields in the magic's byte order.
    static Bytes Header(const char* magic, std::uint32_t offset, std::uint32_t size, std::uint32_t encoding,
                        std::uint32_t channels = 1)
    {
        const bool big = magic[0] == '.';
        Bytes b = Bytes{}.Tag(std::string_view(magic, 4));
        for (std::uint32_t v : {offset, size, encoding, 8000u, channels}) big ? b.Be32(v) : b.Le32(v);
        return b;
    }
};

// The data size: as stated, or the rest of the file for 0 and the unknown size; a size past the end is cut.
TEST_F(AuRead, LengthFollowsTheDataSizeAndTheFile)
{
    const struct {
        Bytes file;
        std::uint32_t offset, length;
        std::size_t warnings;  // the file is cut short
    } cases[] = {
        {Header(".snd", 32, 0xFFFFFFFF, 2).Zeros(8 + 1000), 32, 1000, 0},
        {Header("dns.", 24, 0, 3, 2).Zeros(4000), 24, 1000, 0},
        {Header("\0ds.", 24, 4000, 3, 2).Zeros(5000), 24, 1000, 0},
        {Header(".snd", 24, 3000, 4).Zeros(1500), 24, 500, 1},
        {Header(".sd\0", 28, 400, 5).Zeros(4 + 400), 28, 100, 0},
        {Header(".snd", 24, 0xFFFFFFFF, 1), 24, 0, 0},
    };
    for (const auto& [file, offset, length, warnings] : cases) {
        host.messages.clear();
        ASSERT_TRUE(Import(file, "x.au")) << Failure();
        EXPECT_EQ(std::tuple(Wave().layout.offset, Wave().length), std::tuple(offset, length));
        EXPECT_EQ(host.Texts("Attention!").size(), warnings);
        EXPECT_EQ(Decoded(Wave()).size(), std::size_t{length} * Delivered(Wave()).FrameBytes());
    }
}

TEST_F(AuRead, HeaderTextIsTheNote)
{
    ASSERT_TRUE(Import(Header(".snd", 40, 4, 27).Text("Processed by SoX", 16).Zeros(4), "x.au"));
    EXPECT_STREQ(Instrument().note, "Processed by SoX");
    EXPECT_EQ(std::tuple(Wave().length, Delivered(Wave()).bytesPerSample, Wave().copyRoutine == alaw_Copy),
              std::tuple(4u, 2, true));
    ASSERT_TRUE(Import(Header(".snd", 24, 4, 1).Zeros(4), "x.au"));
    EXPECT_EQ(Count(kInstrumentKind), 0u);
}

TEST_F(AuRead, BadHeadersAreRefusedClearly)
{
    const std::pair<Bytes, const char*> cases[] = {
        {Bytes{}.Tag("RIFF").Zeros(40), "Unknown .AU type or not an Sun/Dec audio file"},
        {Bytes{}.Tag(".snd").Be32(24, 0), "The file ends inside its Sun/DEC audio header"},
        {Header(".snd", 24, 0, 2, 3).Zeros(30), "Can't read > 2 channel files!"},
        {Header("dns.", 24, 0, 2, 258).Zeros(30), "Can't read > 2 channel files!"},
        {Header(".snd", 24, 0, 23).Zeros(30), "Unsupported compression type"},
        {Header(".snd", 24, 0, 6).Zeros(30), "Unsupported compression type"},
        {Header(".snd", 16, 0, 2).Zeros(30), "The data offset lies inside the header or past the end of the file"},
        {Header(".snd", 100, 0, 2).Zeros(30), "The data offset lies inside the header or past the end of the file"},
    };
    for (const auto& [bytes, message] : cases) {
        EXPECT_EQ(ReadAlone(store, au_Read, bytes), std::string("au_Read: ") + message);
        EXPECT_EQ(Count(kWaveKind), 0u);
    }
}

TEST_F(AuRead, CutFilesNeverClaimMoreThanTheyHold)
{
    TempDir dir;
    ASSERT_EQ(::Run("sox -n -r 8000 -c 2 -e mu-law " + Quoted(dir / "x.au") + " synth 0.02 sine 300"), 0);
    SweepTruncations(Bytes{}.Append(ReadFileBytes(dir / "x.au")), "x.au", 3);
}

}  // namespace
