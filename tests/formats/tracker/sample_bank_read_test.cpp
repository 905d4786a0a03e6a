// The sample-bank readers on hand-built files: detection, where each finds its samples' data,
// the loop rule of each record, the formats no peer reads (FSM, F2R, UWF), bad and cut files.
#include <cstring>

#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

struct BankRead : ImportFixture {};

std::tuple<std::uint32_t, std::uint32_t, int> Loop(const WavesampleRec& w)
{
    return {w.loopStart, w.loopEnd, w.loopFlags};
}

TEST(BankDetect, Signatures)
{
    const Detection cases[] = {
        {fmt669_Detect, DetectHead("if", 0), 2}, {fmt669_Detect, DetectHead("JN", 0), 2},
        {fmt669_Detect, DetectHead("fi", 0), 0}, {mtm_Detect, DetectHead("MTM", 0), 2},
        {mtm_Detect, DetectHead("MTm", 0), 0},   {far_Detect, DetectHead("FAR\xFE", 0), 2},
        {far_Detect, DetectHead("FAR ", 0), 0},  {fsm_Detect, DetectHead("FSM\xFE", 0), 2},
        {fsm_Detect, DetectHead("FSM", 0), 0},   {f2r_Detect, DetectHead("F2R", 0), 2},
        {f2r_Detect, DetectHead("F2r", 0), 0},   {ult_Detect, DetectHead("MAS", 0), 2},
        {ult_Detect, DetectHead("MAZ", 0), 0},   {uwf_Detect, DetectHead("MUWF", 34), 2},
        {uwf_Detect, DetectHead("MUWF", 0), 0},  {psm_Detect, DetectHead("PSM\xFE", 0), 2},
        {psm_Detect, DetectHead("PSM ", 0), 0},
    };
    ExpectDetections(cases);
}

TEST_F(BankRead, Data669FollowsThePatternsAndLoopsEndInsideTheSample)
{
    for (unsigned loopEnd : {5u, 6u}) {
        Bytes f = Bytes{}.Tag("JN").Text("bank", 108).U8(2, 1).Zeros(385);
        f.Text("one", 13).Le32(4, 0, 0xFFFFF).Text("two", 13).Le32(6, 1, loopEnd).Zeros(1536);
        ASSERT_EQ(f.Size(), 2083u);
        ASSERT_TRUE(Import(f.U8(0x80, 0x81, 0x82, 0x83, 1, 2, 3, 4, 5, 6), "x.669")) << Failure();
        EXPECT_EQ(std::tuple(Decoded(Wave(0)), Delivered(Wave(0)).isSigned, Loops(Wave(0))),
                  std::tuple(std::vector<std::uint8_t>{0x80, 0x81, 0x82, 0x83}, false, false));
        EXPECT_EQ(Decoded(Wave(1)), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(Loops(Wave(1)), loopEnd < 6) << loopEnd;  // a loop end at the length is no loop
    }
}

TEST_F(BankRead, MtmWideRecordHalvesItsByteCounts)
{
    Bytes f = Bytes{}.Tag("MTM").U8(0x10).Text("song", 20).Le16(1).U8(0, 0).Le16(3).U8(2, 0, 64, 4).Zeros(32);
    f.Text("wide", 22).Le32(2000, 100, 1000).U8(0, 64, 1).Text("byte", 22).Le32(4, 0, 2).U8(0, 32, 0);
    f.Zeros(128 + 192 + 64 + 3).Append(Ramp(1000, 2)).U8(9, 8, 7, 6);
    ASSERT_TRUE(Import(f, "x.mtm")) << Failure();
    EXPECT_EQ(std::tuple(Wave(0).length, Delivered(Wave(0)).bytesPerSample, Loop(Wave(0))),
              std::tuple(1000u, 2, std::tuple(50u, 500u, int{kLoopFound})));
    EXPECT_EQ(Decoded(Wave(0)), Ramp(1000, 2).Data());
    EXPECT_EQ(std::tuple(Decoded(Wave(1)), Loops(Wave(1)), int{Wave(1).volume}),
              std::tuple(std::vector<std::uint8_t>{9, 8, 7, 6}, false, 63));  // a loop of 2 bytes is none
}

// A FAR with a song text, one 10-byte pattern and the samples of map byte 0x05 (0 and 2).
TEST_F(BankRead, FarMapNamesThePresentSamples)
{
    Bytes f = Bytes{}.Tag("FAR\xFE").Text("song", 40).U8(13, 10, 26).Le16(98 + 5 + 771).Zeros(47).Le16(5);
    f.Text("text", 5).Zeros(259).Le16(10).Zeros(510).Zeros(10).U8(0x05).Zeros(7);
    f.Text("zero", 32).Le32(4).U8(0, 0).Le32(1, 3).U8(0, 8).U8(1, 2, 3, 4);
    f.Text("two", 32).Le32(8).U8(0, 0).Le32(0, 8).U8(1, 0).Append(Ramp(4, 2));
    ASSERT_TRUE(Import(f, "x.far")) << Failure();
    EXPECT_EQ(Count(kWaveKind), 2u);
    EXPECT_EQ(std::tuple(Decoded(Wave(0)), Loop(Wave(0))),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3, 4}, std::tuple(1u, 3u, int{kLoopFound})));
    EXPECT_EQ(std::tuple(Decoded(Wave(2)), Loops(Wave(2))), std::tuple(Ramp(4, 2).Data(), false));
}

