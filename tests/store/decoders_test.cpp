// Decoders against SoX's own decoding of files SoX encoded, and the codec corner cases.
#include "store/decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "kit/capture_sink.h"
#include "kit/import_fixture.h"
#include "kit/tools.h"
#include "store/copy_routines.h"
#include "support/endian.h"
#include "support/last_error.h"

namespace {

TEST(G711, ExpandsTheStandardsEndPoints)
{
    struct Case {
        std::uint8_t code;
        std::int16_t muLaw;
        std::int16_t aLaw;
    };
    for (const Case& c : {Case{0x00, -32124, -5504}, Case{0xFF, 0, 848}, Case{0x80, 32124, 5504},
                          Case{0x7F, 0, -848}, Case{0xD5, 716, 8}, Case{0x55, -716, -8}}) {
        EXPECT_EQ(MuLawToLinear(c.code), c.muLaw) << int(c.code);
        EXPECT_EQ(ALawToLinear(c.code), c.aLaw) << int(c.code);
    }
    // A-law 0x2A: segment 7, the loudest negative value.
    EXPECT_EQ(ALawToLinear(0x2A), -32256);
}

TEST(Delta, RunningSumsWrap)
{
    std::uint8_t bytes[] = {10, 5, 251};
    DeltaDecode8(bytes, 3);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{10, 15, 10}));
    std::uint8_t words[] = {0xFF, 0x7F, 0x02, 0x00};  // 32767, then + 2 wraps to -32767
    DeltaDecode16(words, 2);
    EXPECT_EQ(LoadLe16s(words + 2), -32767);
}

TEST(ImaBlock, AStepIndexBeyondTheTableIsUsedAs88)
{
    // Predictor 0, index 200; first codes 1 then 9 (the same magnitude, negative).
    const std::uint8_t block[8] = {0, 0, 200, 0, 0x91, 0, 0, 0};
    std::uint8_t out[6] = {};
    ASSERT_EQ(DecodeImaBlock(out, block, sizeof block, 3, 1, 4), 3u);
    EXPECT_EQ(LoadLe16s(out), 0);
    EXPECT_EQ(LoadLe16s(out + 2), (32767 >> 3) + (32767 >> 2));
    EXPECT_EQ(kImaStepTable[0], 7);
    EXPECT_EQ(kImaStepTable[88], 32767);
}

TEST(ImaBlock, CodesTheBlockDoesNotHoldReadAsZero)
{
    const std::uint8_t block[4] = {0x10, 0x00, 0, 0};  // header only
    std::vector<std::uint8_t> out(2 * 100);
    ASSERT_EQ(DecodeImaBlock(out.data(), block, sizeof block, 100, 1, 4), 100u);
    EXPECT_EQ(LoadLe16s(out.data()), 16);
}

TEST(ImaBlock, ThreeBitCodesCrossByteAndWordBoundaries)
{
    // Stereo, 3-bit codes: channel 0 words hold codes 1,1,1,... (0b001 repeated).
    std::vector<std::uint8_t> block(8 + 16, 0);
    const std::uint32_t ones = 0b01001001001001001001001001001001u;  // bit stream 1,0,0,1,0,0,...
    for (int word = 0; word < 2; ++word) std::memcpy(&block[8 + 8 * word], &ones, 4);
    std::vector<std::uint8_t> out(2 * 2 * 20);
    DecodeImaBlock(out.data(), block.data(), block.size(), 20, 2, 3);
    // Code 1 at index 0: step 7 → 7/4 + 7/2 = 4, index falls to 0 again. Channel 1 stays silent
    // apart from its own (zero) codes' smallest step: 7/4 = 1 each.
    EXPECT_EQ(LoadLe16s(&out[4]), 4);
    EXPECT_EQ(LoadLe16s(&out[8]), 8);
    EXPECT_EQ(LoadLe16s(&out[6]), 1);
}

TEST(MsAdpcmBlock, APredictorTheFormatDoesNotHaveGivesNoFrames)
{
    MsAdpcmCoefficient coefficients[7] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    std::vector<std::uint8_t> block(256, 0);
    block[0] = 7;
    std::vector<std::uint8_t> out(2 * 500);
    EXPECT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), block.size(), 1, 500, 7, coefficients), 0u);
    block[0] = 3;
    EXPECT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), block.size(), 1, 500, 3, coefficients), 0u);
    EXPECT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), 6, 1, 500, 7, coefficients), 0u);
}

