// The single-wave sampler files: TX16W waves SoX writes, read as SoX decodes them; SY and MPC3000
// files built from their layouts; the two "snd" rows told apart; bad and cut files.
#include "../format_kit.h"
#include "formats/formats.h"

namespace {

struct SingleWave : WriterFixture {};

TEST_F(SingleWave, Tx16wWavesAsSoxDecodesThem)
{
    const struct {
        int rate;
        std::size_t frames;
        std::uint32_t koba;
    } cases[] = {{33333, 1001, 33000}, {50000, 3000, 50000}, {33333, 4097, 33000}};  // SoX writes no 16 kHz code
    for (const auto& c : cases) {
        ASSERT_TRUE(MakePeerFile(dir, "-t txw", 1, c.rate, c.frames, 3, dir / "x.txw"));
        ASSERT_TRUE(Import(Bytes{}.Append(ReadFileBytes(dir / "x.txw")), "x.txw")) << Failure();
        const std::vector<std::uint8_t> txw = ReadFileBytes(dir / "x.txw");
        // The wave is the attack and the loop the header gives; SoX decodes the padding after it too.
        const std::uint32_t attack = LeAt(txw, 24, 2) + (txw[26] & 1) * 65536,
                            loop = LeAt(txw, 27, 2) + (txw[29] & 1) * 65536;
        EXPECT_EQ(std::tuple(Wave().length, Wave().loopStart, Wave().loopEnd, Wave().sampleRate),
                  std::tuple(attack + loop, attack, attack + loop - 1, c.koba));
        std::vector<std::uint8_t> expected = SoxRaw(dir, dir / "x.txw", 16);
        expected.resize(2 * std::size_t{Wave().length});
        EXPECT_EQ(Decoded(Wave()), expected) << c.frames;
    }
}

// An SY wave header: period and lengths in 7-bit groups, then the data at 1024.
Bytes SywFile(unsigned bits, std::array<unsigned, 3> period, unsigned length, unsigned loopStart, unsigned loopEnd,
              unsigned mode, std::size_t dataBytes)
{
    const auto low = [](unsigned v) { return std::array<unsigned, 3>{v & 127, v >> 7 & 127, v >> 14 & 127}; };
    Bytes b = Bytes{}.Tag("SY").Zeros(16).U8(72).Zeros(5).U8(mode).Zeros(9).U8(27).Zeros(9).U8(bits);
    b.U8(period[0], period[1], period[2]);
    for (unsigned v : {length, loopStart, loopEnd}) b.U8(low(v)[0], low(v)[1], low(v)[2]);
    b.Zeros(1024 - 57);
    for (std::size_t i = 0; i < dataBytes; ++i) b.U8(i % 7 * 17);
    return b;
}

TEST_F(SingleWave, SyWaveFields)
{
    const struct {
        Bytes file;
        std::uint32_t rate, length, loopEnd;
        int loopFlags;
    } cases[] = {
        {SywFile(0, {0x01, 0x31, 0x14}, 100, 10, 90, 2, 200), 44099, 100, 90, kLoopFound},
        {SywFile(0, {0, 0, 0}, 0, 10, 0, 7, 4096), 44100, 2048, 2048, 60},  // the rest of the file, in frames
        {SywFile(8, {0, 0, 0}, 300, 0, 0, 3, 300), 44100, 300, 300, kLoopFound | kLoopBidirectional},
        {SywFile(0, {0, 0, 0}, 50, 0, 40, 4, 100), 44100, 50, 40, 0},
        {SywFile(0, {0, 0, 0}, 50, 0, 40, 5, 100), 44100, 50, 40, kLoopReverse},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Import(c.file, "x.syw")) << Failure();
        const WavesampleRec& w = Wave();
        EXPECT_EQ(std::tuple(w.sampleRate, w.length, w.loopEnd, int{w.loopFlags}, int{w.rootKey}, int{w.volume}),
                  std::tuple(c.rate, c.length, c.loopEnd, c.loopFlags, 24, 100));
    }
    // 16-bit data are big-endian.
    ASSERT_TRUE(Import(SywFile(0, {0, 0, 0}, 2, 0, 0, 0, 4), "x.syw"));
    EXPECT_EQ(Decoded(Wave()), (std::vector<std::uint8_t>{0x11, 0x00, 0x33, 0x22}));
}

Bytes AkaiFile(const char* name, std::uint32_t start, std::uint32_t loopStart, std::uint32_t end, std::size_t frames)
{
    return Bytes{}.U8(1, 2).Text(name, 16).Zeros(4).Le32(start, loopStart, end).Zeros(4).Append(Ramp(frames, 2));
}

TEST_F(SingleWave, Mpc3000SamplesAndTheRawSndRow)
{
    ASSERT_TRUE(Import(AkaiFile("kick", 10, 110, 1010, 1010), "x.snd")) << Failure();
    EXPECT_STREQ(GetImportFormat(store, store.formatIndex)->description, "AKAI MPC3000 sample files");
    const WavesampleRec& w = Wave(0);
    EXPECT_EQ(std::tuple(std::string(w.name), w.layout.offset, w.length, w.loopStart, Loops(w), w.sampleRate),
              std::tuple(std::string("kick"), std::uint64_t{58}, 1000u, 100u, true, 44100u));
    const std::vector<std::uint8_t> ramp = Ramp(1010, 2).Data();
    EXPECT_EQ(Decoded(w), std::vector<std::uint8_t>(ramp.begin() + 20, ramp.end()));
    ASSERT_TRUE(Import(AkaiFile("flat", 0, 50, 50, 50), "x.snd"));
    EXPECT_FALSE(Loops(Wave(0)));
    ASSERT_TRUE(Import(Bytes{}.U8(2, 1).Zeros(100), "x.snd"));
    EXPECT_STREQ(GetImportFormat(store, store.formatIndex)->description, "Raw unsigned 8bit PCM data");
}

