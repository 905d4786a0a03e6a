// The chunked and linked tracker readers (DSM, DMF, DSF, Oktalyzer, OctaMED, Unimod) on
// hand-built files and the real OctaMED stereo module no peer reads: detection, the fields and
// data each record gives, offsets followed once, bad and cut files.
#include <cstring>

#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct ChunkedRead : ImportFixture {};

// A chunk as DMF writes it: id, little-endian size, body, never a pad byte.
Bytes DmfChunk(std::string_view id, const Bytes& body)
{
    return Bytes{}.Tag(id).Le32(body.Size()).Append(body);
}

Bytes DsmInst(const char* file, unsigned flags, unsigned volume, unsigned length, unsigned loopEnd, const char* name,
              const Bytes& data)
{
    const Bytes record = Bytes{}.Text(file, 13).Le16(flags).U8(volume).Le32(length, 0, loopEnd, 0).Le16(8363, 0);
    return Bytes{record}.Text(name, 28).Append(data);
}

Bytes DsmFile()
{
    return RiffForm(
        "DSMF", {Chunk("SONG", Bytes{}.Text("dsm song", 192)),
                 Chunk("INST", DsmInst("a.raw", 3, 32, 3, 2, "first", Bytes{}.U8(1, 2, 3))),  // padded
                 ListChunk("INSL", {Chunk("INST", DsmInst("b.raw", 0, 64, 8, 0, "second", Bytes{}.U8(0x80, 0x81)))}),
                 Chunk("PATT", Bytes{}.Zeros(8))});
}

Bytes DmfEntry(const char* name, unsigned length, unsigned loopStart, unsigned loopEnd, unsigned rate, unsigned volume,
               unsigned flags)
{
    const Bytes head = Bytes{}.U8(std::strlen(name)).Tag(name);
    return Bytes{head}.Le32(length, loopStart, loopEnd).Le16(rate).U8(volume, flags).Zeros(14);
}

Bytes DmfFile()
{
    Bytes list = Bytes{}.U8(4).Append(DmfEntry("loop", 4, 1, 3, 8000, 0, 0x01));
    list.Append(DmfEntry("library", 4, 0, 0, 8000, 64, 0x80)).Append(DmfEntry("wide", 2, 0, 0, 16000, 128, 0x02));
    list.Append(DmfEntry("packed", 4, 0, 0, 8000, 64, 0x04));
    const Bytes data = Bytes{}.Le32(4).U8(1, 2, 3, 4).Le32(4).Le16(0x1234, 0xFEDC).Le32(4).Zeros(4);
    Bytes dmf = Bytes{}.Tag("DDMF").U8(8).Text("x", 8).Text("dmf song", 30).Zeros(23).Append(DmfChunk("SMPI", list));
    dmf.Append(DmfChunk("INST", Bytes{}.U8(5).Text("inst", 30).U8(0, 2, 0, 2, 2, 200))).Append(DmfChunk("SMPD", data));
    return dmf.Append(DmfChunk("ENDE", {})).Append(DmfChunk("INST", Bytes{}.U8(5).Text("after the end", 30).U8(0, 0)));
}

Bytes DsfFile(unsigned flags)
{
    return Bytes{}.Tag("DDSF").U8(1).Text("dsf", 30).Le32(3, 1, 3).Le16(11025).U8(64, flags).Le16(1, 2, 3);
}

Bytes OktRecord(const char* name, unsigned length, unsigned repeatStart, unsigned repeatLength)
{
    return Bytes{}.Text(name, 20).Be32(length).Be16(repeatStart, repeatLength).U8(0, 64).Be16(0);
}

// The second record is empty; the first one's data chunk has an odd size and no pad byte; the
// third sample is longer than 16 bits can count.
Bytes OktFile()
{
    const Bytes list = OktRecord("one", 3, 1, 1).Append(OktRecord("", 0, 0, 0)).Append(OktRecord("two", 0x10004, 0, 0));
    Bytes okt = Bytes{}.Tag("OKTASONG").Append(BeChunk("CMOD", Bytes{}.Be16(0, 0, 0, 0))).Append(BeChunk("SAMP", list));
    return okt.Append(BeChunk("SBOD", Bytes{}.U8(1, 2, 3), false)).Append(BeChunk("SBOD", Bytes{}.Zeros(0x10004)));
}

