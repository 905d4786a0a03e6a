// Copy routines: layouts, short files, corrupt lengths, missing sources.
#include "store/copy_routines.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

struct CopyFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};

    WavesampleRec& Wave(const TempFile& file, CopyRoutine copy, std::uint8_t bits, std::uint32_t length,
                        std::uint8_t channels = 1)
    {
        WavesampleRec& w = *store.NewWavesample(1, copy, "w", 1);
        std::strcpy(w.sourcePath, file.Path().c_str());
        w.bits = bits;
        w.length = length;
        w.channels = channels;
        w.bytesPerSample = bits > 8 ? 2 : 1;
        w.isSigned = 1;
        return w;
    }
    std::vector<std::int16_t> Copy16(const WavesampleRec& w)
    {
        Capture c;
        EXPECT_TRUE(CaptureWave(store, w, c)) << LastError.message;
        return Samples16(c.bytes);
    }
};

using CopyRoutines = CopyFixture;

TEST_F(CopyRoutines, StdCopyKeepsTheTopTwoBytesOfWideSamples)
{
    TempFile f("24.raw", Bytes{}.Zeros(3).U8(0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC, 0x01, 0x80, 0xFF));
    WavesampleRec& w = Wave(f, std_Copy, 24, 3);
    w.dataOffset = 3;
    EXPECT_EQ(Copy16(w), (std::vector<std::int16_t>{0x3322, static_cast<std::int16_t>(0xCCBB),
                                                    static_cast<std::int16_t>(0xFF80)}));
}

TEST_F(CopyRoutines, BigEndianThroughMmsEqualsLittleEndianThroughStd)
{
    const std::vector<std::int16_t> sound = {1, -2, 300, -32768, 32767, 0x1234};
    Bytes le, be;
    for (std::int16_t s : sound) le.Le16(static_cast<std::uint16_t>(s)), be.Be16(static_cast<std::uint16_t>(s));
    TempFile little("le.raw", le), big("be.raw", be);
    EXPECT_EQ(Copy16(Wave(little, std_Copy, 16, 3, 2)), sound);
    EXPECT_EQ(Copy16(Wave(big, mms_Copy, 16, 3, 2)), sound);
    // 24-bit big-endian: the first two bytes are the most significant.
    TempFile big24("be24.raw", Bytes{}.U8(0x12, 0x34, 0x56));
    EXPECT_EQ(Copy16(Wave(big24, mms_Copy, 24, 1)), (std::vector<std::int16_t>{0x1234}));
}

TEST_F(CopyRoutines, EightBitDataIsDeliveredAsStored)
{
    TempFile f("8.raw", Bytes{}.U8(0x80, 0x7F, 0x00));
    for (CopyRoutine copy : {std_Copy, mms_Copy}) {
        Capture c;
        ASSERT_TRUE(CaptureWave(store, Wave(f, copy, 8, 3), c));
        EXPECT_EQ(c.bytes, (std::vector<std::uint8_t>{0x80, 0x7F, 0x00}));
    }
}

TEST_F(CopyRoutines, DeltaCopyDeliversRunningSums)
{
    TempFile f("delta.raw", Bytes{}.U8(10, 5, 251));
    Capture c;
    ASSERT_TRUE(CaptureWave(store, Wave(f, delta_Copy, 8, 3), c));
    EXPECT_EQ(c.bytes, (std::vector<std::uint8_t>{10, 15, 10}));
    TempFile wide("delta16.raw", Bytes{}.Le16(1000, 0xFFFF, 2));
    EXPECT_EQ(Copy16(Wave(wide, delta_Copy, 16, 3)), (std::vector<std::int16_t>{1000, 999, 1001}));
}

TEST_F(CopyRoutines, G711CopiesExpandEachByte)
{
    TempFile f("g711.raw", Bytes{}.U8(0xFF, 0x00, 0xD5));
    WavesampleRec& mu = Wave(f, mulaw_Copy, 8, 3);
    mu.bytesPerSample = 2;
    EXPECT_EQ(Copy16(mu), (std::vector<std::int16_t>{0, -32124, 716}));
    WavesampleRec& a = Wave(f, alaw_Copy, 8, 3);
    a.bytesPerSample = 2;
    EXPECT_EQ(Copy16(a), (std::vector<std::int16_t>{848, -5504, 8}));
}

TEST_F(CopyRoutines, FloatSamplesAreScaledRoundedAndClamped)
{
    const float values[] = {1.0f, -1.0f, 0.5f, 2.5f / 32768, -2.5f / 32768, 3.49999f / 32768, 7.0f, NAN};
    Bytes single;
    for (float v : values) single.Le32(std::bit_cast<std::uint32_t>(v));
    TempFile f32("f32.raw", single);
    WavesampleRec& w = Wave(f32, float_Copy, 32, 8);
    w.bytesPerSample = 2;
    EXPECT_EQ(Copy16(w), (std::vector<std::int16_t>{32767, -32768, 16384, 3, -2, 3, 32767, 0}));
    TempFile f64("f64.raw", Bytes{}.Le32(0, 0x3FD00000).Le32(0, 0xBFF80000));  // 0.25, -1.5
    WavesampleRec& wide = Wave(f64, float_Copy, 64, 2);
    wide.bytesPerSample = 2;
    EXPECT_EQ(Copy16(wide), (std::vector<std::int16_t>{8192, -32768}));
}

