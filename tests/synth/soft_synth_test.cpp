// The software synthesizer on freepats patches (and the same instrument as a SoundFont bank
// KOBA wrote): pitch from the root key, loops that sustain, release, voice stealing; and a note
// played through RtAudio on a real PulseAudio server.
#include "synth/soft_synth.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "audio/soft_synth_device.h"
#include "kit/import_fixture.h"
#include "kit/pulse_sink.h"
#include "kit/temp_file.h"
#include "kit/tools.h"
#include "playback/play.h"
#include "support/last_error.h"

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::int32_t kSoftwareSynthRow = 3;  // the synthesizer table's last row
const std::string kSquare = "Tone_000/080_Square_Wave.pat";  // one bidirectional loop, root key 60
// Where the patch's one wave (22050 Hz) holds a steady pitch, in its frames.
constexpr double kSteadyFrom = 2500, kSteadyFrames = 4000;

// From the rising crossings of the left channel, with a margin against ripple at the edges.
double Frequency(const std::vector<std::int16_t>& stereo)
{
    int peak = 1;
    for (std::size_t i = 0; i < stereo.size(); i += 2) peak = std::max(peak, std::abs(int{stereo[i]}));
    long first = -1, last = -1, rises = 0;
    bool low = false;
    for (std::size_t i = 0; i < stereo.size(); i += 2) {
        if (stereo[i] < -peak / 4) low = true;
        if (low && stereo[i] > peak / 4) {
            low = false;
            last = static_cast<long>(i / 2);
            if (first < 0)
                first = last;
            else
                ++rises;
        }
    }
    return rises == 0 ? 0 : rises * double{kRate} / static_cast<double>(last - first);
}

double Loudness(const std::vector<std::int16_t>& stereo)
{
    double sum = 0;
    for (const double s : stereo) sum += s * s;
    return stereo.empty() ? 0 : std::sqrt(sum / static_cast<double>(stereo.size()));
}

struct Synth : ::testing::Test {
    SoftSynth synth{kRate};

    void Send(std::uint8_t status, std::uint8_t key, std::uint8_t velocity = 100)
    {
        const std::uint8_t message[] = {status, key, velocity};
        synth.Send(message);
    }
    std::vector<std::int16_t> Render(double seconds)
    {
        std::vector<std::int16_t> out(2 * static_cast<std::size_t>(seconds * kRate));
        synth.Render(out);
        return out;
    }

    // The frequency of a held key over the steady part of the wave.
    double KeyFrequency(std::uint8_t key)
    {
        const double waveFramesPerSecond = 22050 * std::exp2((key - 60) / 12.0);
        Send(0x90, key);
        Render(kSteadyFrom / waveFramesPerSecond);
        const double f = Frequency(Render(kSteadyFrames / waveFramesPerSecond));
        Send(0xB0, 120, 0);
        return f;
    }
};

TEST_F(Synth, AnOctaveAboveTheRootKeyIsTwiceTheRootsFrequency)
{
    ASSERT_TRUE(synth.Load(FreepatsPath(kSquare))) << LastError.message;
    const double root = KeyFrequency(60);
    for (int key : {72, 48, 67}) {
        const double ratio = std::exp2((key - 60) / 12.0);
        EXPECT_NEAR(KeyFrequency(static_cast<std::uint8_t>(key)) / root, ratio, 0.01 * ratio) << key;
    }
}

// The GF1 patch releases by its envelope; the bank KOBA writes of it keeps no envelope and
// fades in a moment.
TEST_F(Synth, ALoopedNoteSustainsPastTheDataWhileHeldAndNoteOffEndsIt)
{
    TempDir dir;
    ASSERT_EQ(::Run(std::string(KOBA_CLI) + " convert " + Quoted(FreepatsPath(kSquare)) + " " + Quoted(dir / "sq.sbk") +
                    " --item 0x40000001 >/dev/null"),
              0);
    const struct {
        std::string path;
        double release;
    } cases[] = {{FreepatsPath(kSquare), 1.0}, {dir / "sq.sbk", 0.06}};
    for (const auto& c : cases) {
        ASSERT_TRUE(synth.Load(c.path)) << LastError.message;
        Send(0x90, 60);
        Render(3);  // the data lasts under 2 s at the root key
        EXPECT_GT(Loudness(Render(0.1)), 1000) << c.path;
        Send(0x80, 60, 64);
        Render(c.release);
        EXPECT_EQ(synth.ActiveVoices(), 0) << c.path;
        EXPECT_EQ(Loudness(Render(0.1)), 0) << c.path;
    }
}

TEST_F(Synth, The33rdNoteTakesAReleasedVoiceElseTheOldest)
{
    ASSERT_TRUE(synth.Load(FreepatsPath(kSquare))) << LastError.message;
    for (std::uint8_t key = 30; key < 62; ++key) Send(0x90, key);
    Send(0x80, 40);
    Send(0x90, 62);
    Render(0.01);
    EXPECT_EQ(synth.ActiveVoices(), SoftSynth::kVoices);
    EXPECT_TRUE(synth.Sounding(30) && synth.Sounding(62) && !synth.Sounding(40));
    Send(0x90, 63);
    Render(0.01);
    EXPECT_TRUE(!synth.Sounding(30) && synth.Sounding(31) && synth.Sounding(63));
}

TEST_F(Synth, FilesWithoutAnythingToPlayAreRefused)
{
    const TempFile empty("empty.pat", std::vector<std::uint8_t>{});
    EXPECT_FALSE(synth.Load(empty.Path()));
    EXPECT_FALSE(synth.Load(FreepatsPath("no such.pat")));
}

// The auditioning frame's last row end to end: the instrument written for it, a key from the
// thru path, heard on a real PulseAudio server.
TEST_F(Synth, AKeyThroughTheAuditioningFrameIsHeardAtItsPitch)
{
    if (::Run("command -v pulseaudio >/dev/null") != 0) GTEST_SKIP() << "no pulseaudio here";
    PulseSink server;
    ASSERT_TRUE(server.Ready());
    ASSERT_TRUE(synth.Load(FreepatsPath(kSquare))) << LastError.message;
    const double expected = 2 * KeyFrequency(60);
    ScriptedHost host;
    SoftSynthDevice device;
    host.synth = &device;
    KobaStore store(host);
    ASSERT_TRUE(store.Imp(FreepatsPath(kSquare))) << LastError.message;
    Play play(store, host);
    ASSERT_TRUE(play.DevOpen(-1, kSoftwareSynthRow)) << LastError.message;
    ItemId instrument = NO_ITEM;
    store.ForEachItem([&](ItemId id, const void*) {
        if (instrument == NO_ITEM && IsInstrument(id)) instrument = id;
    });
    ASSERT_TRUE(play.DevLoad(instrument)) << LastError.message;
    play.Thru({0x95, 72, 100});
    usleep(1000000);
    play.Thru({0x95, 72, 0});
    usleep(100000);
    play.DevClose();
    const std::vector<std::uint8_t> bytes = server.Played();
    // Key 72 reads the 22050 Hz wave a frame per 44.1 kHz frame.
    const auto first = static_cast<std::size_t>(2 * kSteadyFrom), count = static_cast<std::size_t>(2 * kSteadyFrames);
    ASSERT_GT(bytes.size(), 2 * (first + count));
    std::vector<std::int16_t> heard(count);
    std::memcpy(heard.data(), bytes.data() + 2 * first, 2 * count);
    EXPECT_NEAR(Frequency(heard), expected, 0.01 * expected);
}

}  // namespace
