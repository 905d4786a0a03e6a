// The WAVE reader on built files: chunks, loops, key ranges, texts, errors and damage.
#include "formats/audio/wav_read.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kit/capture_sink.h"
#include "kit/riff_file.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct WavFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};

    bool Import(const Bytes& file, const std::string& name = "test.wav")
    {
        file_ = std::make_unique<TempFile>(name, file);
        return store.Imp(file_->Path());
    }
    const WavesampleRec& Wave() const { return *store.FetchWave(0x80000001); }
    const InstrumentRec& Instrument() const { return *store.FetchInstrument(0x40000001); }
    std::size_t Items()
    {
        std::size_t n = 0;
        ItemId id;
        void* record;
        while (store.NextItem(static_cast<std::uint32_t>(n), id, record)) ++n;
        return n;
    }

    std::unique_ptr<TempFile> file_;
};

const Bytes kMonoFormat = Chunk("fmt ", FormatBody(1, 1, 22050, 16));

using WavRead = WavFixture;

TEST_F(WavRead, PcmWithoutFactTakesItsLengthFromTheData)
{
    ASSERT_TRUE(Import(RiffForm("WAVE", {Chunk("fmt ", FormatBody(1, 2, 44100, 16)), Chunk("data", Bytes{}.Zeros(4000))})))
        << LastError.message;
    const WavesampleRec& w = Wave();
    EXPECT_EQ(w.length, 1000u);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.sampleRate, 44100u);
    EXPECT_EQ(w.isSigned, 1u);
    EXPECT_EQ(w.bytesPerSample, 2);
    EXPECT_EQ(w.copyRoutine, std_Copy);
    EXPECT_EQ(w.dataOffset, 44u);
    EXPECT_EQ(w.loopEnd, 999u);
    EXPECT_STREQ(store.FetchBank()->name, "Ms Windows wave file");
    EXPECT_EQ(Instrument().layer.regionCount, 1);

    ASSERT_TRUE(Import(RiffForm("WAVE", {Chunk("fmt ", FormatBody(1, 1, 8000, 8)), Chunk("data", Bytes{}.Zeros(10))})));
    EXPECT_EQ(Wave().isSigned, 0u);
    EXPECT_EQ(Wave().bytesPerSample, 1);
}

TEST_F(WavRead, SamplerChunkGivesRateRootTuningAndLoop)
{
    const Bytes smpl = Bytes{}.Le32(0, 0, 22676, 64, 0x40000000, 0, 0, 1, 0).Le32(0, 1, 100, 2000, 0x80000000, 0);
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("smpl", smpl), Chunk("data", Bytes{}.Zeros(8000))})));
    const WavesampleRec& w = Wave();
    EXPECT_EQ(w.sampleRate, 44099u);
    EXPECT_EQ(w.rootKey, 64);
    EXPECT_EQ(w.fineTune, 32);
    EXPECT_EQ(w.loopFlags, 44);
    EXPECT_EQ(w.loopStart, 100u);
    EXPECT_EQ(w.loopEnd, 2000u);
    EXPECT_EQ(w.loopEndFrac, 128);
}

TEST_F(WavRead, SamplerLoopTypesSetOrClearTheLoop)
{
    struct Case {
        std::uint32_t type;
        std::uint8_t flags;
    };
    for (const Case& c : {Case{0, 36}, Case{1, 44}, Case{255, 0}, Case{7, 0}}) {
        const Bytes smpl = Bytes{}.Le32(0, 0, 0, 60, 0, 0, 0, 1, 0).Le32(0, c.type, 1, 2, 0, 0);
        ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("smpl", smpl), Chunk("data", Bytes{}.Zeros(8))})));
        EXPECT_EQ(Wave().loopFlags, c.flags) << c.type;
    }
}

Bytes Cues(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> points)
{
    Bytes body = Bytes{}.Le32(points.size());
    for (auto [id, offset] : points) body.Le32(id, 0).Tag("data").Le32(0, 0, offset);
    return Chunk("cue ", body);
}

Bytes Label(std::uint32_t id, std::string_view text)
{
    return Chunk("labl", Bytes{}.Le32(id).Text(text, text.size() + 1));
}

TEST_F(WavRead, LoopLabelsInAnyCaseMarkTheLoop)
{
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(8000)), Cues({{1, 300}, {2, 900}}),
                                         ListChunk("adtl", {Label(9, "Loop Start"), Label(1, "loop start"),
                                                            Label(2, "LOOP END")})})));
    EXPECT_EQ(Wave().loopStart, 300u);
    EXPECT_EQ(Wave().loopEnd, 900u);
    EXPECT_EQ(Wave().loopFlags, 36);
}

