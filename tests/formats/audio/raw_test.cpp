// Headerless data: the fixed raw and telephony readers, the rows detection gives such files,
// and the bare signed and unsigned writers; the refusals of the wavesample writers.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

using RawRead = WriterFixture;

// The extension decides for files without a header; a sure content test still wins.
TEST_F(RawRead, DetectionChoosesTheRowsOfHeaderlessFiles)
{
    const Bytes riff = RiffForm("WAVE", {Chunk("fmt ", FormatBody(1, 1, 8000, 8)), Chunk("data", Bytes{}.Zeros(4))});
    const std::tuple<const char*, Bytes, const char*> cases[] = {
        {"x.snd", Bytes{}.U8(0x80, 0x81, 0x7F), "Raw unsigned 8bit PCM data"},
        {"x.snd", riff, "Ms Windows wave file"},
        {"X.UL", Bytes{}.U8(0xFF, 0x7F), "US telephony format audio"},
        {"x.raw", Bytes{}.Tag("RIFF"), "Raw signed 8bit PCM data"},
        {"x.sam", Bytes{}.Tag("12\n"), "Signed 8bit Sample data"},
        {"x.txt", Bytes{}.Tag("; samples\r\n-12,\r\n7\r\n"), "Text formatted audio data"},
        {"x.txt", Bytes{}.Tag("Hello"), "Generic Raw Audio File"},
        {"x.bin", Bytes{}.Tag(".snd").Be32(24, 0, 2, 8000, 1), "Sun/NeXT/DEC audio"},
        {"noextension", Bytes{}.Tag("12\n13\n"), "Generic Raw Audio File"},
    };
    for (const auto& [name, bytes, row] : cases) {
        const TempFile f(name, bytes);
        EXPECT_STREQ(GetImportFormat(store, DetectImportFormat(store, f.Path(), File::OpenRead(f.Path())))->description,
                     row)
            << name;
    }
}

TEST_F(RawRead, TheWholeFileIsOneWavesample)
{
    // Not starting 01 02, which makes an .snd file an MPC3000 sample.
    const Bytes data = Bytes{}.U8(0x80).Append(Ramp(4999, 1));
    const std::tuple<const char*, std::uint32_t, bool, std::uint8_t> cases[] = {
        {"x.raw", 11050, true, 1}, {"x.sam", 11050, true, 1}, {"x.snd", 11050, false, 1}, {"x.ul", 8000, true, 2}};
    for (const auto& [name, rate, isSigned, width] : cases) {
        ASSERT_TRUE(Import(data, name)) << Failure();
        const PcmFormat delivered = Delivered(Wave());
        EXPECT_EQ(std::tuple(Wave().length, Wave().sampleRate, delivered.isSigned, delivered.bytesPerSample),
                  std::tuple(5000u, rate, isSigned, width))
            << name;
        EXPECT_EQ(Decoded(Wave()).size(), 5000u * width);
    }
    EXPECT_TRUE(Import(Bytes{}, "empty.raw"));
    EXPECT_EQ(Wave().length, 0u);
}

// Signed and unsigned, 8 and 16 bits, mono and stereo, written as bare little-endian samples.
TEST_F(RawRead, WritersWriteTheBareSamples)
{
    const struct {
        Bytes data;
        std::uint8_t bits, channels;
        bool isSigned;
        Bytes raw, snd;
    } cases[] = {
        {Bytes{}.U8(0x00, 0x7F, 0x80, 0xFF), 8, 1, true, Bytes{}.U8(0x00, 0x7F, 0x80, 0xFF),
         Bytes{}.U8(0x80, 0xFF, 0x00, 0x7F)},
        {Bytes{}.U8(0x00, 0x80, 0xFF), 8, 1, false, Bytes{}.U8(0x80, 0x00, 0x7F), Bytes{}.U8(0x00, 0x80, 0xFF)},
        {Bytes{}.Le16(0x1234, 0x8000, 0x7FFF, 0xFFFF), 16, 2, true, Bytes{}.Le16(0x1234, 0x8000, 0x7FFF, 0xFFFF),
         Bytes{}.Le16(0x9234, 0x0000, 0xFFFF, 0x7FFF)},
    };
    for (const auto& c : cases) {
        NewWave(1, "known", c.data, c.bits, c.channels, c.isSigned);
        for (const auto& [name, expected] : {std::pair("x.raw", c.raw), std::pair("x.snd", c.snd)}) {
            ASSERT_TRUE(store.Exp(dir / name, kWaveKind | 1)) << Failure();
            EXPECT_EQ(ReadFileBytes(dir / name), expected.Data()) << name;
        }
    }
    store.NewBank(nullptr, 0);
    for (const auto& [name, message] : {std::pair("x.raw", "raw_Write: Export type not supported by .RAW"),
                                        std::pair("x.snd", "snd_Write: Export type not supported by .SND"),
                                        std::pair("x.au", "au_Write: Export type not supported by .AU")}) {
        EXPECT_FALSE(store.Exp(dir / name, kBankId));
        EXPECT_EQ(Failure(), message);
    }
}

}  // namespace
