// Creative Voice: files of SoX and libsndfile converted exactly as SoX decodes them; the rate
// rules; one wavesample of the blocks that share the first one's layout; bad and cut files.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct VocCase {
    const char *name, *make;  // sox output options, or sndfile-convert and its flags
    int channels, compareBits;
    std::uint32_t rate;
};

struct VocPeers : WriterFixture, ::testing::WithParamInterface<VocCase> {};

TEST_P(VocPeers, ConvertsAsSoxDecodes)
{
    const VocCase& c = GetParam();
    const std::string original = dir / "original.voc";
    ASSERT_TRUE(MakePeerFile(dir, c.make, c.channels, 22050, 3001, 5, original));
    ASSERT_TRUE(store.Imp(original)) << Failure();
    EXPECT_EQ(Count(kWaveKind), 1u);
    ASSERT_TRUE(store.Exp(dir / "koba.wav", kWaveKind | 1)) << Failure();
    EXPECT_EQ(SoxRaw(dir, dir / "koba.wav", c.compareBits), SoxRaw(dir, original, c.compareBits));
    EXPECT_EQ(std::tuple(Wave().sampleRate, int{Wave().layout.channels}), std::tuple(c.rate, c.channels));
}

const VocCase kVocCases[] = {
    {"Sox8BitMono", "-e unsigned -b 8", 1, 8, 22050},
    // Type 8 before type 1: its own rate rule, 256000000 / (2 × (65536 − 59731)) rounded.
    {"Sox8BitStereo", "-e unsigned -b 8", 2, 8, 22050},
    {"Sox16BitMono", "-e signed -b 16", 1, 16, 22050},
    {"Sox16BitStereo", "-e signed -b 16", 2, 16, 22050},
    {"SndfileMuLaw", "sndfile-convert -ulaw", 1, 16, 22050},
    {"SndfileALawStereo", "sndfile-convert -alaw", 2, 16, 22050},
    {"Sndfile16BitStereo", "sndfile-convert -pcm16", 2, 16, 22050},
};