TEST_F(WavRead, AnEndLabelBeforeTheStartLabelSetsTheLoopAndTheStartIsIgnored)
{
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(8000)), Cues({{1, 300}, {2, 900}}),
                                         ListChunk("adtl", {Label(2, "Loop End"), Label(1, "Loop Start")})})));
    EXPECT_EQ(Wave().loopStart, 0u);
    EXPECT_EQ(Wave().loopEnd, 900u);
    EXPECT_EQ(Wave().loopFlags, 36);
}

TEST_F(WavRead, LabelledTextMarksALoopRange)
{
    const Bytes ltxt = Chunk("ltxt", Bytes{}.Le32(0, 500).Tag("mark").Zeros(8));
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(8000)), Cues({{0, 1000}}),
                                         ListChunk("adtl", {ltxt})})));
    EXPECT_EQ(Wave().loopStart, 1000u);
    EXPECT_EQ(Wave().loopEnd, 1500u);
    EXPECT_EQ(Wave().loopFlags, 36);
}

TEST_F(WavRead, InstrumentChunkLimitsTheKeyRange)
{
    const Bytes inst = Chunk("inst", Bytes{}.U8(48, 0xFB, 100, 36, 84, 1, 127));
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, inst, Chunk("data", Bytes{}.Zeros(100))})));
    EXPECT_EQ(Wave().rootKey, 48);
    EXPECT_EQ(Wave().fineTune, -5);
    EXPECT_EQ(Wave().volume, 100);
    const InstrumentRec& i = Instrument();
    ASSERT_EQ(i.layer.regionCount, 1);
    EXPECT_EQ(i.layer.regions[0].lowKey, 36);
    EXPECT_EQ(i.layer.regions[0].highKey, 84);
    EXPECT_EQ(i.layer.keyMap[35], 0x87FFFFFFu);
    EXPECT_EQ(i.layer.keyMap[85], 0x87FFFFFFu);
}

TEST_F(WavRead, InfoTextsNameTheItems)
{
    const std::string longName(100, 'n');
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(10)),
                                         ListChunk("INFO", {Chunk("INAM", Bytes{}.Text("Kick", 5)),
                                                            Chunk("ICMT", Bytes{}.Text(longName, 100)),
                                                            Chunk("ISFT", Bytes{}.Text("Sampler 1.0", 12))})})));
    EXPECT_STREQ(Wave().name, "Kick");
    EXPECT_EQ(std::string(Instrument().name), std::string(80, 'n'));
    EXPECT_STREQ(Instrument().note, "Sampler 1.0");
}

TEST_F(WavRead, FactGivesTheLengthBeforeOrAfterTheData)
{
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("fact", Bytes{}.Le32(7)), Chunk("data", Bytes{}.Zeros(100))})));
    EXPECT_EQ(Wave().length, 7u);
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(100)), Chunk("fact", Bytes{}.Le32(9))})));
    EXPECT_EQ(Wave().length, 9u);
}

TEST_F(WavRead, AnOddChunkIsFollowedByAPadByte)
{
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("junk", Bytes{}.Zeros(3)), Chunk("data", Bytes{}.Zeros(20))})));
    EXPECT_EQ(Wave().dataOffset, 12u + 24u + 12u + 8u);
    EXPECT_EQ(Wave().length, 10u);
}

TEST_F(WavRead, CompressedFormatsSelectTheirCopyRoutines)
{
    struct Case {
        Bytes format;
        CopyRoutine copy;
        std::uint8_t bits;
    };
    const Bytes guidTail = Bytes{}.Le16(0, 0, 0x10).U8(0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71);
    const Case cases[] = {
        {FormatBody(7, 1, 8000, 8), mulaw_Copy, 8},
        {FormatBody(257, 1, 8000, 8), mulaw_Copy, 8},
        {FormatBody(6, 1, 8000, 8), alaw_Copy, 8},
        {FormatBody(258, 1, 8000, 8), alaw_Copy, 8},
        {FormatBody(2, 1, 8000, 4).Le16(32, 500, 7), msadpcm_Copy, 4},
        {FormatBody(17, 1, 8000, 3).Le16(2, 505), dviadpcm_Copy, 3},
        {FormatBody(3, 1, 8000, 32), float_Copy, 32},
        {FormatBody(3, 1, 8000, 64), float_Copy, 64},
        {FormatBody(0xFFFE, 1, 8000, 24).Le16(22, 24).Le32(4).Le16(1).Append(guidTail), std_Copy, 24},
        {FormatBody(0xFFFE, 1, 8000, 32).Le16(22, 32).Le32(4).Le16(3).Append(guidTail), float_Copy, 32},
        {FormatBody(0xFFFE, 1, 8000, 8).Le16(22, 8).Le32(4).Le16(7).Append(guidTail), mulaw_Copy, 8},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Import(RiffForm("WAVE", {Chunk("fmt ", c.format), Chunk("data", Bytes{}.Zeros(64))})))
            << LastError.message;
        EXPECT_EQ(Wave().copyRoutine, c.copy);
        EXPECT_EQ(Wave().bits, c.bits);
        EXPECT_EQ(Wave().bytesPerSample, 2);
        EXPECT_EQ(Wave().isSigned, 1u);
    }
    EXPECT_EQ(Wave().formatOffset, 0u);  // only the ADPCM formats need it
}

