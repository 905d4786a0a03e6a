// The AIFF, AIFC, 8SVX and 16SV reader on built files: fields, loops, codings, pad bytes, errors, cut files.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

// 80-bit extended values: 22050 and 44100 Hz, 0, infinity, NaN, -22050.
const Bytes kRate22050 = Bytes{}.U8(0x40, 0x0D, 0xAC, 0x44).Zeros(6);
const Bytes kRate44100 = Bytes{}.U8(0x40, 0x0E, 0xAC, 0x44).Zeros(6);

Bytes Comm(unsigned channels, unsigned frames, unsigned bits, const Bytes& rate = kRate22050)
{
    return Bytes{}.Be16(channels).Be32(frames).Be16(bits).Append(rate);
}
// AIFC's COMM: a compression type and its name.
Bytes Comm(unsigned channels, unsigned frames, unsigned bits, std::string_view type, std::string_view name)
{
    return Comm(channels, frames, bits).Tag(type).U8(name.size()).Tag(name).Zeros(name.size() % 2 == 0 ? 1 : 0);
}
Bytes Ssnd(const Bytes& data, unsigned offset = 0)
{
    return BeChunk("SSND", Bytes{}.Be32(offset, 0).Zeros(offset).Append(data));
}
Bytes Marker(unsigned id, unsigned position, std::string_view name)
{
    return Bytes{}.Be16(id).Be32(position).U8(name.size()).Tag(name).Zeros(name.size() % 2 == 0 ? 1 : 0);
}
Bytes Inst(unsigned mode, unsigned begin = 1, unsigned end = 2)
{
    return BeChunk("INST", Bytes{}.U8(60, 0xCE, 36, 84, 0, 127).Be16(0, mode, begin, end, 0, 0, 0));
}
// oneShotHiSamples, repeatHiSamples, samplesPerHiCycle, rate, octaves, compression, volume.
Bytes Vhdr(unsigned oneShot, unsigned repeat, unsigned cycle, unsigned compression = 0, unsigned volume = 0x10000)
{
    return BeChunk("VHDR", Bytes{}.Be32(oneShot, repeat, cycle).Be16(8000).U8(1, compression).Be32(volume));
}

struct AiffRead : WriterFixture {
    bool Read(const Bytes& file) { return Import(file, "test.aif"); }
};

TEST_F(AiffRead, ChunksGiveTheFieldsAndLoops)
{
    const Bytes marks =
        BeChunk("MARK", Bytes{}.Be16(2).Append(Marker(1, 100, "beg loop")).Append(Marker(2, 900, "end loop")));
    ASSERT_TRUE(Read(IffForm("AIFF", {BeChunk("COMM", Comm(2, 1000, 16, kRate44100)), marks, Inst(2),
                                      BeChunk("NAME", Bytes{}.Tag("Piano")), BeChunk("ANNO", Bytes{}.Tag("A note")),
                                      BeChunk("AUTH", Bytes{}.Tag(std::string(100, 'a'))), Ssnd(Ramp(2000, 2))})))
        << Failure();
    const WavesampleRec& w = Wave();
    EXPECT_EQ(std::tuple(w.layout.channels, w.layout.bits, w.layout.bigEndian, w.length, w.sampleRate, w.copyRoutine),
              std::tuple(2, 16, true, 1000u, 44100u, CopyRoutine{mms_Copy}));
    EXPECT_EQ(std::tuple(w.rootKey, w.fineTune, w.loopStart, w.loopEnd, w.loopFlags),
              std::tuple(60, -64, 100u, 900u, 44));
    const KeyRegion& r = Instrument().layer.regions[0];
    EXPECT_EQ(std::tuple(r.lowKey, r.highKey, Instrument().layer.regionCount), std::tuple(36, 84, 1));
    EXPECT_EQ(std::string(Instrument().name) + "|" + Instrument().note + "|" + store.FetchBank()->name,
              "Piano|A note|" + std::string(80, 'a'));
    // Loops from markers: by the instrument chunk's ids, else by their names; the names alone switch nothing on.
    const auto mark = [](std::initializer_list<Bytes> markers, unsigned count) {
        Bytes body = Bytes{}.Be16(count);
        for (const Bytes& m : markers) body.Append(m);
        return BeChunk("MARK", body);
    };
    const std::tuple<Bytes, Bytes, std::uint32_t, std::uint32_t, int> loops[] = {
        {mark({Marker(1, 300, "beg loop"), Marker(2, 700, std::string("end loop\0", 9))}, 2), Bytes{}, 300, 700, 0},
        {mark({Marker(7, 300, "Start"), Marker(9, 700, "Stop")}, 2), Inst(1, 7, 9), 300, 700, 36},
        {mark({Marker(1, 200, "beg"), Marker(2, 400, "end loop and more")}, 65535), Inst(1, 5, 6), 0, 999, 36},
        {mark({}, 0), Inst(0), 0, 999, 0},
    };
    for (const auto& [marks2, inst, start, end, flags] : loops) {
        ASSERT_TRUE(Read(IffForm("AIFF", {BeChunk("COMM", Comm(1, 1000, 8)), marks2, inst, Ssnd(Ramp(1000, 1))})));
        EXPECT_EQ(std::tuple(Wave().loopStart, Wave().loopEnd, Wave().loopFlags), std::tuple(start, end, flags));
    }
}

