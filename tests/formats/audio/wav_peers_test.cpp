// WAVE files written by SoX and libsndfile, converted by KOBA, and KOBA's output read back by
// both: the samples, frames, rate, channels and loop must survive exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

enum class Writer { Sox, Sndfile };

struct PeerCase {
    const char* name;
    Writer writer;
    const char* options;  // sox output options, or a sndfile-convert flag
    int channels;
    int compareBits;      // 8: unsigned bytes; 16: signed; 24 or 32: the top two bytes of that width
};

void PrintTo(const PeerCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        ::pclose(pipe);
    }
    return out;
}

// SoX's decoding of a file as raw data of the given width (no dither).
std::vector<std::uint8_t> SoxRaw(const TempDir& dir, const std::string& file, int bits)
{
    const std::string raw = dir / "decoded.raw";
    const std::string encoding = bits == 8 ? "-e unsigned" : "-e signed";
    EXPECT_EQ(::Run("sox -D " + Quoted(file) + " -t raw " + encoding + " -b " + std::to_string(bits) + " " + Quoted(raw)), 0);
    return ReadFileBytes(raw);
}

// The top two bytes of each little-endian sample `width` bytes wide.
std::vector<std::uint8_t> TopTwoBytes(const std::vector<std::uint8_t>& raw, std::size_t width)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + width <= raw.size(); i += width) {
        out.push_back(raw[i + width - 2]);
        out.push_back(raw[i + width - 1]);
    }
    return out;
}

class WavePeers : public ::testing::TestWithParam<PeerCase> {};

TEST_P(WavePeers, ConvertsToWaveThatPlaysIdenticallyInSoxAndLibsndfile)
{
    const PeerCase& c = GetParam();
    TempDir dir;
    const std::size_t frames = 12345;
    WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(frames * c.channels, 7)));
    const std::string raw16 = "sox -t raw -r 22050 -e signed -b 16 -c " + std::to_string(c.channels) + " " + Quoted(dir / "in.raw");
    const std::string original = dir / "original.wav";
    if (c.writer == Writer::Sox) {
        ASSERT_EQ(::Run(raw16 + " " + c.options + " " + Quoted(original)), 0);
    } else {
        ASSERT_EQ(::Run(raw16 + " " + Quoted(dir / "source.wav")), 0);
        ASSERT_EQ(::Run(std::string("sndfile-convert ") + c.options + " " + Quoted(dir / "source.wav") + " " + Quoted(original)), 0);
    }

    ScriptedHost host;
    WaveStore store(host);
    ASSERT_TRUE(store.Imp(original)) << LastError.location << ": " << LastError.message;
    EXPECT_EQ(store.formatIndex, 52);
    const std::string ours = dir / "koba.wav";
    ASSERT_TRUE(store.Exp(ours, 0x80000001)) << LastError.location << ": " << LastError.message;
    EXPECT_TRUE(host.messages.empty());

    const int width = c.compareBits == 8 ? 8 : 16;
    std::vector<std::uint8_t> expected = SoxRaw(dir, original, c.compareBits);
    if (c.compareBits > 16) expected = TopTwoBytes(expected, static_cast<std::size_t>(c.compareBits / 8));
    const std::vector<std::uint8_t> actual = SoxRaw(dir, ours, width);
    // ADPCM ends in a whole block: SoX plays the block's padding, our length stops at the
    // frames the encoder was given.
    const std::size_t frameBytes = static_cast<std::size_t>(c.channels * width / 8);
    ASSERT_GE(actual.size(), frames * frameBytes);
    ASSERT_LE(actual.size(), expected.size());
    if (c.compareBits != 16 || std::string(c.options).find("adpcm") == std::string::npos) {
        EXPECT_EQ(actual.size(), expected.size());
    }
    expected.resize(actual.size());
    EXPECT_TRUE(actual == expected) << "first difference at byte "
                                    << (std::mismatch(actual.begin(), actual.end(), expected.begin()).first - actual.begin());

    const std::string info = Capture(std::string(KOBA_SNDFILE_PROBE) + " info " + Quoted(ours));
    const std::string expectedInfo = "frames=" + std::to_string(actual.size() / frameBytes) +
                                     " rate=22050 channels=" + std::to_string(c.channels);
    EXPECT_EQ(info.rfind(expectedInfo, 0), 0u) << info;
}