TEST_F(WavRead, FormatErrorsFailAndRemoveTheItems)
{
    struct Case {
        Bytes format;
        const char* message;
    };
    const Bytes guidTail = Bytes{}.Le16(0, 0, 0x10).U8(0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71);
    const Case cases[] = {
        {FormatBody(2, 1, 8000, 3).Le16(32, 500, 7), "Unsupported or invalid MS ADPCM file"},
        {FormatBody(17, 1, 8000, 5).Le16(2, 505), "Unsupported or invalid Intel DVI/IMA ADPCM file"},
        {FormatBody(16, 1, 8000, 4), "Unsupported ADPCM compression type"},
        {FormatBody(259, 1, 8000, 4), "Unsupported ADPCM compression type"},
        {FormatBody(85, 1, 8000, 0), "Unsupported compression type"},
        {FormatBody(1, 1, 8000, 0), "Unsupported compression type"},
        {FormatBody(3, 1, 8000, 16), "Unsupported compression type"},
        {FormatBody(0xFFFE, 1, 8000, 16).Le16(22, 16).Le32(4).Le16(0x55).Append(guidTail), "Unsupported compression type"},
        {FormatBody(0xFFFE, 1, 8000, 16).Le16(22, 16).Le32(4).Le16(1).Zeros(14), "Unsupported compression type"},
        {FormatBody(1, 0, 8000, 16), "Zero channels!"},
        {FormatBody(1, 3, 8000, 16), "Can't handle > 2 channels!"},
        {Bytes{}.Le16(1, 1).Le32(8000, 8000).Le16(1), "Unsupported compression type"},  // no bits field
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Import(RiffForm("WAVE", {Chunk("fmt ", c.format), Chunk("data", Bytes{}.Zeros(64))})));
        EXPECT_EQ(LastError.location, "wav_Read");
        EXPECT_EQ(LastError.message, c.message);
        EXPECT_EQ(Items(), 0u);
    }
}

TEST_F(WavRead, ARiffWithoutFormatOrDataHasNoWaveData)
{
    for (const Bytes& file : {RiffForm("WAVE", {ListChunk("INFO", {Chunk("INAM", Bytes{}.Text("x", 2))})}),
                              RiffForm("WAVE", {kMonoFormat}), RiffForm("WAVE", {Chunk("data", Bytes{}.Zeros(4))}),
                              Bytes{}.Tag("RIFF").Le32(0).Tag("WAVE")}) {
        EXPECT_FALSE(Import(file));
        EXPECT_EQ(LastError.message, "No wave data found!");
        EXPECT_EQ(Items(), 0u);
    }
}

TEST_F(WavRead, SizesRunningPastTheirParentAreClamped)
{
    // The data chunk claims a gigabyte: the frames are what the file holds.
    Bytes file = Bytes{}.Tag("RIFF").Le32(1000000).Tag("WAVE").Append(kMonoFormat).Tag("data").Le32(1000000000).Zeros(200);
    ASSERT_TRUE(Import(file));
    EXPECT_EQ(Wave().length, 100u);
    Capture capture;
    ASSERT_TRUE(CaptureWave(store, Wave(), capture));
    EXPECT_EQ(capture.bytes.size(), 200u);
}

TEST_F(WavRead, HostileCountsAndNestingAreHarmless)
{
    Bytes nested = Chunk("data", Bytes{}.Zeros(8));
    for (int i = 0; i < 5000; ++i) nested = ListChunk("deep", {nested});
    ASSERT_FALSE(Import(RiffForm("WAVE", {kMonoFormat, nested})));  // the data is too deep to reach
    EXPECT_EQ(LastError.message, "No wave data found!");

    const Bytes hugeCue = Chunk("cue ", Bytes{}.Le32(4000000000u).Le32(1, 0).Tag("data").Le32(0, 0, 5));
    ASSERT_TRUE(Import(RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(80)), hugeCue,
                                         ListChunk("adtl", {Label(1, "Loop End")})})));
    EXPECT_EQ(Wave().loopEnd, 5u);
}