TEST_F(SingleWave, BadAndCutFiles)
{
    EXPECT_EQ(ReadAlone(store, syw_Read, Bytes{}.Tag("SX").Zeros(100)), "syw_Read: Not a Yamaha SY-series wave file");
    EXPECT_EQ(ReadAlone(store, txw_Read, Bytes{}.Tag("LM8952").Zeros(100)), "txw_Read: Not a Yamaha TX16W wave file");
    EXPECT_EQ(ReadAlone(store, akai_WaveRead, Bytes{}.U8(2, 1).Zeros(100)),
              "akai_WaveRead: Not an AKAI MPC3000 wave file");
    ASSERT_TRUE(MakePeerFile(dir, "-t txw", 1, 50000, 301, 4, dir / "x.txw"));
    SweepTruncations(Bytes{}.Append(ReadFileBytes(dir / "x.txw")), "x.txw", 3);
    SweepTruncations(SywFile(0, {0, 0, 0}, 100, 10, 90, 2, 200), "x.syw", 3, 1000);
    SweepTruncations(AkaiFile("kick", 10, 110, 100, 110), "x.snd", 3);
}

// A 12-bit Roland image of the model `model` with a wave memory of two segments.
std::vector<std::uint8_t> RolandImage(const char* model)
{
    std::vector<std::uint8_t> image(73728 + 2 * 18432);
    std::memcpy(&image[4], model, std::strlen(model));
    return image;
}

// Wave record `i`: name, rate bit, key, bank and segment, start/end/loop start, loop mode, fine tune.
void RolandWave(std::vector<std::uint8_t>& image, int i, const char* name, unsigned rate, unsigned key,
                unsigned segment, unsigned start, unsigned end, unsigned loopStart, unsigned mode, unsigned fine)
{
    std::uint8_t* r = &image[69120 + 128 * static_cast<std::size_t>(i)];
    std::memcpy(r, name, std::strlen(name));
    r[11] = static_cast<std::uint8_t>(rate), r[12] = static_cast<std::uint8_t>(key),
    r[14] = static_cast<std::uint8_t>(segment);
    for (const auto [at, v] : {std::pair(16, start), std::pair(19, end), std::pair(22, loopStart)}) {
        for (int b = 0; b < 3; ++b) r[at + b] = static_cast<std::uint8_t>(v >> (16 - 8 * b));
    }
    r[25] = static_cast<std::uint8_t>(mode), r[37] = static_cast<std::uint8_t>(fine);
}

TEST_F(SingleWave, RolandDiskImages)
{
    std::vector<std::uint8_t> image = RolandImage("S550 DISK");
    RolandWave(image, 0, "piano", 1, 72, 0, 257, 512, 300, 1, 5);
    RolandWave(image, 1, "edge", 0, 60, 1, 0, 1, 0, 2, 0);
    RolandWave(image, 2, "empty", 0, 60, 0, 100, 100, 0, 0, 0);
    const std::size_t edge = 73728 + 18432;
    image[edge] = 0x7F, image[edge + 1] = 0xF0, image[edge + 2] = 0x80;
    ASSERT_TRUE(Import(Bytes{}.Append(image), "x.sdk")) << Failure();
    EXPECT_STREQ(store.FetchBank()->name, "S550 DISK");  // a blank volume name keeps the model
    EXPECT_EQ(Count(kWaveKind), 2u);
    const WavesampleRec& w = Wave(0);
    EXPECT_EQ(std::tuple(w.layout.offset, w.length, w.loopStart, w.loopEnd, int{w.loopFlags}, w.sampleRate,
                         int{w.rootKey}, int{w.fineTune}),
              std::tuple(std::uint64_t{73728 + 384}, 257u, 44u, 256u, kLoopFound | kLoopBidirectional, 15000u, 60, 10));
    EXPECT_EQ(std::tuple(Decoded(Wave(1)), Wave(1).sampleRate, Loops(Wave(1))),
              std::tuple(std::vector<std::uint8_t>{0xF0, 0x7F, 0x00, 0x80}, 30000u, false));
    std::memcpy(&image[68608 + 51], "VOLUME NAME1", 12);
    for (int i = 0; i < 12; ++i)
        image[68608 + 63 + 4 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('a' + i);
    ASSERT_TRUE(Import(Bytes{}.Append(image), "x.sdk"));
    EXPECT_STREQ(store.FetchBank()->name, "VOLUME NAME1abcdefghijkl");
    SweepTruncations(Bytes{}.Append(image), "x.sdk", 4, 69000, 4099);

    EXPECT_EQ(ReadAlone(store, sdk_Read, Bytes{}.Append(RolandImage("S-70"))),
              "sdk16_Read: Sorry, don't understand disk images of the 16bit Roland samplers (S-770, S-70...)");
    EXPECT_EQ(ReadAlone(store, sdk_Read, Bytes{}.Append(RolandImage("S-90"))), "sdk_Read: Not a supported .SDK file");
    EXPECT_EQ(ReadAlone(store, sdk_Read, Bytes{}.U8(1).Append(RolandImage("S550"))), "sdk_Read: Not an .SDK file");
    const struct {
        const char* model;
        int score;
    } models[] = {{"S550", 2}, {"S-50", 2}, {"S330", 2}, {"S770", 1}, {"S-70", 1}, {"S-90", 0}};
    for (const auto& [model, score] : models) EXPECT_EQ(sdk_Detect(DetectHead(model, 4)), score) << model;
    EXPECT_EQ(sdk_Detect(DetectHead("\x01"
                                    "000S550")),
              0);
}

}  // namespace
