// The codecs: every G.711 code as SoX expands it, and the ADPCM corner cases (whole files are
// checked against SoX through the WAVE reader).
#include "store/decoders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "kit/temp_file.h"
#include "kit/tools.h"
#include "support/endian.h"

namespace {

TEST(G711, EveryCodeExpandsAsSoxExpandsIt)
{
    TempDir dir;
    std::vector<std::uint8_t> codes(256), ours(512);
    std::iota(codes.begin(), codes.end(), 0);
    WriteFileBytes(dir / "codes.raw", codes);
    for (const auto& [encoding, expand] : {std::pair{"mu-law", &ExpandMuLaw}, {"a-law", &ExpandALaw}}) {
        ASSERT_EQ(::Run("sox -t raw -r 8000 -c 1 -e " + std::string(encoding) + " " + Quoted(dir / "codes.raw") +
                        " -t raw -e signed -b 16 " + Quoted(dir / "linear.raw")),
                  0);
        expand(ours.data(), codes.data(), codes.size());
        EXPECT_EQ(ours, ReadFileBytes(dir / "linear.raw")) << encoding;
    }
}

TEST(ImaBlock, AStepIndexPastTheTableIs88CodesPastTheBlockAre0AndThreeBitCodesCrossWords)
{
    std::vector<std::uint8_t> out(2 * 2 * 100);
    // Predictor 0, index 200; first codes 1 then 9 (the same magnitude, negative).
    const std::uint8_t block[8] = {0, 0, 200, 0, 0x91, 0, 0, 0};
    ASSERT_EQ(DecodeImaBlock(out.data(), block, sizeof block, 3, 1, 4), 3u);
    EXPECT_EQ(std::tuple(LoadLe16s(&out[0]), LoadLe16s(&out[2])), std::tuple(0, (32767 >> 3) + (32767 >> 2)));
    ASSERT_EQ(DecodeImaBlock(out.data(), block, 4, 100, 1, 4), 100u);  // the header only: codes 0
    EXPECT_EQ(LoadLe16s(&out[2]), 32767 >> 3);
    // Stereo, 3-bit codes: channel 0's two words hold the bit stream 1,0,0,1,0,0,…,1,0 | 1,0,0,…:
    // codes 1 (+4 at step 7, the index staying 0) up to code 10, which takes bits 30, 31 and
    // the next word's bit 0: 5, that is -4. Channel 1's zero codes add 7/4 = 1 each.
    std::vector<std::uint8_t> stereo(8 + 16, 0);
    const std::uint32_t ones = 0b01001001001001001001001001001001u;
    for (int word = 0; word < 2; ++word) std::memcpy(&stereo[8 + 8 * word], &ones, 4);
    ASSERT_EQ(DecodeImaBlock(out.data(), stereo.data(), stereo.size(), 20, 2, 3), 20u);
    EXPECT_EQ(std::tuple(LoadLe16s(&out[4]), LoadLe16s(&out[8]), LoadLe16s(&out[6])), std::tuple(4, 8, 1));
    EXPECT_EQ(LoadLe16s(&out[4 * 11]), 40 - 4);
}

TEST(MsAdpcmBlock, BadPredictorsAndShortBlocksGiveWhatTheyHoldAndTheStepStaysAtLeast16)
{
    MsAdpcmCoefficient coefficients[7] = {{256, 0}, {0, 0}};
    std::vector<std::uint8_t> block(7 + 10, 0x11), out(2 * 500);
    const std::tuple<int, unsigned, std::size_t, std::size_t, std::size_t> cases[] = {
        // predictor, predictors the format has, block bytes, frames per block, frames decoded
        {7, 7, 17, 500, 0}, {3, 3, 17, 500, 0}, {0, 7, 6, 500, 0}, {0, 1, 17, 500, 22}, {0, 1, 17, 10, 10},
    };
    for (const auto& [predictor, count, bytes, perBlock, frames] : cases) {
        block[0] = std::uint8_t(predictor);
        EXPECT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), bytes, 1, perBlock, count, coefficients), frames);
    }
    // Predictor 1 (none), delta 16, code 0 again and again: the step would fall to 14, 12 …
    // without the floor, and code 1 after it must still move by 16.
    block = {1, 16, 0, 0, 0, 0, 0, 0x00, 0x00, 0x01};
    ASSERT_EQ(DecodeMsAdpcmBlock(out.data(), block.data(), block.size(), 1, 8, 2, coefficients), 8u);
    EXPECT_EQ(LoadLe16s(&out[2 * 7]), 16);
}

}  // namespace