INSTANTIATE_TEST_SUITE_P(
    Files, WavePeers,
    ::testing::Values(PeerCase{"SoxPcm8Mono", Writer::Sox, "-e unsigned -b 8", 1, 8},
                      PeerCase{"SoxPcm16Stereo", Writer::Sox, "-e signed -b 16", 2, 16},
                      PeerCase{"SoxPcm16Mono", Writer::Sox, "-e signed -b 16", 1, 16},
                      PeerCase{"SoxPcm24Stereo", Writer::Sox, "-e signed -b 24", 2, 24},
                      PeerCase{"SoxPcm32Mono", Writer::Sox, "-e signed -b 32", 1, 32},
                      PeerCase{"SoxFloat32Stereo", Writer::Sox, "-e floating-point -b 32", 2, 16},
                      PeerCase{"SoxFloat64Mono", Writer::Sox, "-e floating-point -b 64", 1, 16},
                      PeerCase{"SoxMuLaw", Writer::Sox, "-e mu-law", 1, 16},
                      PeerCase{"SoxALawStereo", Writer::Sox, "-e a-law", 2, 16},
                      PeerCase{"SoxImaAdpcm", Writer::Sox, "-e ima-adpcm", 1, 16},
                      PeerCase{"SoxMsAdpcmStereo", Writer::Sox, "-e ms-adpcm", 2, 16},
                      PeerCase{"SndfilePcmU8Stereo", Writer::Sndfile, "-pcmu8", 2, 8},
                      PeerCase{"SndfilePcm24Mono", Writer::Sndfile, "-pcm24", 1, 24},
                      PeerCase{"SndfilePcm32Stereo", Writer::Sndfile, "-pcm32", 2, 32},
                      PeerCase{"SndfileFloat32Mono", Writer::Sndfile, "-float32", 1, 16},
                      PeerCase{"SndfileULaw", Writer::Sndfile, "-ulaw", 1, 16},
                      PeerCase{"SndfileALaw", Writer::Sndfile, "-alaw", 1, 16},
                      PeerCase{"SndfileImaAdpcmStereo", Writer::Sndfile, "-ima-adpcm", 2, 16},
                      PeerCase{"SndfileMsAdpcm", Writer::Sndfile, "-ms-adpcm", 1, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WavePeers, ASamplerLoopFromLibsndfileSurvivesTheRoundTrip)
{
    TempDir dir;
    const std::string original = dir / "looped.wav";
    ASSERT_EQ(::Run(std::string(KOBA_SNDFILE_PROBE) + " write-loop " + Quoted(original)), 0);
    ScriptedHost host;
    WaveStore store(host);
    ASSERT_TRUE(store.Imp(original)) << LastError.message;
    const WavesampleRec& w = *store.FetchWave(0x80000001);
    EXPECT_EQ(w.rootKey, 64);
    EXPECT_EQ(w.loopStart, 100u);
    EXPECT_EQ(w.loopFlags, 36);
    EXPECT_EQ(w.sampleRate, 44100u);
    const std::string ours = dir / "koba.wav";
    ASSERT_TRUE(store.Exp(ours, 0x80000001)) << LastError.message;
    const std::string probe = std::string(KOBA_SNDFILE_PROBE) + " info ";
    const std::string before = Capture(probe + Quoted(original));
    EXPECT_NE(before.find("loops=1 mode="), std::string::npos) << before;
    EXPECT_EQ(Capture(probe + Quoted(ours)), before);
}

}  // namespace
