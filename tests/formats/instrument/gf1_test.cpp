// GF1 pitch and envelope conversions.
#include "../format_kit.h"
#include "formats/instrument/gf1.h"

namespace {

TEST(Gf1Pitch, KeysAndFrequenciesAreInverse)
{
    EXPECT_EQ(std::tuple(pat_KeyToFreq(0, 0), pat_KeyToFreq(60, 0), pat_KeyToFreq(69, 0), pat_KeyToFreq(127, 0)),
              std::tuple(8175, 261600, 439957, 12542628));
    EXPECT_EQ(pat_KeyToFreq(60, 128), pat_KeyToFreq(61, 0));  // fine tune in 1/128 semitone
    for (int k = 0; k < 128; ++k) EXPECT_EQ(pat_FreqToKey(static_cast<std::uint32_t>(pat_KeyToFreq(k, 0))), k);
    // Past key 127's boundary is 128; nothing owns 0 or a huge frequency.
    EXPECT_EQ(std::tuple(pat_FreqToKey(13000000), pat_FreqToKey(0), pat_FreqToKey(~0u)), std::tuple(128, 255, 255));
}

TEST(Gf1Envelope, RatesAndTimesAreInverseForFourteenVoices)
{
    EXPECT_EQ(pat_RateToTime(0xC0, 0, 255, 14), 16777215);  // increment 0: never completes
    for (int rate = 1; rate < 256; ++rate) {
        for (auto [from, to] : {std::pair<std::uint8_t, std::uint8_t>{0, 255}, {246, 8}, {100, 100}}) {
            if ((rate & 63) == 0) continue;
            // The same speed: the same rate, or a coarser range with the same time.
            const std::int32_t time = pat_RateToTime(static_cast<std::uint8_t>(rate), from, to, 14);
            EXPECT_EQ(pat_RateToTime(pat_TimeToRate(time, from, to), from, to, 14), time) << rate;
        }
    }
    // 32 voices × 150 levels × 3355000 passes 2^31: the product wraps, and the inverse with it.
    EXPECT_EQ(pat_RateToTime(0xC1, 0, 149, 32), -1075869184);
    EXPECT_EQ(pat_TimeToRate(-1075869184, 0, 149), 0xC1);
}

}  // namespace
