// The WAVE writer read back by our reader (the peer tests hold its samples against SoX and libsndfile).
#include "../format_kit.h"
#include "store/creator_text.h"

namespace {

using WavWrite = WriterFixture;

// Layouts, loops, tuning and texts come back; 12 bits are written as 16, a negative fine tune as 0, and
// the form's size counts the pad byte after odd data. A file per case: one read in may not be overwritten.
TEST_F(WavWrite, WavesamplesReadBack)
{
    const std::tuple<std::uint8_t, std::uint8_t, std::uint8_t, std::int8_t> cases[] = {
        {16, 1, kLoopFound | kLoopBidirectional, 3}, {12, 1, kLoopFound, 0}, {8, 2, 0, -20}, {8, 1, kLoopFound, 100}};
    for (const auto& [bits, channels, loopFlags, fineTune] : cases) {
        WavesampleRec& w = NewWave(1, "Strings", Ramp(2001, 1), bits, channels, bits > 8);
        w.loopFlags = loopFlags, w.loopStart = 100, w.loopEnd = 300, w.rootKey = 67, w.fineTune = fineTune;
        w.loopStartFrac = 64, w.loopEndFrac = 192;
        const std::string name = std::to_string(bits) + "-" + std::to_string(channels) + ".wav";
        const std::vector<std::uint8_t> before = Decoded(w), file = RoundTrip(kWaveKind | 1, name);
        EXPECT_EQ(LeAt(file, 4) + 8, file.size());
        const WavesampleRec& b = Wave();
        EXPECT_EQ(std::tuple(b.layout.bits, b.layout.channels, b.loopFlags, b.loopStart, b.loopEnd, b.loopEndFrac),
                  std::tuple(bits > 8 ? 16 : 8, channels, loopFlags, 100u, 300u, 128));
        EXPECT_EQ(std::tuple(b.rootKey, b.fineTune, Decoded(b)), std::tuple(67, std::max<int>(fineTune, 0), before));
        EXPECT_EQ(std::string(b.name) + "|" + Instrument().name + "|" + Instrument().note,
                  std::string("Strings|Strings|") + kShortCreatorText);
    }
}

}  // namespace
