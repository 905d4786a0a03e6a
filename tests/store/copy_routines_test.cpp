// The decode path behind the general copy routines: every coding, pieces of bounded size,
// short files, corrupt lengths, the stored extent as the limit, failing sinks.
#include "store/copy_routines.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "kit/capture_sink.h"
#include "kit/temp_file.h"
#include "support/last_error.h"

namespace {

SampleLayout Layout(SampleCoding coding, std::uint8_t bits, std::uint8_t channels = 1, bool bigEndian = false)
{
    SampleLayout l;
    l.coding = coding, l.bits = bits, l.channels = channels, l.bigEndian = bigEndian;
    return l;
}

// A wavesample over `stored` (the whole file unless the layout names an extent).
struct StoredWave {
    StoredWave(const SampleLayout& layout, const Bytes& stored, std::uint32_t length) : file("stored.raw", stored)
    {
        wave.layout = layout;
        if (wave.layout.bytes == 0) wave.layout.bytes = stored.Size();
        wave.length = length;
        wave.copyRoutine = GeneralCopyRoutine(layout);
        std::strcpy(wave.sourcePath, file.Path().c_str());
    }
    CaptureSink Copy()
    {
        CaptureSink sink;
        EXPECT_TRUE(CaptureWave(wave, sink)) << LastError.location << ": " << LastError.message;
        EXPECT_EQ(sink.frames, wave.length);
        return sink;
    }
    TempFile file;
    WavesampleRec wave{};
};

std::vector<std::uint8_t> Le16s(std::initializer_list<int> values)
{
    Bytes b;
    for (int v : values) b.Le16(static_cast<std::uint16_t>(v));
    return b.Data();
}

TEST(DecodePath, EachCodingDeliversItsPcm)
{
    const float floats[] = {1.0f, -1.0f, 0.5f, 2.5f / 32768, -2.5f / 32768, 3.49999f / 32768, 7.0f, NAN};
    Bytes single;
    for (float v : floats) single.Le32(std::bit_cast<std::uint32_t>(v));
    struct Case {
        const char* what;
        SampleLayout layout;
        Bytes stored;
        std::uint32_t length;
        std::vector<std::uint8_t> delivered;
    };
    const Case cases[] = {
        {"8-bit as stored", Layout(SampleCoding::Pcm, 8), Bytes{}.U8(0x80, 0x7F, 0), 3, {0x80, 0x7F, 0}},
        {"24-bit keeps its top two bytes", Layout(SampleCoding::Pcm, 24),
         Bytes{}.U8(0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC), 2, {0x22, 0x33, 0xBB, 0xCC}},
        {"16-bit big-endian stereo", Layout(SampleCoding::Pcm, 16, 2, true), Bytes{}.Be16(1, 0xFFFE, 300, 0x8000), 2,
         Le16s({1, -2, 300, -32768})},
        {"24-bit big-endian", Layout(SampleCoding::Pcm, 24, 1, true), Bytes{}.U8(0x12, 0x34, 0x56), 1, {0x34, 0x12}},
        {"8-bit delta", Layout(SampleCoding::Delta, 8), Bytes{}.U8(10, 5, 251), 3, {10, 15, 10}},
        {"16-bit delta", Layout(SampleCoding::Delta, 16), Bytes{}.Le16(1000, 0xFFFF, 2), 3, Le16s({1000, 999, 1001})},
        {"mu-law", Layout(SampleCoding::MuLaw, 8), Bytes{}.U8(0xFF, 0x00, 0xD5), 3, Le16s({0, -32124, 716})},
        {"A-law", Layout(SampleCoding::ALaw, 8), Bytes{}.U8(0xFF, 0x00, 0xD5), 3, Le16s({848, -5504, 8})},
        {"32-bit float, rounded as players do", Layout(SampleCoding::Float, 32), single, 8,
         Le16s({32767, -32768, 16384, 3, -2, 3, 32767, 0})},
        {"64-bit float", Layout(SampleCoding::Float, 64), Bytes{}.Le32(0, 0x3FD00000).Le32(0, 0xBFF80000), 2,
         Le16s({8192, -32768})},
        {"64-bit float big-endian", Layout(SampleCoding::Float, 64, 1, true), Bytes{}.Be32(0x3FD00000, 0), 1,
         Le16s({8192})},
    };
    for (const Case& c : cases) {
        StoredWave w(c.layout, c.stored, c.length);
        EXPECT_EQ(w.Copy().bytes, c.delivered) << c.what;
    }
}

TEST(DecodePath, LongSamplesStreamInBoundedPiecesAndDeltaSumsCarryOn)
{
    // 300,000 delta bytes of 1: the running sum must not restart at a piece boundary.
    StoredWave w(Layout(SampleCoding::Delta, 8), Bytes{}.Append(std::vector<std::uint8_t>(300000, 1)), 300000);
    const CaptureSink sink = w.Copy();
    EXPECT_GT(sink.calls, 2);
    EXPECT_LE(sink.largestPiece, 1u << 16);
    for (std::size_t i = 0; i < sink.bytes.size(); i += 4999) ASSERT_EQ(sink.bytes[i], static_cast<std::uint8_t>(i + 1)) << i;
}

TEST(DecodePath, NothingPastTheExtentIsReadAndAShortEndIsSilence)
{
    SampleLayout signed16 = Layout(SampleCoding::Pcm, 16);
    signed16.bytes = 4;  // two frames; the bytes after them are not audio
    StoredWave extent(signed16, Bytes{}.Le16(7, 8, 0x5555, 0x5555), 4);
    EXPECT_EQ(extent.Copy().bytes, Le16s({7, 8, 0, 0}));
    SampleLayout unsigned8 = Layout(SampleCoding::Pcm, 8);
    unsigned8.isSigned = false;
    StoredWave shortFile(unsigned8, Bytes{}.U8(1, 2), 4);
    EXPECT_EQ(shortFile.Copy().bytes, (std::vector<std::uint8_t>{1, 2, 0x80, 0x80}));
}

TEST(DecodePath, ALengthFarBeyondTheDataIsAClearErrorBeforeAnyPiece)
{
    struct Case {
        SampleLayout layout;
        const char* location;
    };
    for (const Case& c : {Case{Layout(SampleCoding::Pcm, 16, 2), "std_Copy"},
                          Case{Layout(SampleCoding::Pcm, 16, 2, true), "mms_Copy"},
                          Case{Layout(SampleCoding::Delta, 8), "delta_Copy"},
                          Case{Layout(SampleCoding::MuLaw, 8), "mu-law_Copy"},
                          Case{Layout(SampleCoding::ALaw, 8), "a-law_Copy"}}) {
        StoredWave w(c.layout, Bytes{}.Zeros(1000), 4000000000u);
        CaptureSink sink;
        EXPECT_FALSE(CaptureWave(w.wave, sink));
        EXPECT_EQ(LastError.location, c.location);
        EXPECT_EQ(LastError.message, "Sample data runs past the end of the file");
        EXPECT_EQ(sink.calls, 0);
    }
}

TEST(DecodePath, AMissingSourceOrAnUndecodableLayoutFailsUnderTheRoutinesName)
{
    StoredWave gone(Layout(SampleCoding::Pcm, 8), Bytes{}.Zeros(4), 4);
    std::strcat(gone.wave.sourcePath, ".missing");
    CaptureSink sink;
    EXPECT_FALSE(CaptureWave(gone.wave, sink));
    EXPECT_EQ(LastError.location + ": " + LastError.message, "std_Copy: Couldn't open input file");

    SampleLayout ima = Layout(SampleCoding::ImaAdpcm, 4);
    ima.blockAlign = 36, ima.framesPerBlock = 100;  // a 36-byte block holds 65 frames
    SampleLayout ms = Layout(SampleCoding::MsAdpcm, 3);
    ms.blockAlign = 256, ms.framesPerBlock = 500;
    for (const SampleLayout& layout : {ima, ms}) {
        StoredWave w(layout, Bytes{}.Zeros(512), 10);
        EXPECT_FALSE(CaptureWave(w.wave, sink));
        EXPECT_NE(LastError.message.find("Unsupported or invalid"), std::string::npos) << LastError.message;
    }
}

TEST(DecodePath, MsAdpcmBlocksEndWithTheExtentAndFramesBeyondTheLengthAreDropped)
{
    // Two 16-byte blocks (header 7 bytes + 9 bytes of codes: 2 + 18 frames each); a third
    // block after the extent.
    SampleLayout ms = Layout(SampleCoding::MsAdpcm, 4);
    ms.blockAlign = 16, ms.framesPerBlock = 20, ms.coefficientCount = 1, ms.coefficients[0] = {256, 0};
    ms.bytes = 32;
    Bytes blocks;
    for (int block = 0; block < 3; ++block) blocks.U8(0).Le16(16, 100, 50).Zeros(9);
    StoredWave w(ms, blocks, 45);
    const std::vector<std::int16_t> out = Samples16(w.Copy().bytes);
    ASSERT_EQ(out.size(), 45u);
    EXPECT_EQ(out[0], 50);
    EXPECT_EQ(out[1], 100);
    EXPECT_EQ(out[20], 50);  // the second block's first frame
    EXPECT_EQ(out[40], 0);   // beyond the extent: silence
}

TEST(DecodePath, AFailingSinkEndsTheCopy)
{
    StoredWave w(Layout(SampleCoding::Pcm, 8), Bytes{}.Zeros(200000), 200000);
    CaptureSink sink;
    sink.failAfterFirst = true;
    EXPECT_FALSE(CaptureWave(w.wave, sink));
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(LastError.message, "File Write Error");
}

}  // namespace
