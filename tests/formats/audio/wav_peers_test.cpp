// WAVE files written by SoX and libsndfile, converted by KOBA, and KOBA's output read back by
// both: the samples, frames, rate, channels and loop must survive exactly.
#include "../format_kit.h"

namespace {

struct PeerCase {
    const char *name, *make;    // sox output options, or sndfile-convert and its flag
    int channels, compareBits;  // 8: unsigned bytes; 16: signed; 24 or 32: the top two bytes of that width
};

struct WavePeers : WriterFixture, ::testing::WithParamInterface<PeerCase> {};

TEST_P(WavePeers, ConvertsToWaveThatPlaysIdenticallyInSoxAndLibsndfile)
{
    const PeerCase& c = GetParam();
    const std::size_t frames = 12345;
    const std::string original = dir / "original.wav", make(c.make);
    ASSERT_TRUE(MakePeerFile(dir, make, c.channels, 22050, frames, 7, original));
    ASSERT_TRUE(store.Imp(original)) << Failure();
    RoundTrip(kWaveKind | 1, "koba.wav");
    // Wider or float samples become 16 bits, and the user is told; nothing else is given up.
    const bool narrowed = c.compareBits > 16 || make.find("float") != std::string::npos;
    EXPECT_EQ(host.Texts("Attention!"), std::vector<std::string>(narrowed ? 1 : 0, "Samples narrowed to 16 bits"));
    const int width = c.compareBits == 8 ? 8 : 16;
    const auto expected = SoxRaw(dir, original, c.compareBits), actual = SoxRaw(dir, dir / "koba.wav", width);
    // ADPCM ends in a whole block: SoX plays its padding, our length stops at the frames encoded.
    const std::size_t frameBytes = static_cast<std::size_t>(c.channels * width / 8);
    ASSERT_TRUE(actual.size() >= frames * frameBytes && actual.size() <= expected.size()) << actual.size();
    // SoX's "fact" counts the frames it encoded; libsndfile's stereo IMA one counts half and is not believed.
    EXPECT_TRUE(actual.size() == frames * frameBytes || make.starts_with("sndfile")) << actual.size();
    EXPECT_TRUE(actual.size() == expected.size() || make.find("adpcm") != std::string::npos);
    const auto same = std::mismatch(actual.begin(), actual.end(), expected.begin()).first - actual.begin();
    EXPECT_EQ(std::size_t(same), actual.size()) << "the bytes before the first difference";
    const std::string info = Probe(dir, dir / "koba.wav"), count = std::to_string(actual.size() / frameBytes);
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

using WaveLoopPeer = WriterFixture;

TEST_F(WaveLoopPeer, ASamplerLoopFromLibsndfileSurvivesTheRoundTrip)
{
    const std::string original = dir / "looped.wav";
    ASSERT_EQ(::Run(std::string(KOBA_SNDFILE_PROBE) + " write-loop " + Quoted(original)), 0);
    ASSERT_TRUE(store.Imp(original)) << Failure();
    RoundTrip(kWaveKind | 1, "koba.wav");
    const std::string before = Probe(dir, original);
    EXPECT_NE(before.find("loops=1 mode="), std::string::npos) << before;
    EXPECT_EQ(Probe(dir, dir / "koba.wav"), before);
}

}  // namespace
