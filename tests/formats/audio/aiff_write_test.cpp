// The AIFF and IFF writers: their sizes, pad bytes and the fields no peer reads, and what our reader reads back.
#include "../format_kit.h"
#include "formats/common/extended_rate.h"

namespace {

std::uint32_t BeAt(const std::vector<std::uint8_t>& f, std::size_t at, int width = 4)
{
    std::uint32_t v = 0;
    for (int i = 0; i < width; ++i) v = v << 8 | f.at(at + static_cast<std::size_t>(i));
    return v;
}

using AiffWrite = WriterFixture;

// 1001 mono bytes named "abc": the name takes 4 bytes, the data 1001 and one pad byte, which no chunk
// size counts (peers would play it as a sample) but the form's does.
TEST_F(AiffWrite, SizesAndPadBytes)
{
    NewWave(1, "abc", Ramp(1001, 1), 8);
    const std::vector<std::uint8_t> aiff = RoundTrip(kWaveKind | 1, "odd.aif");
    EXPECT_EQ(std::tuple(aiff.size(), BeAt(aiff, 4), BeAt(aiff, 124), aiff.back()), std::tuple(1138u, 1130u, 1009u, 0));
    NewWave(1, "abc", Ramp(1001, 1), 8);
    const std::vector<std::uint8_t> iff = RoundTrip(kWaveKind | 1, "odd.iff");
    EXPECT_EQ(std::tuple(iff.size(), BeAt(iff, 4), BeAt(iff, 68), iff.back()), std::tuple(1074u, 1066u, 1001u, 0));
    EXPECT_EQ(std::string(iff.begin() + 8, iff.begin() + 12), "8SVX");
}

// Play modes (sustain and release), detune, markers and the rate's extended bytes, which libsndfile and SoX
// do not all report; an item that is no wavesample is refused.
TEST_F(AiffWrite, InstrumentMarkerAndRateFields)
{
    const std::tuple<std::uint8_t, std::int8_t, unsigned, std::uint8_t> cases[] = {
        {0, -64, 0, 0xCE}, {kLoopFound, 127, 1, 99}, {kLoopOn | kLoopBidirectional, 0, 2, 0}, {kLoopSustain, 1, 1, 0}};
    int file = 0;
    for (const auto& [flags, fineTune, mode, detune] : cases) {
        WavesampleRec& w = NewWave(1, "ab", Ramp(500, 2), 16, 2);
        w.loopFlags = flags, w.fineTune = fineTune, w.loopStart = 10, w.loopEnd = 200, w.rootKey = 72;
        w.sampleRate = 22050;
        const std::vector<std::uint8_t> f = RoundTrip(kWaveKind | 1, std::to_string(++file) + ".aif");
        EXPECT_EQ(std::tuple(BeAt(f, 20, 2), BeAt(f, 26, 2), BeAt(f, 50), BeAt(f, 66), f.at(88), f.at(89)),
                  std::tuple(2u, 16u, 10u, 200u, 72, detune));
        EXPECT_EQ(std::tuple(BeAt(f, 96, 2), BeAt(f, 102, 2)), std::tuple(mode, mode));
        EXPECT_EQ(std::vector(f.begin() + 28, f.begin() + 38),
                  (std::vector<std::uint8_t>{0x40, 0x0D, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}));
    }
    for (const std::uint32_t rate : {1u, 8000u, 44100u, 96000u, 0xFFFFFFFFu}) {
        const std::array<std::uint8_t, 10> bytes = RateToExtended(rate);
        EXPECT_EQ(ExtendedToRate(bytes), rate);
    }
    NewWave(1, "x", Ramp(10, 1), 8);
    store.NewInstrument(1, 1, "i", 1);
    for (const auto& [name, message] : {std::pair("i.aif", ".AIFF"), std::pair("i.iff", ".IFF")}) {
        for (const ItemId item : {kInstrumentKind | 1, kBankId}) {
            EXPECT_FALSE(store.Exp(dir / name, item));
            EXPECT_EQ(LastError.message, std::string("Export type not supported by ") + message);
        }
    }
}

// Samples, rate, loop, tuning and name come back through our reader; IFF has no backward loop, and a
// rate above 65535 Hz is lowered to it there, with a note to the user.
TEST_F(AiffWrite, WavesamplesReadBack)
{
    const std::tuple<std::uint8_t, std::uint8_t, std::uint8_t, std::uint32_t> cases[] = {
        {16, 1, kLoopFound | kLoopBidirectional, 44100},
        {8, 2, 0, 8000},
        {24, 2, kLoopFound, 96000},
        {8, 1, kLoopFound, 22050}};
    for (const auto& [bits, channels, flags, rate] : cases) {
        for (const std::string extension : {"aif", "iff"}) {
            WavesampleRec& w = NewWave(1, "Strings", Ramp(1200, bits / 8), bits, channels);
            w.loopFlags = flags, w.loopStart = 100, w.loopEnd = 300, w.rootKey = 67, w.fineTune = -20,
            w.sampleRate = rate;
            const std::vector<std::uint8_t> before = Decoded(w);
            const std::string name = std::to_string(bits) + "-" + std::to_string(channels) + "." + extension;
            RoundTrip(kWaveKind | 1, name);
            const bool iff = extension == "iff";
            const WavesampleRec& b = Wave();
            EXPECT_EQ(std::tuple(b.layout.channels, Delivered(b).bytesPerSample, b.sampleRate, Decoded(b)),
                      std::tuple(channels, bits > 8 ? 2 : 1, iff ? std::min(rate, 65535u) : rate, before))
                << name;
            // IFF without a loop: all of it is the one-shot part.
            const bool whole = iff && flags == 0;
            EXPECT_EQ(std::tuple(b.loopFlags, b.loopStart, b.loopEnd),
                      std::tuple(iff ? flags & kLoopFound : flags, whole ? b.length : 100u, whole ? b.length : 300u))
                << name;
            if (!iff) {
                EXPECT_EQ(std::tuple(b.rootKey, b.fineTune), std::tuple(67, -19)) << name;
            }
            EXPECT_STREQ(Instrument().name, "Strings");
        }
    }
}

}  // namespace
