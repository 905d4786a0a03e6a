// WAVE files written by SoX and libsndfile, converted by KOBA, and KOBA's output read back by
// both: the samples, frames, rate, channels and loop must survive exactly.
#include <gtest/gtest.h>

#include <algorithm>

#include "../format_kit.h"
#include "kit/tools.h"

namespace {

struct PeerCase {
    const char* name;
    const char* make;  // sox output options, or sndfile-convert and its flag
    int channels;
    int compareBits;  // 8: unsigned bytes; 16: signed; 24 or 32: the top two bytes of that width
};

// What libsndfile makes of a file (the probe's one line).
std::string Probe(const TempDir& dir, const std::string& file)
{
    ::Run(std::string(KOBA_SNDFILE_PROBE) + " info " + Quoted(file) + " > " + Quoted(dir / "probe.txt"));
    const std::vector<std::uint8_t> text = ReadFileBytes(dir / "probe.txt");
    return {text.begin(), text.end()};
}

// SoX's decoding as raw data `bits` wide (no dither); of wider samples, the top two bytes.
std::vector<std::uint8_t> SoxRaw(const TempDir& dir, const std::string& file, int bits)
{
    const std::string raw = dir / "decoded.raw", as = std::string(bits == 8 ? " unsigned" : " signed") + " -b ";
    EXPECT_EQ(::Run("sox -D " + Quoted(file) + " -t raw -e" + as + std::to_string(bits) + " " + Quoted(raw)), 0);
    const std::vector<std::uint8_t> all = ReadFileBytes(raw);
    if (bits <= 16) return all;
    std::vector<std::uint8_t> top;
    const std::size_t width = bits / 8u;
    for (std::size_t i = width; i <= all.size(); i += width) top.push_back(all[i - 2]), top.push_back(all[i - 1]);
    return top;
}

class WavePeers : public ::testing::TestWithParam<PeerCase> {};

TEST_P(WavePeers, ConvertsToWaveThatPlaysIdenticallyInSoxAndLibsndfile)
{
    const PeerCase& c = GetParam();
    TempDir dir;
    const std::size_t frames = 12345;
    WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(frames * c.channels, 7)));
    const std::string original = dir / "original.wav", ours = dir / "koba.wav", source = Quoted(dir / "source.wav");
    const std::string make(c.make), via = make.starts_with("sndfile") ? source + " && " + make + " " + source : make;
    const std::string sox = "sox -t raw -r 22050 -e signed -b 16 -c " + std::to_string(c.channels) + " ";
    ASSERT_EQ(::Run(sox + Quoted(dir / "in.raw") + " " + via + " " + Quoted(original)), 0);
    ScriptedHost host;
    KobaStore store(host);
    ASSERT_TRUE(store.Imp(original)) << LastError.location << ": " << LastError.message;
    ASSERT_TRUE(store.Exp(ours, kWaveKind | 1)) << LastError.location << ": " << LastError.message;
    EXPECT_TRUE(host.messages.empty());

    const int width = c.compareBits == 8 ? 8 : 16;
    std::vector<std::uint8_t> expected = SoxRaw(dir, original, c.compareBits);
    const std::vector<std::uint8_t> actual = SoxRaw(dir, ours, width);
    // ADPCM ends in a whole block: SoX plays the block's padding, our length stops at the
    // frames the encoder was given.
    const std::size_t frameBytes = static_cast<std::size_t>(c.channels * width / 8);
    ASSERT_GE(actual.size(), frames * frameBytes);
    ASSERT_LE(actual.size(), expected.size());
    if (make.find("adpcm") == std::string::npos) {
        EXPECT_EQ(actual.size(), expected.size());
    }
    expected.resize(actual.size());
    const auto difference = std::mismatch(actual.begin(), actual.end(), expected.begin()).first - actual.begin();
    EXPECT_TRUE(actual == expected) << "first difference at byte " << difference;
    const std::string info = Probe(dir, ours), count = std::to_string(actual.size() / frameBytes);
    EXPECT_TRUE(info.starts_with("frames=" + count + " rate=22050 channels=" + std::to_string(c.channels))) << info;
}

const PeerCase kPeerCases[] = {
    {"SoxPcm8Mono", "-e unsigned -b 8", 1, 8}, {"SoxPcm16Stereo", "-e signed -b 16", 2, 16},
    {"SoxPcm24Stereo", "-e signed -b 24", 2, 24}, {"SoxPcm32Mono", "-e signed -b 32", 1, 32},
    {"SoxFloat32Stereo", "-e floating-point -b 32", 2, 16}, {"SoxFloat64Mono", "-e floating-point -b 64", 1, 16},
    {"SoxMuLaw", "-e mu-law", 1, 16}, {"SoxALawStereo", "-e a-law", 2, 16}, {"SoxImaAdpcm", "-e ima-adpcm", 1, 16},
    {"SoxMsAdpcmStereo", "-e ms-adpcm", 2, 16}, {"SndfilePcmU8Stereo", "sndfile-convert -pcmu8", 2, 8},
    {"SndfilePcm24Mono", "sndfile-convert -pcm24", 1, 24}, {"SndfileFloat32Mono", "sndfile-convert -float32", 1, 16},
    {"SndfileULaw", "sndfile-convert -ulaw", 1, 16}, {"SndfileImaAdpcmStereo", "sndfile-convert -ima-adpcm", 2, 16},
    {"SndfileMsAdpcm", "sndfile-convert -ms-adpcm", 1, 16}};

INSTANTIATE_TEST_SUITE_P(Files, WavePeers, ::testing::ValuesIn(kPeerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WavePeers, ASamplerLoopFromLibsndfileSurvivesTheRoundTrip)
{
    TempDir dir;
    const std::string original = dir / "looped.wav";
    ASSERT_EQ(::Run(std::string(KOBA_SNDFILE_PROBE) + " write-loop " + Quoted(original)), 0);
    ScriptedHost host;
    KobaStore store(host);
    ASSERT_TRUE(store.Imp(original)) << LastError.message;
    const WavesampleRec& w = *store.FetchWave(kWaveKind | 1);
    EXPECT_EQ(std::tuple(w.rootKey, w.loopStart, w.loopFlags, w.sampleRate), std::tuple(64, 100u, kLoopFound, 44100u));
    ASSERT_TRUE(store.Exp(dir / "koba.wav", kWaveKind | 1)) << LastError.message;
    const std::string before = Probe(dir, original);
    EXPECT_NE(before.find("loops=1 mode="), std::string::npos) << before;
    EXPECT_EQ(Probe(dir, dir / "koba.wav"), before);
}

}  // namespace
