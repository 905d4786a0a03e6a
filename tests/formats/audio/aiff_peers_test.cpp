// AIFF, AIFC, 8SVX and 16SV files written by SoX and libsndfile, converted by KOBA, and KOBA's AIFF and IFF
// read back by both: samples, frames, rate, channels and loop must survive exactly.
#include "../format_kit.h"

namespace {

// A peer's decoding as raw data `bits` wide (8: unsigned; of wider samples, the top two bytes): SoX's,
// or libsndfile's for what SoX does not read (16SV, AIFC's G.711).
std::vector<std::uint8_t> PeerRaw(const TempDir& dir, const std::string& file, int bits, bool bySndfile = false)
{
    const std::vector<std::uint8_t> head = ReadFileBytes(file);
    const std::string form(head.begin() + 8, head.begin() + 12);
    if (form == "16SV" || bySndfile) {
        EXPECT_EQ(::Run("sndfile-convert -pcm16 " + Quoted(file) + " " + Quoted(dir / "sndfile.wav")), 0);
        return SoxRaw(dir, dir / "sndfile.wav", bits);
    }
    return SoxRaw(dir, file, bits, form == "8SVX" ? "-t 8svx" : "");
}

struct PeerCase {
    const char *name, *make, *extension;  // sox output options, or sndfile-convert and its flags
    int channels, compareBits;            // 8: unsigned bytes; 16: signed; 24 or 32: their top two bytes
    bool soxReads = true;                 // else libsndfile decodes the original
};

struct IffPeers : WriterFixture, ::testing::WithParamInterface<PeerCase> {};

TEST_P(IffPeers, ConvertsToWaveAndWritesAiffAndIffThatPeersDecodeIdentically)
{
    const PeerCase& c = GetParam();
    // Odd, so that odd data sizes are tried; but libsndfile counts its pad byte after odd G.711 data as a
    // sample in COMM, which it alone then does not decode.
    const std::size_t frames = c.soxReads ? 4321 : 4322;
    const std::string original = dir / (std::string("original.") + c.extension);
    ASSERT_TRUE(MakePeerFile(dir, c.make, c.channels, 22050, frames, 11, original));
    ASSERT_TRUE(store.Imp(original)) << Failure();
    RoundTrip(kWaveKind | 1, "koba.wav");
    const int width = c.compareBits == 8 ? 8 : 16;
    const std::vector<std::uint8_t> expected = PeerRaw(dir, original, c.compareBits, !c.soxReads);
    const std::vector<std::uint8_t> actual = PeerRaw(dir, dir / "koba.wav", width);
    ASSERT_EQ(actual.size(), frames * static_cast<std::size_t>(c.channels * width / 8));
    EXPECT_TRUE(actual == expected) << "the WAVE KOBA made decodes differently";
    // KOBA's own AIFF and IFF of it, read by SoX and libsndfile (which reads no stereo IFF, and counts
    // the pad byte after odd 8SVX data as a sample); no peer reads stereo 16SV.
    const std::string rate = " rate=22050 channels=" + std::to_string(c.channels);
    for (const std::string name : {"koba.aif", "koba.iff"}) {
        ASSERT_TRUE(store.Exp(dir / name, kWaveKind | 1)) << Failure();
        if (name == "koba.iff" && c.channels > 1 && width == 16) continue;
        EXPECT_TRUE(PeerRaw(dir, dir / name, width) == actual) << name << " decodes differently";
        if (name == "koba.iff" && c.channels > 1) continue;
        const bool oddIff = name == "koba.iff" && width == 8 && frames % 2 != 0;
        const std::string info = Probe(dir, dir / name);
        EXPECT_TRUE(info.starts_with("frames=" + std::to_string(frames + (oddIff ? 1 : 0)) + rate))
            << name << ": " << info;
    }
}

const PeerCase kPeerCases[] = {{"SoxAiff8Mono", "-e signed -b 8", "aif", 1, 8},
                               {"SoxAiff16Stereo", "-b 16", "aif", 2, 16},
                               {"SoxAiff24Stereo", "-b 24", "aif", 2, 24},
                               {"SoxAiff32Mono", "-b 32", "aif", 1, 32},
                               {"SoxAifcFloat32", "-e floating-point -b 32", "aifc", 1, 16},
                               {"Sox8svx", "-e signed -b 8", "8svx", 1, 8},
                               {"Sox8svxStereo", "-e signed -b 8", "8svx", 2, 8},
                               {"SndfileAiff8Stereo", "sndfile-convert -pcms8", "aif", 2, 8},
                               {"SndfileAiff16Mono", "sndfile-convert -pcm16", "aif", 1, 16},
                               {"SndfileAiff24Mono", "sndfile-convert -pcm24", "aif", 1, 24},
                               {"SndfileAifcSowtStereo", "sndfile-convert -endian=little -pcm16", "aifc", 2, 16},
                               {"SndfileAifcFloat32Stereo", "sndfile-convert -float32", "aifc", 2, 16},
                               {"SndfileAifcFloat64", "sndfile-convert -float64", "aifc", 1, 16},
                               {"SndfileAifcULaw", "sndfile-convert -ulaw", "aifc", 1, 16, false},
                               {"SndfileAifcALawStereo", "sndfile-convert -alaw", "aifc", 2, 16, false},
                               {"Sndfile8svx", "sndfile-convert -pcms8", "svx", 1, 8},
                               {"Sndfile16sv", "sndfile-convert -pcm16", "svx", 1, 16}};

INSTANTIATE_TEST_SUITE_P(Files, IffPeers, ::testing::ValuesIn(kPeerCases),
                         [](const auto& info) { return std::string(info.param.name); });

using IffLoopPeer = WriterFixture;

// libsndfile writes no AIFF loops, but reads them: a looped AIFF whose markers are found through the
// instrument chunk's ids (not their names), which libsndfile reads as KOBA does, survives KOBA's round trip.
TEST_F(IffLoopPeer, AnAiffLoopSurvivesTheRoundTripAsLibsndfileReadsIt)
{
    const auto marker = [](unsigned id, unsigned position, std::string_view name) {
        return Bytes{}.Be16(id).Be32(position).U8(name.size()).Tag(name).Zeros(name.size() % 2 == 0 ? 1 : 0);
    };
    Bytes data;
    for (const std::int16_t s : TestSignal(5000, 3)) data.Be16(static_cast<std::uint16_t>(s));
    const Bytes file = IffForm(
        "AIFF", {BeChunk("COMM", Bytes{}.Be16(1).Be32(5000).Be16(16).U8(0x40, 0x0E, 0xAC, 0x44).Zeros(6)),
                 BeChunk("MARK", Bytes{}.Be16(2).Append(marker(3, 2000, "end")).Append(marker(4, 100, "start"))),
                 BeChunk("INST", Bytes{}.U8(64, 0, 0, 127, 0, 127).Be16(0, 1, 4, 3, 1, 4, 3)),
                 BeChunk("SSND", Bytes{}.Be32(0, 0).Append(data))});
    const std::string original = dir / "looped.aif";
    WriteFileBytes(original, file.Data());
    const std::string before = Probe(dir, original);
    ASSERT_NE(before.find("loops=2 mode="), std::string::npos) << before;
    ASSERT_TRUE(store.Imp(original)) << Failure();
    EXPECT_EQ(std::tuple(Wave().loopStart, Wave().loopEnd, Wave().loopFlags, Wave().rootKey),
              std::tuple(100u, 2000u, 36, 64));
    RoundTrip(kWaveKind | 1, "koba.aif");
    EXPECT_EQ(Probe(dir, dir / "koba.aif"), before);
}

}  // namespace