// The formats no peer reads, each with a 16-bit sample and a loop (an F2R's second; its first is
// 8-bit): headers, then the data.
Bytes Fsm()
{
    return Bytes{}.Tag("FSM\xFE").Text("voice", 32).U8(13, 10, 26).Le32(8).U8(0, 64).Le32(2, 6).U8(1, 8);
}
Bytes F2r()
{
    Bytes f2r = Bytes{}.Tag("F2R").Zeros(3).Text("song", 40).Le16(2).Zeros(2).U8(0).Le16(1).Zeros(1).U8(2);
    f2r.Text("byte", 32).Le32(6).U8(0, 0).Le32(2, 4).U8(0).U8(1, 2, 3, 4, 5, 6);
    return f2r.Text("wide", 32).Le32(8).U8(0, 0).Le32(0, 8).U8(1);  // a loop to the end is none
}
Bytes Uwf(unsigned flags)
{
    return Bytes{}.Text("wave", 32).Zeros(2).Tag("MUWF").Zeros(8).Le32(8, 2, 6).Zeros(2).U8(flags).Zeros(5);
}

// What the reader makes of the header's fields, and the data after it.
TEST_F(BankRead, FsmF2rAndUwfFiles)
{
    const struct {
        Bytes file;
        const char* name;
        const char* bank;
        std::uint32_t index, length;
        int loopFlags;
        std::uint32_t loopStart, loopEnd;
    } cases[] = {
        {Fsm().Append(Ramp(4, 2)), "x.fsm", "voice", 0, 4, kLoopFound, 1, 3},
        {F2r().Append(Ramp(4, 2)), "x.f2r", "song", 1, 4, 0, 0, 0},
        {Uwf(2 | 5).Append(Ramp(4, 2)), "x.uwf", "wave", 1, 4, kLoopFound, 1, 3},
        {Uwf(2 | 9).Append(Ramp(4, 2)), "x.uwf", "wave", 1, 4, kLoopFound | kLoopReverse, 1, 3},
        {Uwf(13).Append(Ramp(8, 1)), "x.uwf", "wave", 1, 8, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Import(c.file, c.name)) << Failure();
        const WavesampleRec& w = Wave(c.index);
        EXPECT_EQ(Decoded(w), c.length == 4 ? Ramp(4, 2).Data() : Ramp(8, 1).Data()) << &c - cases;
        EXPECT_EQ(std::tuple(w.length, int{w.loopFlags}), std::tuple(c.length, c.loopFlags)) << &c - cases;
        if (c.loopFlags != 0) {
            EXPECT_EQ(std::tuple(w.loopStart, w.loopEnd), std::tuple(c.loopStart, c.loopEnd)) << &c - cases;
        }
        EXPECT_STREQ(store.FetchBank()->name, c.bank);
    }
    ASSERT_TRUE(Import(F2r().Append(Ramp(4, 2)), "x.f2r"));
    EXPECT_EQ(std::tuple(Decoded(Wave(0)), Loop(Wave(0))),
              std::tuple(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}, std::tuple(2u, 4u, int{kLoopFound})));
}

