// The WAVE writer byte for byte, and read back by our own reader.
#include "formats/audio/wav_write.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kit/riff_file.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "store/creator_text.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

struct WriteFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};
    TempDir dir;

    WavesampleRec& Wave(const Bytes& data, const char* name, std::uint8_t bits, std::uint8_t channels,
                        std::uint32_t length)
    {
        WriteFileBytes(dir / "source.raw", data.Data());
        WavesampleRec& w = *store.NewWavesample(1, std_Copy, name, static_cast<int>(std::strlen(name)));
        std::strcpy(w.sourcePath, (dir / "source.raw").c_str());
        w.bits = bits;
        w.bytesPerSample = bits > 8 ? 2 : 1;
        w.isSigned = bits > 8 ? 1 : 0;
        w.channels = channels;
        w.length = length;
        w.loopEnd = length - 1;
        return w;
    }
    std::vector<std::uint8_t> Export(ItemId id = 0x80000001)
    {
        EXPECT_TRUE(store.Exp(dir / "out.wav", id)) << LastError.message;
        return ReadFileBytes(dir / "out.wav");
    }
};

using WavWrite = WriteFixture;

TEST_F(WavWrite, ElevenFrameKickByteForByte)
{
    Bytes data;
    for (int i = 0; i < 11; ++i) data.U8(0x80 + 10 * i);
    Wave(data, "Kick", 8, 1, 11);
    const Bytes expected = Bytes{}
                               .Tag("RIFF").Le32(212).Tag("WAVE")
                               .Tag("fmt ").Le32(16).Le16(1, 1).Le32(22050, 22050).Le16(1, 8)
                               .Tag("data").Le32(11).Append(data).U8(0x80)
                               .Tag("LIST").Le32(88).Tag("INFO")
                               .Tag("INAM").Le32(6).Text("Kick", 6)
                               .Tag("ICMT").Le32(6).Text("Kick", 6)
                               .Tag("ISFT").Le32(48).Text(kShortCreatorText, 48)
                               .Tag("smpl").Le32(60).Le32(0, 0, 45351, 60, 0, 0, 0, 1, 0)
                               .Le32(0, 255, 0, 10, 0, 0);
    EXPECT_EQ(Export(), expected.Data());
}

TEST_F(WavWrite, StereoSixteenBitLayoutAndALoopWithItsMarkers)
{
    WavesampleRec& w = Wave(Bytes{}.Le16(1, 2, 3, 4), "Pad", 16, 2, 2);
    w.sampleRate = 44100;
    w.loopFlags = kLoopFound | kLoopBidirectional;
    w.loopStart = 1, w.loopEnd = 2, w.loopStartFrac = 64, w.loopEndFrac = 192;
    w.fineTune = 3;
    const std::vector<std::uint8_t> out = Export();
    const Bytes header = Bytes{}.Tag("RIFF").Le32(8 + 84 + 112 + 194).Tag("WAVE")
                             .Tag("fmt ").Le32(16).Le16(1, 2).Le32(44100, 176400).Le16(4, 16)
                             .Tag("data").Le32(8).Le16(1, 2, 3, 4);
    ASSERT_EQ(out.size(), 8u + 8 + 84 + 112 + 194);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 52), header.Data());
    const std::size_t cue = 52 + 8 + 84;
    const Bytes markers = Bytes{}.Tag("cue ").Le32(76, 3)
                              .Le32(0, 0).Tag("data").Le32(0, 0, 1)
                              .Le32(1, 1).Tag("data").Le32(0, 0, 1)
                              .Le32(2, 2).Tag("data").Le32(0, 0, 2)
                              .Tag("LIST").Le32(102).Tag("adtl")
                              .Tag("ltxt").Le32(20, 0, 1).Tag("mark").Zeros(8)
                              .Tag("labl").Le32(16, 0).Text("Loop Range", 12)
                              .Tag("labl").Le32(16, 1).Text("Loop Start", 12)
                              .Tag("labl").Le32(14, 2).Text("Loop End", 10)
                              .Tag("smpl").Le32(60).Le32(0, 0, 22675, 60, 3u << 25, 0, 0, 1, 0)
                              .Le32(0, 1, 1, 2, 128u << 24, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + cue, out.end()), markers.Data());
}

TEST_F(WavWrite, TwelveBitDataIsWrittenAsSixteenBits)
{
    Wave(Bytes{}.Le16(0x1230), "Twelve", 12, 1, 1);
    const std::vector<std::uint8_t> out = Export();
    EXPECT_EQ(out[34], 16);
    EXPECT_EQ(out[32], 2);
}

TEST_F(WavWrite, NegativeTuningWritesNoPitchFraction)
{
    WavesampleRec& w = Wave(Bytes{}.U8(1), "Low", 8, 1, 1);
    w.fineTune = -20;
    const std::vector<std::uint8_t> out = Export();
    const std::size_t smpl = out.size() - 68;
    ASSERT_EQ(std::string(out.begin() + smpl, out.begin() + smpl + 4), "smpl");
    EXPECT_EQ(out[smpl + 24] | out[smpl + 25] | out[smpl + 26] | out[smpl + 27], 0);
}

TEST_F(WavWrite, ALoopingWavesampleReadsBack)
{
    WavesampleRec& w = Wave(Bytes{}.Zeros(2000), "Strings", 16, 1, 1000);
    w.loopFlags = kLoopFound | kLoopBidirectional;
    w.loopStart = 100, w.loopEnd = 900, w.rootKey = 67;
    Export();
    ASSERT_TRUE(store.Imp(dir / "out.wav")) << LastError.message;
    const WavesampleRec& back = *store.FetchWave(0x80000001);
    EXPECT_STREQ(back.name, "Strings");
    EXPECT_EQ(back.loopStart, 100u);
    EXPECT_EQ(back.loopEnd, 900u);
    EXPECT_EQ(back.loopFlags, kLoopFound | kLoopBidirectional);
    EXPECT_EQ(back.rootKey, 67);
    EXPECT_EQ(back.length, 1000u);
    EXPECT_STREQ(store.FetchInstrument(0x40000001)->name, "Strings");
    EXPECT_STREQ(store.FetchInstrument(0x40000001)->note, kShortCreatorText);
}

TEST_F(WavWrite, OnlyWavesamplesAreWritten)
{
    Wave(Bytes{}.U8(1), "w", 8, 1, 1);
    store.NewInstrument(1, 1, "i", 1);
    EXPECT_FALSE(store.Exp(dir / "out.wav", 0x40000001));
    EXPECT_EQ(LastError.location, "wav_Write");
    EXPECT_EQ(LastError.message, "Export type not supported by .WAV");
}

TEST_F(WavWrite, AFailingCopyFailsTheExportAndKeepsTheOldFile)
{
    WavesampleRec& w = Wave(Bytes{}.U8(1), "w", 8, 1, 1);
    std::strcat(w.sourcePath, ".gone");
    WriteFileBytes(dir / "out.wav", {1, 2, 3});
    EXPECT_FALSE(store.Exp(dir / "out.wav", 0x80000001));
    EXPECT_EQ(LastError.location, "std_Copy");
    EXPECT_EQ(ReadFileBytes(dir / "out.wav"), (std::vector<std::uint8_t>{1, 2, 3}));
}

}  // namespace