TEST_F(CopyRoutines, BytesMissingAtTheEndOfAShortFileAreZero)
{
    TempFile f("short.raw", Bytes{}.Le16(7, 8));
    EXPECT_EQ(Copy16(Wave(f, std_Copy, 16, 5)), (std::vector<std::int16_t>{7, 8, 0, 0, 0}));
}

TEST_F(CopyRoutines, ACorruptLengthIsAClearErrorNotAHugeAllocation)
{
    TempFile f("small.raw", Bytes{}.Zeros(1000));
    struct Case {
        CopyRoutine copy;
        const char* location;
    };
    for (const Case& c : {Case{std_Copy, "std_Copy"}, Case{mms_Copy, "mms_Copy"}, Case{delta_Copy, "delta_Copy"},
                          Case{mulaw_Copy, "mu-law_Copy"}, Case{alaw_Copy, "a-law_Copy"}}) {
        Capture capture;
        EXPECT_FALSE(CaptureWave(store, Wave(f, c.copy, 16, 4000000000u, 2), capture));
        EXPECT_EQ(LastError.location, c.location);
        EXPECT_EQ(LastError.message, "Sample data runs past the end of the file");
        EXPECT_EQ(capture.calls, 0);
    }
    // A few frames wholly past the end are a short file's silence, not an error.
    WavesampleRec& offset = Wave(f, std_Copy, 8, 10);
    offset.dataOffset = 4000000000u;
    Capture capture;
    EXPECT_TRUE(CaptureWave(store, offset, capture));
    EXPECT_EQ(capture.bytes, std::vector<std::uint8_t>(10, 0));
}

TEST_F(CopyRoutines, AMissingSourceFailsUnderTheRoutinesName)
{
    TempFile f("gone.raw", Bytes{}.Zeros(4));
    WavesampleRec& w = Wave(f, dviadpcm_Copy, 4, 4);
    std::strcat(w.sourcePath, ".missing");
    Capture capture;
    EXPECT_FALSE(CaptureWave(store, w, capture));
    EXPECT_EQ(LastError.location, "dviadpcm_Copy");
    EXPECT_EQ(LastError.message, "Couldn't open input file");
    EXPECT_EQ(capture.calls, 0);
}

// A WAVE "fmt " body for the ADPCM routines, at offset 0 of the test file.
Bytes AdpcmFormat(std::uint16_t tag, std::uint16_t blockAlign, std::uint16_t bits, std::uint16_t samplesPerBlock)
{
    return Bytes{}.Le16(tag, 1).Le32(22050, 11025).Le16(blockAlign, bits, 2, samplesPerBlock);
}

TEST_F(CopyRoutines, AdpcmFormatsTheyCannotDecodeAreRefused)
{
    struct Case {
        CopyRoutine copy;
        Bytes format;
        const char* message;
    };
    const Case cases[] = {
        {dviadpcm_Copy, AdpcmFormat(0x11, 256, 5, 505), "Unsupported or invalid Intel DVI/IMA ADPCM file"},
        {dviadpcm_Copy, AdpcmFormat(0x11, 256, 4, 0), "Unsupported or invalid Intel DVI/IMA ADPCM file"},
        {dviadpcm_Copy, AdpcmFormat(0x11, 2, 4, 505), "Unsupported or invalid Intel DVI/IMA ADPCM file"},
        {msadpcm_Copy, AdpcmFormat(2, 256, 3, 500), "Unsupported or invalid MS ADPCM file"},
        {msadpcm_Copy, AdpcmFormat(2, 0, 4, 500), "Unsupported or invalid MS ADPCM file"},
    };
    for (const Case& c : cases) {
        TempFile f("adpcm.wav", Bytes{c.format}.Zeros(1024));
        WavesampleRec& w = Wave(f, c.copy, 4, 100);
        w.dataOffset = 64;
        Capture capture;
        EXPECT_FALSE(CaptureWave(store, w, capture));
        EXPECT_EQ(LastError.message, c.message);
    }
}

TEST_F(CopyRoutines, MsAdpcmStopsAtTheDataChunksSizeAndDropsFramesBeyondTheLength)
{
    // Format at 0, the data chunk's size field at 44, data at 48: two 16-byte blocks (7 + 9
    // bytes: 2 + 18 frames each), a third block past the chunk's size.
    Bytes file = AdpcmFormat(2, 16, 4, 20).Le16(1).Le16(256, 0).Zeros(44 - 26).Le32(32);
    for (int block = 0; block < 3; ++block) file.U8(0).Le16(16, 100, 50).Zeros(9);
    TempFile f("ms.wav", file);
    WavesampleRec& w = Wave(f, msadpcm_Copy, 4, 45);
    w.dataOffset = 48;
    w.bytesPerSample = 2;
    const std::vector<std::int16_t> out = Copy16(w);
    ASSERT_EQ(out.size(), 45u);
    EXPECT_EQ(out[0], 50);
    EXPECT_EQ(out[1], 100);
    EXPECT_EQ(out[20], 50);   // the second block's first frame
    EXPECT_EQ(out[40], 0);    // the third block lies beyond the chunk: silence
}

}  // namespace