// An MMD0 whose song counts 200 samples: table entries 0 and 2 name one sample, entry 1 a synthetic
// one, and entry 63 (past the song's 63 slots) one more.
Bytes MedFile(unsigned song, unsigned table)
{
    Bytes med = Bytes{}.Tag("MMD0").Be32(0, song).Be16(0, 0).Be32(0).Zeros(4).Be32(table, 0, 0).Zeros(16);
    med.Be16(1, 2).U8(0, 0, 64, 0xF4).Zeros(62 * 8 + 283).U8(200);
    med.Be32(1096, 1110, 1096).Zeros(60 * 4).Be32(1120);
    return med.Be32(8).Be16(0).U8(1, 2, 3, 4, 5, 6, 7, 8).Be32(4).Be16(0xFFFF).Zeros(4).Be32(2).Be16(0).U8(9, 9);
}

Bytes UniHeader(char version, unsigned channels, unsigned patterns, unsigned tracks, unsigned instruments)
{
    return Bytes{}.Tag("UN0").U8(version, channels).Le16(1, patterns, tracks, instruments).U8(6, 125).Zeros(289);
}

Bytes UniText(std::string_view text)
{
    return Bytes{}.Le16(text.size()).Tag(text);
}

Bytes UniFile()
{
    Bytes uni = UniHeader('5', 2, 1, 2, 2).Append(UniText("uni song")).Append(UniText("")).Append(UniText(""));
    uni.U8(0).Zeros(208).Append(UniText("empty"));
    uni.U8(2, 1).Zeros(95 + 112).Append(UniText("inst"));
    uni.Le16(8363).U8(0, 64, 255).Le32(2, 0, 2).Le16(1 | 4 | 8 | 16).Append(UniText("wide"));
    uni.Le16(8363).U8(0, 32, 0).Le32(3, 0, 0).Le16(32).Append(UniText("delta"));
    uni.Zeros(2 + 2 * 2).Append(UniText("trk")).Append(UniText(""));
    return uni.Le16(0x1234, 0x8000).U8(1, 1, 1);
}

TEST(ChunkedDetect, MagicTexts)
{
    auto riff = DetectHead("RIFF");
    std::memcpy(riff.data() + 8, "DSMF", 4);
    const Detection cases[] = {
        {dsm_Detect, riff, 2},
        {dsm_Detect, DetectHead("DSMF", 8), 0},
        {dsm_Detect, DetectHead("RIFF"), 0},
        {dmf_Detect, DetectHead("DDMF"), 2},
        {dmf_Detect, DetectHead("DDSF"), 0},
        {dsf_Detect, DetectHead("DDSF"), 2},
        {dsf_Detect, DetectHead("DDMF"), 0},
        {okt_Detect, DetectHead("OKTASONG"), 2},
        {okt_Detect, DetectHead("OKTA"), 1},
        {okt_Detect, DetectHead("SONG", 4), 0},
        {med_Detect, DetectHead("MMD3"), 2},
        {med_Detect, DetectHead("MMC"), 0},
        {uni_Detect, DetectHead("UN05"), 2},
        {uni_Detect, DetectHead("UN1"), 0},
    };
    ExpectDetections(cases);
}

TEST_F(ChunkedRead, DsmInstrumentsInListsAfterPaddedChunks)
{
    ASSERT_TRUE(Import(DsmFile(), "x.dsm")) << Failure();
    EXPECT_STREQ(store.FetchBank()->name, "dsm song");
    EXPECT_EQ(std::tuple(std::string(Instrument(0).name), std::string(Wave(0).name), std::string(Instrument(1).name)),
              std::tuple(std::string("first"), std::string("a.raw"), std::string("second")));
    EXPECT_EQ(std::tuple(Decoded(Wave(0)), Delivered(Wave(0)).isSigned, int{Wave(0).loopFlags}, Wave(0).loopEnd,
                         int{Wave(0).volume}),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3}, true, 36, 2u, 63));
    // Eight frames stated, two in the chunk: the next chunk's bytes are not data.
    EXPECT_EQ(std::tuple(Decoded(Wave(1)), Delivered(Wave(1)).isSigned),
              std::tuple(std::vector<std::uint8_t>{0x80, 0x81}, false));
}