// 8SVX and 16SV: the voice header's loop (KOBA's loop length in samplesPerHiCycle, else the repeat part),
// volume and channels; 16SV data is big-endian.
TEST_F(AiffRead, VoiceHeadersGiveLengthLoopVolumeAndChannels)
{
    const std::tuple<Bytes, std::uint32_t, std::uint32_t, std::uint32_t, int, int> cases[] = {
        {Vhdr(1000, 500, 400), 1500, 1000, 1400, 36, 127},
        {Vhdr(1500, 0, 0, 0, 0x8000), 1500, 1500, 1500, 0, 63},
        {Vhdr(1000, 500, 0), 1500, 1000, 1500, 36, 127},
        {Vhdr(0, 1500, 0, 0, 0x7FFFFFFF), 1500, 0, 1500, 36, 127},
    };
    for (const auto& [vhdr, length, start, end, flags, volume] : cases) {
        ASSERT_TRUE(Read(IffForm("8SVX", {vhdr, BeChunk("BODY", Ramp(1500, 1))}))) << Failure();
        EXPECT_EQ(std::tuple(Wave().length, Wave().loopStart, Wave().loopEnd, Wave().loopFlags, Wave().sampleRate),
                  std::tuple(length, start, end, flags, 8000u));
        EXPECT_EQ(Instrument().layer.volume, volume);
    }
    for (const auto& [mask, channels] : {std::pair(6u, 2), std::pair(2u, 1), std::pair(4u, 1)}) {
        ASSERT_TRUE(Read(
            IffForm("8SVX", {Vhdr(100, 0, 0), BeChunk("CHAN", Bytes{}.Be32(mask)), BeChunk("BODY", Ramp(200, 1))})));
        EXPECT_EQ(Wave().layout.channels, channels);
    }
    ASSERT_TRUE(Read(IffForm("16SV", {Vhdr(2, 0, 0), BeChunk("BODY", Bytes{}.U8(0x12, 0x34, 0xFE, 0xDC))})));
    EXPECT_EQ(Decoded(Wave()), (std::vector<std::uint8_t>{0x34, 0x12, 0xDC, 0xFE}));
}

// An odd chunk is followed by its pad byte, but files written without one still read; the data never
// includes the header bytes.
TEST_F(AiffRead, OddChunksWithAndWithoutPadByte)
{
    const Bytes data = Bytes{}.U8(0x11, 0x22, 0x33, 0x44);
    for (const bool pad : {true, false}) {
        for (const Bytes& name : {Bytes{}.Tag("Piano"), Bytes{}.Tag("Pia")}) {
            ASSERT_TRUE(
                Read(IffForm("AIFF", {BeChunk("COMM", Comm(1, 2, 16)), BeChunk("NAME", name, pad), Ssnd(data)})));
            EXPECT_EQ(Decoded(Wave()), (std::vector<std::uint8_t>{0x22, 0x11, 0x44, 0x33}));
        }
    }
}

// AIFC's uncompressed, float and G.711 types are read; the others refused by name.
TEST_F(AiffRead, AifcCompressionTypes)
{
    const std::tuple<const char*, CopyRoutine, bool, int> cases[] = {
        {"NONE", mms_Copy, true, 16},   {"twos", mms_Copy, true, 16},   {"sowt", std_Copy, false, 16},
        {"fl32", float_Copy, true, 32}, {"FL32", float_Copy, true, 32}, {"fl64", float_Copy, true, 64},
        {"ulaw", mulaw_Copy, true, 8},  {"alaw", alaw_Copy, true, 8}};
    for (const auto& [type, copy, bigEndian, bits] : cases) {
        ASSERT_TRUE(Import(IffForm("AIFC", {BeChunk("COMM", Comm(1, 10, 16, type, "x")), Ssnd(Bytes{}.Zeros(80))}),
                           "test.aifc"))
            << type << Failure();
        EXPECT_EQ(std::tuple(Wave().copyRoutine, Wave().layout.bigEndian, Wave().layout.bits, Wave().length),
                  std::tuple(CopyRoutine{copy}, bigEndian, bits, 10u))
            << type;
    }
}