// An UltraTracker module of the version, one channel and pattern whose track opens with a
// repeat of 0 (one row), and two samples: 8-bit looped, and 16-bit from the card's frame 10.
Bytes UltFile(char version)
{
    Bytes f = Bytes{}.Tag("MAS_UTrack_V00").U8(version).Text("title", 32).U8(1).Text("message", 32).U8(2);
    const std::size_t extra = version >= '4' ? 2 : 0;
    f.Text("eight", 32).Text("EIGHTBIT.WAV", 12).Le32(1, 3, 0, 4).U8(200, 8).Zeros(2 + extra);
    f.Text("wide", 32).Text("SIXTEEN.WAV", 12).Le32(2, 6, 10, 14).U8(0, 4 | 16).Zeros(2 + extra);
    f.Zeros(256).U8(0, 0).Zeros(version >= '3' ? 1 : 0).U8(0xFC, 0).Zeros(5).Zeros(63 * 5);
    return f.U8(1, 2, 3, 4).Append(Ramp(4, 2));
}

TEST_F(BankRead, UltRecordsByVersionAndDataAfterTheTracks)
{
    for (char version : {'2', '3', '4'}) {
        // Bytes after the data (a padded download) move nothing.
        ASSERT_TRUE(Import(UltFile(version).Zeros(7), "x.ult")) << Failure();
        EXPECT_EQ(std::tuple(Count(kInstrumentKind), std::string(Instrument(0).name), std::string(Wave(0).name)),
                  std::tuple(2u, std::string("eight"), std::string("EIGHTB")));
        EXPECT_EQ(std::tuple(Decoded(Wave(0)), Loop(Wave(0)), int{Wave(0).volume}),
                  std::tuple(std::vector<std::uint8_t>{1, 2, 3, 4}, std::tuple(1u, 3u, int{kLoopFound}), 100));
        EXPECT_EQ(std::tuple(Decoded(Wave(1)), Loop(Wave(1))),
                  std::tuple(Ramp(4, 2).Data(), std::tuple(1u, 3u, kLoopFound | kLoopReverse)))
            << version;
    }
}

Bytes PsmFile(unsigned flags, std::uint16_t count)
{
    return Bytes{}.Tag("PSM\xFE").Text("song", 60).U8(flags).Zeros(11).Le16(count).Zeros(16).Le32(146).Zeros(48);
}

Bytes& PsmSample(Bytes& f, std::uint16_t number, unsigned flags, std::uint32_t dataAt, std::uint32_t length,
                 std::uint32_t loopStart, std::uint32_t loopEnd)
{
    f.Text("file" + std::to_string(number), 13).Text("sample" + std::to_string(number), 24).Le32(dataAt, 0);
    return f.Le16(number).U8(flags).Le32(length, loopStart, loopEnd).U8(0, 32).Le16(8363);
}