TEST_F(ChunkedRead, DmfSamplesKeepTheirPlacesAndPackedOnesAreDropped)
{
    ASSERT_TRUE(Import(DmfFile(), "x.dmf")) << Failure();
    EXPECT_EQ(host.Texts("Attention!"), std::vector<std::string>{"Can't handle packed DMF samples"});
    EXPECT_EQ(std::tuple(Count(kWaveKind), std::string(store.FetchBank()->name)),
              std::tuple(2u, std::string("dmf song")));
    EXPECT_EQ(std::tuple(Decoded(Wave(0)), Wave(0).loopStart, Wave(0).loopEnd, Loops(Wave(0)), Wave(0).sampleRate,
                         int{Wave(0).volume}),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3, 4}, 1u, 3u, true, 8000u, 127));
    EXPECT_EQ(std::tuple(Decoded(Wave(2)), Wave(2).sampleRate, int{Wave(2).volume}),
              std::tuple(std::vector<std::uint8_t>{0x34, 0x12, 0xDC, 0xFE}, 16000u, 64));
    const auto& keys = Instrument(5).layer.keyMap;
    EXPECT_EQ(std::tuple(keys[11], keys[12], keys[13], keys[14], keys[127]),
              std::tuple(kWaveKind | NO_ITEM, kWaveKind, kWaveKind, kWaveKind | 2, kWaveKind | 2));
}

TEST_F(ChunkedRead, DsfSampleWithLoop)
{
    ASSERT_TRUE(Import(DsfFile(0x03), "x.dsf")) << Failure();
    EXPECT_EQ(
        std::tuple(Decoded(Wave(1)), Wave(1).loopStart, Wave(1).loopEnd, Wave(1).sampleRate, std::string(Wave(1).name)),
        std::tuple(std::vector<std::uint8_t>{1, 0, 2, 0, 3, 0}, 1u, 3u, 11025u, std::string("dsf")));
}

TEST_F(ChunkedRead, OktalyzerDataChunksInListOrderAndRepeatsInWords)
{
    ASSERT_TRUE(Import(OktFile(), "x.okt")) << Failure();
    EXPECT_EQ(Count(kWaveKind), 2u);
    EXPECT_EQ(std::tuple(Decoded(Wave(0)), Wave(0).loopStart, Wave(0).loopEnd, Loops(Wave(0))),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3}, 2u, 3u, true));
    EXPECT_EQ(Wave(1).length, 0x10004u);
}

TEST_F(ChunkedRead, MedOffsetsAreFollowedOnceWithinTheSongsSlots)
{
    ASSERT_TRUE(Import(MedFile(52, 840), "x.med")) << Failure();
    EXPECT_EQ(host.Texts("Attention!"), std::vector<std::string>{"Unsupported instrument type: -1"});
    EXPECT_EQ(std::tuple(Count(kWaveKind), Count(kInstrumentKind)), std::tuple(1u, 1u));
    EXPECT_EQ(std::tuple(Decoded(Wave(0)).size(), Wave(0).loopStart, Wave(0).loopEnd, int{Wave(0).rootKey},
                         int{Wave(0).volume}),
              std::tuple(8u, 2u, 6u, 48, 127));
}

TEST_F(ChunkedRead, MedStereoAndSixteenBitSamples)
{
    // The module holds one sound four times: 8-bit and 16-bit (big-endian), stereo (left channel,
    // then right) and mono.
    ASSERT_TRUE(store.Imp(std::string(KOBA_SHARED_TESTDATA) + "/med/stereo.med")) << Failure();
    const auto high = [](const std::vector<std::uint8_t>& wide) {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 1; i < wide.size(); i += 2) bytes.push_back(wide[i]);
        return bytes;
    };
    const std::vector<std::uint8_t> stereo8 = Decoded(Wave(0)), mono8 = Decoded(Wave(2));
    std::vector<std::uint8_t> left;
    for (std::size_t i = 0; i < stereo8.size(); i += 2) left.push_back(stereo8[i]);
    EXPECT_EQ(std::tuple(Wave(0).length, Delivered(Wave(0)).channels, Wave(3).length), std::tuple(128u, 2, 128u));
    EXPECT_EQ(left, mono8);
    EXPECT_EQ(high(Decoded(Wave(1))), stereo8);
    EXPECT_EQ(high(Decoded(Wave(3))), mono8);
}