TEST(MsAdpcmBlock, APartialBlockYieldsTheFramesItsBytesHold)
{
    MsAdpcmCoefficient coefficients[1] = {{256, 0}};
    std::vector<std::uint8_t> block(7 + 10, 0x11);
    block[0] = 0;
    std::vector<std::uint8_t> out(2 * 500);
    EXPECT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), block.size(), 1, 500, 1, coefficients), 22u);
    EXPECT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), block.size(), 1, 10, 1, coefficients), 10u);
}

TEST(MsAdpcmBlock, TheStepNeverFallsBelow16)
{
    // Delta 16, code 0 again and again: the step would fall to 14, 12 … without the floor,
    // and code 1 after it must still move by 16.
    MsAdpcmCoefficient coefficients[1] = {{0, 0}};
    std::vector<std::uint8_t> block = {0, 16, 0, 0, 0, 0, 0, 0x00, 0x00, 0x01};
    std::vector<std::uint8_t> out(2 * 8);
    ASSERT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), block.size(), 1, 8, 1, coefficients), 8u);
    EXPECT_EQ(LoadLe16s(&out[2 * 7]), 16);
}

// Files encoded by SoX from one test signal, decoded by KOBA and by SoX.
struct SoxCase {
    const char* encoding;  // sox -e
    CopyRoutine copy;
    int channels;
};

void PrintTo(const SoxCase& c, std::ostream* os)
{
    *os << c.encoding << " " << c.channels;
}

class AgainstSox : public ::testing::TestWithParam<SoxCase> {};

TEST_P(AgainstSox, DecodesSampleForSampleAsSoxDoes)
{
    const SoxCase& c = GetParam();
    TempDir dir;
    const std::size_t frames = 30011;  // not a whole number of ADPCM blocks
    WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(frames * c.channels)));
    const std::string encoded = dir / "encoded.wav";
    ASSERT_EQ(::Run("sox -t raw -r 22050 -e signed -b 16 -c " + std::to_string(c.channels) + " " +
                  Quoted(dir / "in.raw") + " -e " + c.encoding + " " + Quoted(encoded)),
              0);
    ASSERT_EQ(::Run("sox " + Quoted(encoded) + " -t raw -e signed -b 16 " + Quoted(dir / "sox.raw")), 0);
    const std::vector<std::int16_t> expected = Samples16(ReadFileBytes(dir / "sox.raw"));

    // Through the WAVE reader, which describes the blocks, then the decode path.
    ScriptedHost host;
    KobaStore store(host);
    ASSERT_TRUE(store.Imp(encoded)) << LastError.message;
    const WavesampleRec& wave = *store.FetchWave(kWaveKind | 1);
    EXPECT_EQ(wave.copyRoutine, c.copy);
    CaptureSink capture;
    ASSERT_TRUE(CaptureWave(wave, capture)) << LastError.message;
    // SoX decodes whole blocks; the file's "fact" says where the sound ends.
    const std::vector<std::int16_t> decoded = Samples16(capture.bytes);
    ASSERT_EQ(decoded.size(), frames * c.channels);
    ASSERT_GE(expected.size(), decoded.size());
    const auto mismatch = std::mismatch(decoded.begin(), decoded.end(), expected.begin());
    EXPECT_EQ(mismatch.first, decoded.end()) << "first difference at " << (mismatch.first - decoded.begin());
}

INSTANTIATE_TEST_SUITE_P(Codecs, AgainstSox,
                         ::testing::Values(SoxCase{"mu-law", mulaw_Copy, 1}, SoxCase{"a-law", alaw_Copy, 2},
                                           SoxCase{"ima-adpcm", dviadpcm_Copy, 1},
                                           SoxCase{"ima-adpcm", dviadpcm_Copy, 2},
                                           SoxCase{"ms-adpcm", msadpcm_Copy, 1},
                                           SoxCase{"ms-adpcm", msadpcm_Copy, 2}),
                         [](const auto& info) {
                             std::string name = info.param.encoding;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name + (info.param.channels == 2 ? "Stereo" : "Mono");
                         });

}  // namespace
