// MIDI Sample Dumps: KOBA's own dumps read back exactly, the bytes of a dump as the standard lays
// them out, hand-built dumps and SDX files, bad and cut files.
#include "../format_kit.h"
#include "formats/formats.h"
#include "store/creator_text.h"

namespace {

struct Sds : WriterFixture {};

Bytes Groups(std::uint32_t value, int count)
{
    Bytes b;
    for (int i = 0; i < count; ++i) b.U8(value >> (7 * i) & 127);
    return b;
}

// A dump header, then `packets` packets whose 120 data bytes are `data` (cut or zero-padded).
Bytes SdsFile(unsigned bits, std::uint32_t period, std::uint32_t length, std::uint32_t loopStart,
              std::uint32_t loopEnd, unsigned loopType, const Bytes& data, unsigned packets)
{
    Bytes b = Bytes{}.U8(0xF0, 0x7E, 5, 0x01).Append(Groups(300, 2)).U8(bits);
    for (std::uint32_t v : {period, length, loopStart, loopEnd}) b.Append(Groups(v, 3));
    b.U8(loopType, 0xF7);
    for (unsigned p = 0; p < packets; ++p) {
        Bytes packet = Bytes{}.U8(0xF0, 0x7E, 5, 0x02, p & 127);
        for (std::size_t i = 0; i < 120; ++i) packet.U8(p * 120 + i < data.Size() ? data.Data()[p * 120 + i] : 0);
        b.Append(packet.U8(0x55, 0xF7));  // checksums are not checked
    }
    return b;
}

// `samples` samples of `width` bytes: the extremes, then the test signal.
Bytes Signal(std::size_t samples, int width)
{
    const std::vector<std::uint8_t> words = LittleEndianBytes(TestSignal(samples));
    Bytes b = width == 2 ? Bytes{}.Le16(0x8000, 0x7FFF) : Bytes{}.U8(0x80, 0x7F);
    for (std::size_t i = 2; i < samples; ++i) width == 2 ? b.U8(words[2 * i], words[2 * i + 1]) : b.U8(words[2 * i + 1]);
    return b;
}

// A wavesample's frames as the dump carries them: unsigned, a stereo pair averaged as such.
std::vector<std::uint8_t> AsDumped(const WavesampleRec& wave, int width, int channels)
{
    std::vector<std::uint8_t> data = Decoded(wave), out;
    for (std::size_t i = width - 1; i < data.size(); i += width) data[i] ^= 0x80;
    const auto at = [&](std::size_t s) { return width == 2 ? data[2 * s] | data[2 * s + 1] << 8 : data[s]; };
    for (std::size_t s = 0; s < data.size() / width; s += channels) {
        const unsigned v = channels == 2 ? (at(s) + at(s + 1)) / 2 : at(s);
        out.push_back(static_cast<std::uint8_t>(v));
        if (width == 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return out;
}

TEST_F(Sds, KobasDumpsReadBackExactly)
{
    const struct {
        std::uint8_t bits, channels;
        std::uint32_t frames, rate, readRate;
        std::uint8_t loopFlags;
        std::size_t fileBytes;
    } cases[] = {
        {16, 1, 100, 48000, 48000, kLoopFound, 21 + 3 * 127},  // 300 data bytes: the last packet half empty
        {8, 1, 61, 22050, 22050, kLoopFound | kLoopBidirectional, 21 + 2 * 127},
        {16, 1, 40, 44100, 44101, 0, 21 + 127},  // the period's nanoseconds bound the rate
        {8, 2, 7, 11025, 11025, kLoopFound, 21 + 127},
        {16, 2, 41, 32000, 32000, kLoopFound, 21 + 2 * 127},
    };
    for (const auto& c : cases) {
        store.ClearStore();
        WavesampleRec& w = NewWave(1, "w", Signal(c.frames * c.channels, c.bits / 8), c.bits, c.channels);
        std::tie(w.sampleRate, w.loopFlags, w.loopStart, w.loopEnd) = std::tuple(c.rate, c.loopFlags, 3, c.frames - 2);
        const std::vector<std::uint8_t> expected = AsDumped(w, c.bits / 8, c.channels);
        EXPECT_EQ(RoundTrip(kWaveKind | 1, "x.sds").size(), c.fileBytes) << c.frames;
        const WavesampleRec& r = Wave(0);
        EXPECT_EQ(std::tuple(r.length, r.sampleRate, r.loopFlags, std::string(r.name)),
                  std::tuple(c.frames, c.readRate, c.loopFlags, std::string("No 0")));
        if (c.loopFlags != 0) EXPECT_EQ(std::pair(r.loopStart, r.loopEnd), std::pair(3u, c.frames - 2));
        EXPECT_EQ(Decoded(r), expected) << int{c.bits};
    }
}

// The header, the 7-bit groups of each sample, the packet frame and checksum, the zero padding.
TEST_F(Sds, DumpBytesAsTheStandardLaysThemOut)
{
    WavesampleRec& w = NewWave(1, "w", Bytes{}.Le16(0x8000, 0x7FFF, 0x1234).Zeros(2 * 97), 16);
    std::tie(w.sampleRate, w.loopFlags, w.loopStart, w.loopEnd) = std::tuple(48000, kLoopFound, 5, 80);
    ASSERT_TRUE(store.Exp(dir / "x.sds", kWaveKind | 1)) << Failure();
    const std::vector<std::uint8_t> f = ReadFileBytes(dir / "x.sds");
    const Bytes header = Bytes{}.U8(0xF0, 0x7E, 0, 0x01, 0, 0, 16, 0x61, 0x22, 0x01, 100, 0, 0, 5, 0, 0, 80, 0, 0, 0, 0xF7);
    ASSERT_EQ(f.size(), 21u + 3 * 127);
    EXPECT_EQ(std::vector(f.begin(), f.begin() + 21), header.Data());  // 20833 ns
    const std::uint16_t third = 0x1234 ^ 0x8000;
    EXPECT_EQ(std::vector(f.begin() + 21, f.begin() + 35),
              (std::vector<std::uint8_t>{0xF0, 0x7E, 0, 0x02, 0, 0, 0, 0, 0x7F, 0x7F, 0x60, third >> 9,
                                         third >> 2 & 127, third << 5 & 127}));
    for (std::size_t p = 0; p < 3; ++p) {
        const std::size_t at = 21 + 127 * p;
        std::uint8_t checksum = 0;
        for (std::size_t i = at + 1; i < at + 125; ++i) checksum ^= f[i];
        EXPECT_EQ(std::tuple(f[at + 4], f[at + 125], f[at + 126]), std::tuple(p, checksum, 0xF7));
    }
    EXPECT_TRUE(std::all_of(f.begin() + 21 + 254 + 5 + 60, f.begin() + 21 + 254 + 125, [](auto b) { return b == 0; }));
    WavesampleRec& bytes = NewWave(2, "b", Bytes{}.U8(0x80, 0x7F), 8);
    bytes.loopFlags = 0;
    ASSERT_TRUE(store.Exp(dir / "y.sds", kWaveKind | 2)) << Failure();
    const std::vector<std::uint8_t> g = ReadFileBytes(dir / "y.sds");
    EXPECT_EQ(std::vector(g.begin() + 19, g.begin() + 30),
              (std::vector<std::uint8_t>{127, 0xF7, 0xF0, 0x7E, 0, 0x02, 0, 0x00, 0x00, 0x7F, 0x40}));
    NewInstrument(1, "i", [](int) { return 1; });
    EXPECT_FALSE(store.Exp(dir / "z.sds", kInstrumentKind | 1));
    EXPECT_EQ(Failure(), "sds_Write: Export type not supported by .SDS");
}

TEST_F(Sds, HandBuiltDumps)
{
    const Bytes twelve = Bytes{}.U8(0x7F, 0x7C, 0x40, 0x00);
    const struct {
        Bytes file;
        std::string read;  // "read" or the failure
        std::uint32_t length, rate;
        std::vector<std::uint8_t> first;  // the first samples as delivered
    } cases[] = {
        {SdsFile(12, 20833, 2, 0, 1, 127, twelve, 1), "read", 2, 48000, {0xF0, 0xFF, 0x00, 0x80}},
        {SdsFile(12, 22676, 2, 0, 1, 0, twelve, 1), "read", 2, 44099, {0xF0, 0xFF}},
        {SdsFile(8, 0, 1, 0, 0, 127, Bytes{}.U8(0x7F, 0x40), 1), "read", 1, 22050, {0xFF}},
        {SdsFile(7, 1000, 2, 0, 0, 127, Bytes{}.U8(0x7F, 0x01), 1), "read", 2, 1000000, {0xFE, 0x02}},
        // Packets missing or out of frame: the samples before them stay.
        {SdsFile(16, 1000, 200, 0, 0, 127, {}, 2), "read", 80, 1000000, {}},
        {SdsFile(16, 1000, 200, 0, 0, 127, {}, 2).U8(0xF0).Zeros(126), "read", 80, 1000000, {}},
        {SdsFile(17, 1000, 2, 0, 0, 127, {}, 1), "sds_Read: Can't handle > 16 bits / sample", 0, 0, {}},
        {SdsFile(0, 1000, 2, 0, 0, 127, {}, 1), "sds_Read: Not an raw Midi Sample Dump Standard file", 0, 0, {}},
        {Bytes{}.U8(0xF0, 0x7E, 0, 0x02).Zeros(17), "sds_Read: Not an raw Midi Sample Dump Standard file", 0, 0, {}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ReadAlone(store, sds_Read, c.file), c.read);
        if (c.read != "read") continue;
        ASSERT_TRUE(Import(c.file, "x.sds"));
        const WavesampleRec& w = Wave(300);
        EXPECT_EQ(std::tuple(w.length, w.sampleRate), std::tuple(c.length, c.rate));
        const std::vector<std::uint8_t> data = Decoded(w);
        EXPECT_TRUE(std::equal(c.first.begin(), c.first.end(), data.begin())) << c.length;
    }
}

Bytes SdxFile(std::string_view name, unsigned version, std::string_view comment, unsigned bits, std::uint32_t length,
              unsigned loopType, std::size_t dataBytes)
{
    Bytes b = Bytes{}.Tag("SDX:").Tag(name).U8(0x1A, version).Tag(comment).U8(0);
    if (comment.empty()) b.U8(0xEE);  // skipped after an empty comment
    b.U8(0).Le16(7).U8(bits).Le32(16000, length, 2, length - 1).U8(loopType, 0);
    for (std::size_t i = 0; i < dataBytes; ++i) b.U8(i * 29);
    return b;
}

TEST_F(Sds, SdxFiles)
{
    const struct {
        Bytes file;
        std::string read;
        std::uint32_t length;
        std::uint8_t bytesPerSample, loopFlags;
        std::string note;
    } cases[] = {
        {SdxFile("Bell", 1, "struck", 16, 50, 1, 100), "read", 50, 2, kLoopFound | kLoopBidirectional, "struck"},
        {SdxFile("Bell", 1, "", 8, 50, 127, 50), "read", 50, 1, 0, kCreatorText},
        {SdxFile("Bell", 1, std::string(100, 'c'), 8, 50, 0, 30), "read", 30, 1, kLoopFound, std::string(80, 'c')},
        {SdxFile("Bell", 2, "", 8, 50, 0, 50), "sdx_Read: Not an SDX v1 file", 0, 0, 0, ""},
        {SdxFile("Bell", 1, "", 24, 50, 0, 150), "sdx_Read: Can't handle > 16 bits / sample", 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ReadAlone(store, sdx_Read, c.file), c.read);
        if (c.read != "read") continue;
        ASSERT_TRUE(Import(c.file, "x.sdx"));
        const WavesampleRec& w = Wave(7);
        const InstrumentRec& i = Instrument(0);
        EXPECT_EQ(std::tuple(std::string(w.name), w.length, w.sampleRate, Delivered(w).bytesPerSample, w.loopFlags,
                             std::string(i.note)),
                  std::tuple(std::string("Bell"), c.length, 16000u, c.bytesPerSample, c.loopFlags, c.note));
        const std::vector<std::uint8_t> data = Decoded(w);
        ASSERT_EQ(data.size(), c.length * c.bytesPerSample);
        EXPECT_EQ(data[1], 29) << "unsigned data as stored";
    }
}

TEST_F(Sds, CutFiles)
{
    WavesampleRec& w = NewWave(1, "w", Signal(130, 2), 16);
    w.loopFlags = kLoopFound;
    const std::vector<std::uint8_t> dump = RoundTrip(kWaveKind | 1, "x.sds");
    SweepTruncations(Bytes{}.Append(dump), "x.sds", 2);
    SweepTruncations(SdxFile("n", 1, "", 16, 40, 0, 80), "x.sdx", 3);
}

}  // namespace