TEST_F(WavRead, FmtAfterDataStillGivesTheLength)
{
    ASSERT_TRUE(Import(RiffForm("WAVE", {Chunk("data", Bytes{}.Zeros(100)), kMonoFormat})));
    EXPECT_EQ(Wave().length, 50u);
}

TEST_F(WavRead, AdpcmWithoutFactCountsBlocks)
{
    // IMA mono, 4 bits, blocks of 256 bytes holding 505 frames; one and a half blocks.
    ASSERT_TRUE(Import(RiffForm("WAVE", {Chunk("fmt ", Bytes{}.Le16(17, 1).Le32(22050, 11100).Le16(256, 4, 2, 505)),
                                         Chunk("data", Bytes{}.Zeros(256 + 132))})));
    EXPECT_EQ(Wave().length, 505u + 257u);
}

TEST_F(WavRead, AnAdpcmFactThatCannotBeTheLengthGivesWayToTheBlocks)
{
    const Bytes format = Chunk("fmt ", Bytes{}.Le16(17, 2).Le32(22050, 22100).Le16(2048, 4, 2, 2041));
    const Bytes data = Chunk("data", Bytes{}.Zeros(7 * 2048));
    ASSERT_TRUE(Import(RiffForm("WAVE", {format, Chunk("fact", Bytes{}.Le32(7143)), data})));
    EXPECT_EQ(Wave().length, 7u * 2041u);  // half the frames, as one writer puts it: not the length
    ASSERT_TRUE(Import(RiffForm("WAVE", {format, Chunk("fact", Bytes{}.Le32(14000)), data})));
    EXPECT_EQ(Wave().length, 14000u);  // within the last block: the encoder's own count
}

TEST_F(WavRead, ReadsAByteRangeIntoRecordsOutsideTheStore)
{
    const Bytes wav = RiffForm("WAVE", {kMonoFormat, Chunk("data", Bytes{}.Zeros(10)),
                                        ListChunk("INFO", {Chunk("INAM", Bytes{}.Text("Inner", 6))})});
    TempFile f("bank.bin", Bytes{}.Zeros(1000).Append(wav).Zeros(50));
    File file = File::OpenRead(f.Path());
    WavesampleRec wave{};
    InstrumentRec instrument{};
    ASSERT_TRUE(wav_Read(store, file, 0, wave, instrument, 1000, 1000 + wav.Size()));
    EXPECT_STREQ(wave.name, "Inner");
    EXPECT_EQ(wave.dataOffset, 1000u + 44u);
    EXPECT_EQ(wave.length, 5u);
}

TEST(WavDetect, RiffAndWaveAreSureRiffAloneIsWeak)
{
    std::uint8_t head[kDetectBytes] = {};
    std::memcpy(head, "RIFF\0\0\0\0WAVE", 12);
    EXPECT_EQ(wav_Detect(head), 2);
    std::memcpy(head + 8, "AVI ", 4);
    EXPECT_EQ(wav_Detect(head), 1);
    head[0] = 'X';
    EXPECT_EQ(wav_Detect(head), 0);
}

TEST_F(WavRead, ATruncatedFileNeverCrashesOrInventsItems)
{
    const Bytes full = RiffForm(
        "WAVE", {Chunk("fmt ", Bytes{}.Le16(2, 2).Le32(22050, 22050).Le16(512, 4, 32, 1012, 7).Zeros(28)),
                 Chunk("fact", Bytes{}.Le32(3000)), Chunk("data", Bytes{}.Zeros(1024)), Cues({{1, 10}, {2, 20}}),
                 ListChunk("adtl", {Label(1, "Loop Start"), Label(2, "Loop End")}),
                 Chunk("smpl", Bytes{}.Le32(0, 0, 22676, 60, 0, 0, 0, 1, 0).Le32(0, 0, 5, 50, 0, 0)),
                 Chunk("inst", Bytes{}.U8(60, 0, 0, 0, 127, 0, 127)),
                 ListChunk("INFO", {Chunk("INAM", Bytes{}.Text("cut", 4))})});
    for (std::size_t cut = 0; cut <= full.Size(); ++cut) {
        Bytes part;
        part.Append(std::vector<std::uint8_t>(full.Data().begin(), full.Data().begin() + cut));
        const bool read = Import(part);
        EXPECT_LE(Items(), 3u);
        if (!read || store.formatIndex != 52) continue;  // a stub of a few bytes is raw data
        Capture capture;
        EXPECT_TRUE(CaptureWave(store, Wave(), capture)) << cut << " " << LastError.message;
        EXPECT_EQ(capture.bytes.size(), std::size_t{Wave().length} * 4) << cut;
    }
}

}  // namespace
