// The WAVE writer: wavesamples read back by our own reader (the peer tests hold the samples
// against SoX and libsndfile).
#include <gtest/gtest.h>

#include <tuple>

#include "../format_kit.h"
#include "store/creator_text.h"

namespace {

using WavWrite = WriterFixture;

// Layouts, loops, tuning and texts come back; 12 bits are written as 16, a negative fine tune
// as 0, and the pad byte after odd data is counted in the form's size.
TEST_F(WavWrite, WavesamplesReadBack)
{
    struct Case {
        std::uint8_t bits, channels, loopFlags;
        std::int8_t fineTune;
    } const cases[] = {{16, 1, kLoopFound | kLoopBidirectional, 3}, {12, 1, kLoopFound, 0}, {8, 2, 0, -20},
                       {8, 1, kLoopFound, 100}};
    for (const Case& c : cases) {
        WavesampleRec& w = Wave(1, "Strings", Ramp(2001, 1), c.bits, c.channels, c.bits > 8);
        w.loopFlags = c.loopFlags, w.loopStart = 100, w.loopEnd = 300, w.rootKey = 67, w.fineTune = c.fineTune;
        w.loopStartFrac = 64, w.loopEndFrac = 192;
        const std::vector<std::uint8_t> before = Decoded(w);
        const std::vector<std::uint8_t> file = Export(kWaveKind | 1, "out.wav");
        EXPECT_EQ(LeAt(file, 4) + 8, file.size());
        ASSERT_TRUE(store.Imp(dir / "out.wav")) << LastError.message;
        const WavesampleRec& back = *store.FetchWave(kWaveKind | 1);
        EXPECT_EQ(std::tuple(back.layout.bits, back.layout.channels, back.loopFlags, back.loopStart, back.loopEnd),
                  std::tuple(c.bits > 8 ? 16 : 8, c.channels, c.loopFlags, 100u, 300u));
        EXPECT_EQ(std::tuple(back.loopEndFrac, back.rootKey, back.fineTune),
                  std::tuple(128, 67, std::max<int>(c.fineTune, 0)));
        EXPECT_EQ(Decoded(back), before);
        const InstrumentRec& instrument = *store.FetchInstrument(kInstrumentKind | 1);
        EXPECT_EQ(std::string(back.name) + "|" + instrument.name + "|" + instrument.note,
                  std::string("Strings|Strings|") + kShortCreatorText);
    }
}

}  // namespace
