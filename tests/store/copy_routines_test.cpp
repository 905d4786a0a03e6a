// The decode path behind the general copy routines: every coding, pieces of bounded size,
// short files, corrupt lengths, the stored extent as the limit.
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

TEST(DecodePath, EachCodingDeliversItsPcmUpToTheExtentThenSilence)
{
    Bytes floats;
    // 229375.75 / 2^31: SoX cuts the 32-bit value to 229375 before rounding to 16 bits.
    for (float v :
         {1.0f, -1.0f, 0.5f, 2.5f / 32768, -2.5f / 32768, 3.49999f / 32768, 7.0f, NAN, 229375.75f / 2147483648.0f}) {
        floats.Le32(std::bit_cast<std::uint32_t>(v));
    }
    using enum SampleCoding;
    SampleLayout extent = Layout(Pcm, 16), unsigned8 = Layout(Pcm, 8);
    extent.bytes = 4, unsigned8.isSigned = false;
    const std::tuple<SampleLayout, Bytes, std::uint32_t, Bytes> cases[] = {
        {Layout(Pcm, 8), Bytes{}.U8(0x80, 0x7F, 0), 3, Bytes{}.U8(0x80, 0x7F, 0)},
        {Layout(Pcm, 24), Bytes{}.U8(0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC), 2, Bytes{}.U8(0x22, 0x33, 0xBB, 0xCC)},
        {Layout(Pcm, 16, 2, true), Bytes{}.Be16(1, -2, 300, -32768), 2, Bytes{}.Le16(1, -2, 300, -32768)},
        {Layout(Delta, 8), Bytes{}.U8(10, 5, 251), 3, Bytes{}.U8(10, 15, 10)},
        {Layout(Delta, 16), Bytes{}.Le16(32767, 2, -1), 3, Bytes{}.Le16(32767, -32767, -32768)},
        // Rounded as players do it, NaN as silence.
        {Layout(Float, 32), floats, 9, Bytes{}.Le16(32767, -32768, 16384, 3, -2, 3, 32767, 0, 3)},
        {Layout(Float, 64), Bytes{}.Le32(0, 0x3FD00000, 0, 0xBFF80000), 2, Bytes{}.Le16(8192, -32768)},
        {extent, Bytes{}.Le16(7, 8, 0x5555, 0x5555), 4, Bytes{}.Le16(7, 8, 0, 0)},  // past the extent: no audio
        {unsigned8, Bytes{}.U8(1, 2), 4, Bytes{}.U8(1, 2, 0x80, 0x80)},             // a short end: silence
    };
    for (const auto& [layout, stored, length, delivered] : cases) {
        StoredWave w(layout, stored, length);
        EXPECT_EQ(w.Copy().bytes, delivered.Data()) << int(layout.coding) << " " << int(layout.bits);
    }
}

TEST(DecodePath, LongSamplesStreamInBoundedPiecesAndDeltaSumsCarryOn)
{
    // 5, then deltas of 1: the running sum must not restart at a piece boundary.
    for (std::uint8_t bits : {8, 16}) {
        Bytes deltas;
        for (int i = 0; i < 300000; ++i) bits == 8 ? deltas.U8(i == 0 ? 5 : 1) : deltas.Le16(i == 0 ? 5 : 1);
        StoredWave w(Layout(SampleCoding::Delta, bits), deltas, 300000);
        const CaptureSink sink = w.Copy();
        const std::vector<std::int16_t> wide = Samples16(sink.bytes);
        EXPECT_TRUE(sink.calls > 2 && sink.largestPiece <= 1u << 16) << sink.calls << " " << sink.largestPiece;
        for (std::size_t i = 0; i < 300000; i += 4999) {
            ASSERT_EQ(bits == 8 ? sink.bytes[i] : std::uint16_t(wide[i]), (i + 5) % (1u << bits)) << bits << " " << i;
        }
    }
}

// A length far beyond the data, a missing source and an undecodable layout fail under the
// routine's name before any piece.
TEST(DecodePath, FailuresComeBeforeAnyPiece)
{
    using enum SampleCoding;
    SampleLayout ima = Layout(ImaAdpcm, 4), ms = Layout(MsAdpcm, 3);
    ima.blockAlign = 36, ima.framesPerBlock = 100;  // a 36-byte block holds 65 frames
    ms.blockAlign = 256, ms.framesPerBlock = 500;
    const std::string past = ": Sample data runs past the end of the file";
    const std::tuple<SampleLayout, std::uint32_t, const char*, std::string> cases[] = {
        {Layout(Pcm, 16, 2), 4000000000u, "", "std_Copy" + past},
        {Layout(Pcm, 16, 2, true), 4000000000u, "", "mms_Copy" + past},
        {Layout(Delta, 8), 4000000000u, "", "delta_Copy" + past},
        {Layout(MuLaw, 8), 4000000000u, "", "mu-law_Copy" + past},
        {Layout(ALaw, 8), 4000000000u, "", "a-law_Copy" + past},
        {Layout(Pcm, 8), 10, ".missing", "std_Copy: Couldn't open input file: @.missing (No such file or directory)"},
        {ima, 10, "", "dviadpcm_Copy: Unsupported or invalid Intel DVI/IMA ADPCM file"},
        {ms, 10, "", "msadpcm_Copy: Unsupported or invalid MS ADPCM file"},
    };
    for (const auto& [layout, length, suffix, error] : cases) {
        StoredWave w(layout, Bytes{}.Zeros(1000), length);
        std::string expected = error;
        if (const std::size_t at = expected.find('@'); at != std::string::npos)
            expected.replace(at, 1, w.wave.sourcePath);
        std::strcat(w.wave.sourcePath, suffix);
        CaptureSink sink;
        EXPECT_FALSE(CaptureWave(w.wave, sink));
        EXPECT_EQ(LastError.location + ": " + LastError.message, expected);
        EXPECT_EQ(sink.calls, 0);
    }
}

}  // namespace
