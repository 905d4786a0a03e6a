// The GF1 writer's regions, loops and envelopes at their edges (the freepats round trips check the rest).
#include "../format_kit.h"
#include "formats/instrument/gf1.h"

namespace {

using PatWrite = WriterFixture;

TEST_F(PatWrite, InstrumentRegionsLoopsAndTheExtraSample)
{
    WavesampleRec& looped = NewWave(1, "loop", Ramp(1000, 2), 16);
    looped.loopFlags = kLoopFound, looped.loopStart = 10, looped.loopEnd = 1200;
    NewWave(2, "plain", Ramp(8, 2), 16).hasEnvelope = 1;
    WavesampleRec& zeroEnd = NewWave(3, "zero", Ramp(8, 2), 16);
    zeroEnd.loopFlags = kLoopFound, zeroEnd.loopEnd = 0;
    NewInstrument(1, "Keys", [](int key) { return key < 36 ? 1 : key < 60 ? 2 : 3; });
    const std::vector<std::uint8_t> out = RoundTrip(kInstrumentKind | 1, "out.pat");
    const auto key = [](int k) { return static_cast<std::uint32_t>(pat_KeyToFreq(k, 0)); };
    const std::size_t one = 239, two = one + 96 + 2002, three = two + 96 + 16;  // where the wave headers start
    ASSERT_EQ(std::tuple(out[85], out.size()), std::tuple(3, three + 96 + 16));
    // Wave 1: keys 0..35 written as 0..36; the loop clamped to the end, one sample more (a copy
    // of the first) and the looping envelope.
    EXPECT_EQ(std::tuple(LeAt(out, one + 8), LeAt(out, one + 16), LeAt(out, one + 26), LeAt(out, two - 2, 2)),
              std::tuple(2002u, 2000u, key(36), 1u));
    EXPECT_EQ(std::vector(out.begin() + one + 37, out.begin() + one + 49),
              (std::vector<std::uint8_t>{63, 63, 63, 208, 63, 63, 246, 246, 246, 8, 8, 8}));
    // Wave 2: keys 36..60; no loop, so the plain envelope whatever it keeps. Wave 3: keys
    // 60..127 end at key 119; a loop end of 0 becomes the wave's size.
    EXPECT_EQ(std::tuple(LeAt(out, two + 22), LeAt(out, two + 26), out[two + 37], out[two + 46]),
              std::tuple(key(36), key(60), 63, 246));
    EXPECT_EQ(std::tuple(LeAt(out, three + 26), LeAt(out, three + 16)), std::tuple(key(119), LeAt(out, three + 8)));
}

}  // namespace