TEST_F(ChunkedRead, UnimodInstrumentsSamplesAndDataAfterTheTracks)
{
    ASSERT_TRUE(Import(UniFile(), "x.uni")) << Failure();
    EXPECT_EQ(host.Texts("Attention!"),
              std::vector<std::string>{"Warning! unimod later than v04, don't know if it'll work..."});
    EXPECT_EQ(std::tuple(Count(kWaveKind), Count(kInstrumentKind), std::string(store.FetchBank()->name)),
              std::tuple(2u, 1u, std::string("uni song")));
    const WavesampleRec& wide = Wave(0x100);
    EXPECT_EQ(std::tuple(Decoded(wide), int{wide.loopFlags}, int{wide.pan}, wide.loopEnd, std::string(wide.name)),
              std::tuple(std::vector<std::uint8_t>{0x34, 0x12, 0x00, 0x80}, 44, 127, 2u, std::string("wide")));
    EXPECT_EQ(std::tuple(Decoded(Wave(0x101)), Delivered(Wave(0x101)).isSigned, int{Wave(0x101).volume}),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3}, false, 63));
    EXPECT_EQ(std::tuple(Instrument(1).layer.keyMap[12], Instrument(1).layer.keyMap[13]),
              std::tuple(kWaveKind | 0x101, kWaveKind | 0x100));
}

TEST_F(ChunkedRead, BadFilesAreRefusedClearly)
{
    const Refusal cases[] = {
        {RiffForm("WAVE", {}), dsm_Read, "dsm_Read: Not a DSM module file"},
        {Bytes{}.Tag("DDMX").Zeros(80), dmf_Read, "dmf_Read: Not a Delusion/XTracker Digital Module File"},
        {Bytes{}.Tag("DDSX").Zeros(60), dsf_Read, "dsf_Read: Not a Delusion/XTracker Digital Sample File"},
        {DsfFile(0x84), dsf_Read, "dsf_Read: Can't handle packed DSF samples"},
        {DsfFile(0x80), dsf_Read, "dsf_Read: Sampledata not stored in DSF file"},
        {Bytes{}.Tag("OKTBSONG"), okt_Read, "okt_Read: Not an Oktalyzer file"},
        {Bytes{}.Tag("OKTASANG"), okt_Read, "okt_Read: Not an Oktalyzer song module"},
        {Bytes{}.Tag("MDD0").Zeros(60), med_Read, "med_Read: Not an OctaMED/MED MMDx module"},
        {MedFile(0, 840), med_Read, "med_Read: No Song in file"},
        {MedFile(52, 0), med_Read, "med_Read: No samples in file"},
        {Bytes{}.Tag("UN1").Zeros(400), uni_Read, "uni_Read: Not a MikMod Unimod module"},
        {UniHeader('x', 1, 1, 1, 1), uni_Read, "uni_Read: Unknown Unimod version"},
    };
    ExpectRefusals(store, cases);
}

TEST_F(ChunkedRead, CountsFarBeyondTheFileEndTheWalk)
{
    ASSERT_TRUE(Import(UniHeader('4', 255, 0xFFFF, 0xFFFF, 0xFFFF).Append(UniText("s")).Append(UniText("c")), "x.uni"));
    EXPECT_EQ(Count(kWaveKind) + Count(kInstrumentKind), 0u);
}

// Cut files keep the samples whose data is there, and never claim more.
TEST_F(ChunkedRead, CutFilesKeepWhatTheyHold)
{
    const ImportFixture::Cut cases[] = {
        {DsmFile(), "x.dsm"},
        {DmfFile(), "x.dmf"},
        {DsfFile(0x03), "x.dsf"},
        {UniFile(), "x.uni"},
        {MedFile(52, 840), "x.med", 3},
        {SharedFile("med/stereo.med"), "x.med", 7},
        {SharedFile("okt/OKT.Yes-PartII"), "x.okt", 331},
    };
    SweepEachTruncation(cases);
}

}  // namespace