// Refusals name their reason and leave no items; hostile sizes and counts are harmless; every cut is safe.
TEST_F(AiffRead, BadFilesAreRefusedOrReadSafely)
{
    const auto aiff = [](const Bytes& comm, const Bytes& ssnd = Ssnd(Bytes{}.Zeros(40))) {
        return IffForm("AIFF", {BeChunk("COMM", comm), ssnd});
    };
    const Bytes infinity = Bytes{}.U8(0x7F, 0xFF, 0x80).Zeros(7), nan = Bytes{}.U8(0x7F, 0xFF, 0xC0).Zeros(7);
    const Bytes negative = Bytes{}.U8(0xC0, 0x0D, 0xAC, 0x44).Zeros(6),
                tiny = Bytes{}.U8(0x00, 0x0D, 0xAC, 0x44).Zeros(6);
    const char* const rate = "Sample rate is 0, out of range or not a number";
    const std::pair<Bytes, const char*> refused[] = {
        {Bytes{}.Tag("RIFF").Be32(4).Tag("AIFF"), "No FORM starting IFF file"},
        {IffForm("WAVE", {}), "Not an AIFF, AIFC, 8SVX or 16SV type FORM IFF"},
        {aiff(Comm(3, 10, 16)), "Can't handle > 2 channel files"},
        {aiff(Comm(0, 10, 16)), "No channels in COMM chunk"},
        {aiff(Comm(1, 10, 0)), "Unsupported sample size in COMM chunk"},
        {aiff(Comm(1, 10, 33)), "Unsupported sample size in COMM chunk"},
        {aiff(Comm(1, 10, 16, Bytes{}.Zeros(10))), rate},
        {aiff(Comm(1, 10, 16, infinity)), rate},
        {aiff(Comm(1, 10, 16, nan)), rate},
        {aiff(Comm(1, 10, 16, negative)), rate},
        {aiff(Comm(1, 10, 16, tiny)), rate},
        {IffForm("AIFC", {BeChunk("COMM", Comm(1, 10, 16, "ima4", "IMA 4:1")), Ssnd(Bytes{}.Zeros(40))}),
         "Can't handle compression: IMA 4:1"},
        {IffForm("8SVX", {Vhdr(10, 0, 0, 1), BeChunk("BODY", Bytes{}.Zeros(10))}), "Can't handle compressed IFF:8SVX"},
        {aiff(Comm(1, 10, 16), BeChunk("SSND", Bytes{}.Be32(33, 0).Zeros(32))),
         "Sample data offset lies past the SSND chunk"},
        {aiff(Comm(1, 10, 16), BeChunk("SSND", Bytes{}.Be32(0))), "Sample data offset lies past the SSND chunk"},
        {aiff(Comm(1, 10, 16), BeChunk("APPL", Bytes{}.Zeros(20))), "No SSND or BODY chunk found"},
        {IffForm("AIFF", {IffForm("AIFF", {BeChunk("COMM", Comm(1, 10, 16)), Ssnd(Bytes{}.Zeros(20))})}),
         "No COMM or VHDR chunk found"},  // a form inside the form is not entered
        {IffForm("8SVX", {BeChunk("BODY", Bytes{}.Zeros(10))}), "No COMM or VHDR chunk found"},
    };
    for (const auto& [file, message] : refused) {
        EXPECT_EQ(ReadAlone(store, xiff_Read, file), std::string("xiff_Read: ") + message);
        EXPECT_EQ(Count(kWaveKind) + Count(kInstrumentKind) + Count(kBankId), 0u);
    }
    // A data chunk larger than the file: the frames the file holds, and a warning.
    const Bytes longSsnd = Bytes{}
                               .Tag("FORM")
                               .Be32(0)
                               .Tag("AIFF")
                               .Append(BeChunk("COMM", Comm(1, 400000, 16)))
                               .Tag("SSND")
                               .Be32(800008)
                               .Be32(0, 0)
                               .Append(Ramp(100, 2));
    ASSERT_TRUE(Read(longSsnd)) << Failure();
    EXPECT_EQ(Wave().length, 100u);
    EXPECT_EQ(host.Texts("Attention!").size(), 1u);
    const Bytes marks =
        BeChunk("MARK", Bytes{}.Be16(2).Append(Marker(1, 5, "beg loop")).Append(Marker(2, 50, "end loop")));
    const Bytes texts = BeChunk("NAME", Bytes{}.Tag("cut")).Append(BeChunk("ANNO", Bytes{}.Tag("n")));
    const std::pair<Bytes, const char*> forms[] = {
        {IffForm("AIFF", {BeChunk("COMM", Comm(2, 60, 24)), marks, Inst(1), texts, Ssnd(Ramp(180, 2), 3)}), "a.aif"},
        {IffForm("AIFC", {BeChunk("COMM", Comm(1, 60, 32, "fl32", "float")), marks, Inst(2), Ssnd(Ramp(120, 2))}),
         "a.aifc"},
        {IffForm("8SVX", {Vhdr(20, 40, 10), texts, BeChunk("CHAN", Bytes{}.Be32(6)), BeChunk("BODY", Ramp(121, 1))}),
         "a.iff"},
        {IffForm("16SV", {Vhdr(20, 40, 10), texts, BeChunk("BODY", Ramp(60, 2))}), "b.iff"},
    };
    for (const auto& [file, name] : forms) SweepTruncations(file, name, 3);
}

}  // namespace