INSTANTIATE_TEST_SUITE_P(Files, VocPeers, ::testing::ValuesIn(kVocCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A header as SoX writes it, then the blocks.
Bytes Voc()
{
    return Bytes{}.Tag("Creative Voice File\x1A").Le16(26, 0x010A, 0x1129);
}

Bytes& Block(Bytes& b, unsigned type, const Bytes& payload, std::size_t declared = 0)
{
    const std::size_t size = declared != 0 ? declared : payload.Size();
    return b.U8(type, size & 0xFF, size >> 8 & 0xFF, size >> 16 & 0xFF).Append(payload);
}

Bytes Sound(unsigned timeConstant, const Bytes& data)
{
    return Bytes{}.U8(timeConstant, 0).Append(data);
}

Bytes NewSound(std::uint32_t rate, unsigned bits, unsigned channels, unsigned format, const Bytes& data)
{
    return Bytes{}.Le32(rate).U8(bits, channels).Le16(format).Zeros(4).Append(data);
}

struct VocRead : ImportFixture {};

// Type 1 and 2 blocks: 992250 / (256 − time constant), from the last sound block.
TEST_F(VocRead, TypeOneRateRule)
{
    const std::pair<unsigned, std::uint32_t> cases[] = {{156, 9922}, {211, 22050}, {234, 45102}, {255, 992250}};
    for (const auto& [timeConstant, rate] : cases) {
        Bytes f = Voc();
        Block(f, 1, Sound(1, Ramp(10, 1)));
        Block(f, 1, Sound(timeConstant, Ramp(10, 1)));
        ASSERT_TRUE(Import(f, "x.voc")) << Failure();
        EXPECT_EQ(std::tuple(Wave().sampleRate, Wave().length), std::tuple(rate, 20u)) << timeConstant;
    }
}

TEST_F(VocRead, BlocksOfTheFirstLayoutJoinInOneWavesample)
{
    const Bytes a = Ramp(1000, 2), b = Ramp(300, 2), c = Ramp(51, 1);
    Bytes f = Voc();
    Block(f, 5, Bytes{}.Text(std::string(100, 'n'), 100));
    Block(f, 9, NewSound(11025, 16, 1, 4, a));
    Block(f, 3, Bytes{}.Le16(0xFFFF).U8(200));  // silence: no samples of its own
    Block(f, 6, Bytes{}.Le16(0xFFFF));          // repeat for ever, never ended: not followed
    Block(f, 1, Sound(200, c));                 // 8-bit: skipped
    Block(f, 2, c);
    Block(f, 9, NewSound(11025, 8, 1, 7, c));  // mu-law: skipped
    Block(f, 9, NewSound(11025, 16, 1, 4, b));
    Block(f, 0, {}).Append(Ramp(8, 1));
    ASSERT_TRUE(Import(f, "x.voc")) << Failure();
    EXPECT_EQ(Count(kWaveKind), 1u);
    EXPECT_EQ(std::tuple(Wave().length, Wave().sampleRate, Wave().layout.channels), std::tuple(1300u, 11025u, 1));
    EXPECT_EQ(host.Texts("Attention!").size(), 1u);
    EXPECT_EQ(std::string(Instrument().note), std::string(80, 'n'));
    EXPECT_EQ(Decoded(Wave()), Bytes{}.Append(a).Append(b).Data());
    EXPECT_EQ(
        voc_Detect(std::span<const std::uint8_t, kDetectBytes>(f.Zeros(kDetectBytes).Data().data(), kDetectBytes)), 2);
}

// Bad files: refused with the walker's message, or read as far as the file holds.
TEST_F(VocRead, BadFilesAreRefusedOrCutClearly)
{
    Bytes pastTheEnd = Voc(), zeroRate = Voc(), packed = Voc(), adpcm = Voc(), repeatOnly = Voc(),
          threeChannels = Voc();
    Block(pastTheEnd, 1, Sound(200, Ramp(40, 1)), 0xFFFFFF);
    Block(zeroRate, 1, Sound(0, Ramp(40, 1)));
    Block(packed, 1, Bytes{}.U8(200, 1).Zeros(20));
    Block(adpcm, 9, NewSound(8000, 4, 1, 1, Ramp(20, 1)));
    Block(threeChannels, 9, NewSound(8000, 8, 3, 0, Ramp(20, 1)));
    Block(repeatOnly, 6, Bytes{}.Le16(0xFFFF));
    Block(repeatOnly, 2, Ramp(30, 1), 0x800000);
    const struct {
        Bytes file;
        const char* failure;  // null: read, `length` frames, one cut-short warning when `cut`
        std::uint32_t length;
        bool cut;
    } cases[] = {
        {zeroRate, "voc_Copy: Sample rate is zero?", 0, false},
        {packed, "voc_Copy: Can only handle 8bit VOCs", 0, false},
        {adpcm, "voc_Copy: Unsupported compression type", 0, false},
        {threeChannels, "voc_Copy: Only mono and stereo sound blocks can be read", 0, false},
        {pastTheEnd, nullptr, 40, true},
        {repeatOnly, nullptr, 30, true},
    };
    for (const auto& [file, failure, length, cut] : cases) {
        host.messages.clear();
        const bool read = Import(file, "x.voc");
        EXPECT_EQ(read ? std::string("read") : Failure(), failure != nullptr ? failure : "read");
        EXPECT_EQ(Count(kWaveKind) + Count(kInstrumentKind), read ? 2u : 0u);
        if (!read) continue;
        EXPECT_EQ(Wave().length, length);
        EXPECT_EQ(host.Texts("Attention!").size(), cut ? 1u : 0u);
        EXPECT_EQ(Decoded(Wave()).size(), length);
    }
    // The header text, read without regard to case.
    for (const auto& [header, read] : {std::pair(Bytes{}.Tag("Creative Voice Fil"), false),
                                       std::pair(Bytes{}.Tag("Creative Sound File").Zeros(10), false),
                                       std::pair(Bytes{}.Tag("CREATIVE VOICE FILE").Zeros(7), true)}) {
        EXPECT_EQ(ReadAlone(store, voc_Read, header), read ? "read" : "voc_Read: Not a VOC file!");
    }
}

TEST_F(VocRead, CutFilesNeverClaimMoreThanTheyHold)
{
    TempDir dir;
    ASSERT_EQ(::Run("sox -n -r 8000 -c 2 -b 8 " + Quoted(dir / "s.voc") + " synth 0.01 sine 300"), 0);
    ASSERT_EQ(::Run("sox -n -r 8000 -c 2 -b 16 " + Quoted(dir / "w.voc") + " synth 0.01 sine 300"), 0);
    SweepTruncations(Bytes{}.Append(ReadFileBytes(dir / "s.voc")), "x.voc", 3);
    SweepTruncations(Bytes{}.Append(ReadFileBytes(dir / "w.voc")), "x.voc", 3);
}

}  // namespace