TEST_F(BankRead, PsmRecordsNumberTheirSamplesAndPlaceTheirData)
{
    const std::uint32_t data = 146 + 4 * 64;
    Bytes f = PsmFile(0, 4);
    PsmSample(f, 3, 0x80 | 0x10, data, 5000, 4000, 1000);       // plain, loop given end first
    PsmSample(f, 7, 0x04, data + 5000, 8, 0, 0);                // 16-bit delta-coded
    PsmSample(f, 9, 0x40 | 0x10, data, 8, 0, 0);                // skipped
    PsmSample(f, 5, 0x08 | 0x10 | 0x20 | 0x80, data, 8, 2, 6);  // unsigned, ping-pong loop
    ASSERT_TRUE(Import(f.Zeros(5000).Le16(1, 1, 0xFFFF, 3), "x.psm")) << Failure();
    EXPECT_EQ(std::tuple(Count(kWaveKind), Count(kInstrumentKind)), std::tuple(3u, 3u));
    EXPECT_EQ(std::tuple(std::string(Instrument(3).name), Instrument(3).layer.keyMap[60], std::string(Wave(3).name)),
              std::tuple(std::string("sample3"), kWaveKind | 3, std::string("file3")));
    EXPECT_EQ(std::tuple(Loop(Wave(3)), Wave(3).sampleRate, int{Wave(3).volume}),
              std::tuple(std::tuple(1000u, 4000u, kLoopFound | kLoopReverse), 16726u, 63));
    EXPECT_EQ(Decoded(Wave(7)), Bytes{}.Le16(1, 2, 1, 4).Data());
    EXPECT_EQ(std::tuple(Loop(Wave(5)), Delivered(Wave(5)).isSigned),
              std::tuple(std::tuple(2u, 6u, kLoopFound | kLoopBidirectional), false));
}

TEST_F(BankRead, BadFilesAreRefusedClearly)
{
    const Refusal cases[] = {
        {Bytes{}.Tag("fi").Zeros(600), fmt669_Read, "669_Read: Not a 669 module!"},
        {Bytes{}.Tag("MTX").Zeros(200), mtm_Read, "mtm_Read: Not a MultiTracker Module!"},
        {Bytes{}.Tag("FAR ").Zeros(900), far_Read, "far_Read: Not a Farandoyle FAR file!"},
        {Bytes{}.Tag("FSM ").Zeros(90), fsm_Read, "fsm_Read: Not a Farandoyle FSM file!"},
        {Bytes{}.Tag("F2X").Zeros(90), f2r_Read, "far_Read: Not a Farandoyle F2R file!"},
        {Bytes{}.Tag("MAX_UTrack_V004").Zeros(400), ult_Read, "ult_Read: Not a UltraTracker Module!"},
        {Bytes{}.Tag("MAS_UTrack_V005").Zeros(400), ult_Read, "ult_Read: Unknown UltraTracker module version"},
        {Bytes{}.Tag("PSM ").Zeros(300), psm_Read, "psm_Read: Not a Protracker Studio Module"},
        {PsmFile(1, 0), psm_Read, "psm_Read: This is a song file, i.e. it contains no samples"},
    };
    ExpectRefusals(store, cases);
}

// Cut files keep the samples whose data is there, and never claim more.
TEST_F(BankRead, CutFilesKeepWhatTheyHold)
{
    Bytes psm = PsmFile(0, 1);
    PsmSample(psm, 1, 0x04 | 0x80, 146 + 64, 8, 0, 8).Append(Ramp(4, 2));
    const ImportFixture::Cut cases[] = {
        {SharedFile("669/sonic_boom.669"), "x.669", 997},
        {SharedFile("mtm/pattern_jump_mtm_break.mtm"), "x.mtm", 3},
        {SharedFile("far/far_weird_events.far"), "x.far"},
        {SharedFile("ult/ult_double_toneporta.ult"), "x.ult"},
        {SharedFile("psm/silver-song0.psm"), "x.psm", 197},
        {psm, "x.psm"},
        {UltFile('3'), "x.ult"},
        {Fsm().Append(Ramp(4, 2)), "x.fsm"},
        {F2r().Append(Ramp(4, 2)), "x.f2r"},
        {Uwf(7).Append(Ramp(4, 2)), "x.uwf"},
    };
    SweepEachTruncation(cases);
}

}  // namespace
