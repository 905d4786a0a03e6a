// GF1 pitch and envelope conversions.
#include "formats/instrument/gf1.h"

#include <gtest/gtest.h>

namespace {

TEST(Gf1Pitch, KeysGiveTheFormatsFrequencies)
{
    struct Case {
        int key;
        int frequency;
    };
    for (const Case& c : {Case{0, 8175}, Case{60, 261600}, Case{69, 439957}, Case{119, 7901360}, Case{127, 12542628}}) {
        EXPECT_EQ(pat_KeyToFreq(c.key, 0), c.frequency) << c.key;
    }
    EXPECT_GT(pat_KeyToFreq(60, 64), pat_KeyToFreq(60, 0));  // half a semitone up
    EXPECT_LT(pat_KeyToFreq(60, -64), pat_KeyToFreq(60, 0));
}

TEST(Gf1Pitch, EveryKeyOwnsItsFrequencyAndTheSearchEnds)
{
    for (int key = 0; key < 128; ++key) EXPECT_EQ(pat_FreqToKey(static_cast<std::uint32_t>(pat_KeyToFreq(key, 0))), key);
    EXPECT_EQ(pat_FreqToKey(0), 255);
    EXPECT_EQ(pat_FreqToKey(4000000000u), 255);
    EXPECT_EQ(pat_FreqToKey(13000000), 128);  // above key 127's boundary
    // The midpoint between keys 59 and 60 (plus one) still belongs to key 59.
    const std::uint32_t mid = (static_cast<std::uint32_t>(pat_KeyToFreq(59, 0) + pat_KeyToFreq(60, 0)) >> 1) + 1;
    EXPECT_EQ(pat_FreqToKey(mid), 59);
    EXPECT_EQ(pat_FreqToKey(mid + 1), 60);
}

TEST(Gf1Envelope, RatesAndTimesAreInverseForFourteenVoices)
{
    EXPECT_EQ(pat_RateToTime(0xC0, 0, 255, 14), 16777215);  // increment 0: never completes
    EXPECT_EQ(pat_TimeToRate(0, 3, 200), 63);
    EXPECT_EQ(pat_TimeToRate(16777215, 9, 9), 194);
    EXPECT_EQ(pat_RateToTime(63, 0, 0, 14), 14 * 3355000 / (63 * 512));
    for (int rate = 1; rate < 256; ++rate) {
        if ((rate & 63) == 0) continue;
        for (auto [from, to] : {std::pair{0, 255}, std::pair{246, 8}, std::pair{100, 100}}) {
            const std::int32_t time = pat_RateToTime(static_cast<std::uint8_t>(rate), static_cast<std::uint8_t>(from),
                                                     static_cast<std::uint8_t>(to), 14);
            const std::uint8_t back = pat_TimeToRate(time, static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to));
            // The same speed: the same rate, or a coarser range with the same time.
            EXPECT_EQ(pat_RateToTime(back, static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to), 14), time)
                << rate << " " << from << " " << to;
        }
    }
}

TEST(Gf1Envelope, LargeVoiceCountsWrapAsThirtyTwoBits)
{
    // 32 voices × 150 levels × 3355000 passes 2^31: the product wraps negative.
    const std::int32_t time = pat_RateToTime(1 | 0xC0, 0, 149, 32);
    EXPECT_EQ(time, -1075869184);
    EXPECT_EQ(pat_TimeToRate(time, 0, 149), 0xC1);  // the inverse wraps the same way
}

}  // namespace
