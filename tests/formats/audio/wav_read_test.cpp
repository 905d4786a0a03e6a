// The WAVE reader on built files: chunks, loops, lengths, codings, errors, hostile and cut files.
#include "../format_kit.h"

namespace {

const Bytes kMono = Chunk("fmt ", FormatBody(1, 1, 22050, 16));
// Cue points 1 at frame 300 and 2 at frame 900.
const Bytes kCues = Chunk("cue ", Bytes{}.Le32(2, 1, 0).Tag("data").Le32(0, 0, 300, 2, 0).Tag("data").Le32(0, 0, 900));

struct WavRead : WriterFixture {
    bool Read(const Bytes& file) { return Import(file, "test.wav"); }
    static Bytes Wav(std::initializer_list<Bytes> chunks) { return RiffForm("WAVE", chunks); }
    static Bytes Data(std::size_t bytes) { return Chunk("data", Bytes{}.Zeros(bytes)); }
    static Bytes Fact(std::uint32_t frames) { return Chunk("fact", Bytes{}.Le32(frames)); }
    static Bytes Label(unsigned id, std::string_view t) { return Chunk("labl", Bytes{}.Le32(id).Tag(t).U8(0)); }
    // An ADPCM "fmt " body: IMA (tag 17), or MS (tag 2) with one predictor.
    static Bytes Adpcm(unsigned tag, unsigned bits, unsigned align, unsigned frames, unsigned channels = 1)
    {
        const Bytes extra = tag == 2 ? Bytes{}.Le16(6, frames, 1, 256, 0) : Bytes{}.Le16(2, frames);
        return Bytes{}.Le16(tag, channels).Le32(22050, 22050).Le16(align, bits).Append(extra);
    }
};

TEST_F(WavRead, ChunksGiveTheFieldsAndLoops)
{
    const Bytes smpl = Bytes{}.Le32(0, 0, 22676, 64, 0x40000000, 0, 0, 1, 0).Le32(0, 0, 100, 2000, 1u << 31, 0);
    const Bytes info = ListChunk("INFO", {Chunk("INAM", Bytes{}.Text("Kick", 5)),
                                          Chunk("ICMT", Bytes{}.Tag(std::string(100, 'n'))),
                                          Chunk("ISFT", Bytes{}.Text("Sampler 1.0", 12))});
    ASSERT_TRUE(Read(Wav({Chunk("fmt ", FormatBody(1, 2, 44100, 16)), Chunk("smpl", smpl), Data(8000), info})));
    const WavesampleRec& w = Wave();
    EXPECT_EQ(std::tuple(w.sampleRate, w.rootKey, w.fineTune, w.loopStart, w.loopEnd, w.loopEndFrac),
              std::tuple(44099u, 64, 32, 100u, 2000u, 128));  // the sampler's period names another rate
    EXPECT_EQ(std::string(w.name) + "|" + Instrument().name + "|" + Instrument().note + "|" + store.FetchBank()->name,
              "Kick|" + std::string(80, 'n') + "|Sampler 1.0|Ms Windows wave file");
    const Bytes inst = Chunk("inst", Bytes{}.U8(48, 0xFB, 100, 36, 84, 1, 127));
    ASSERT_TRUE(Read(Wav({Chunk("fmt ", FormatBody(1, 1, 8000, 8)), inst, Data(10)})));
    const KeyRegion& r = Instrument().layer.regions[0];
    EXPECT_EQ(std::tuple(Wave().rootKey, Wave().fineTune, Wave().volume, Wave().layout.isSigned, r.lowKey, r.highKey),
              std::tuple(48, -5, 100, false, 36, 84));
    // Loops from the sampler's loop types and from labelled cue points.
    const Bytes head = Bytes{}.Le32(0, 0, 0, 60, 0, 0, 0, 1, 0);
    const auto loop = [&](unsigned type) { return Chunk("smpl", Bytes(head).Le32(0, type, 300, 900, 0, 0)); };
    const std::tuple<Bytes, std::uint32_t, int> cases[] = {
        {loop(0), 300, 36}, {loop(1), 300, 44}, {loop(255), 300, 0}, {loop(7), 300, 0},
        {ListChunk("adtl", {Label(9, "Loop Start"), Label(1, "loop start"), Label(2, "LOOP END")}), 300, 36},
        {ListChunk("adtl", {Label(2, "Loop End"), Label(1, "Loop Start")}), 0, 36},  // the end closes the loop
        {ListChunk("adtl", {Chunk("ltxt", Bytes{}.Le32(1, 600).Tag("mark").Zeros(8))}), 300, 36},
        {Chunk("cue ", Bytes{}.Le32(4000000000u, 2, 0).Tag("data").Le32(0, 0, 900))  // a huge count: harmless
             .Append(ListChunk("adtl", {Label(2, "Loop End")})), 0, 36},
    };
    for (const auto& [chunk, start, flags] : cases) {
        ASSERT_TRUE(Read(Wav({kMono, Data(8000), kCues, chunk})));
        EXPECT_EQ(std::tuple(Wave().loopStart, Wave().loopEnd, Wave().loopFlags), std::tuple(start, 900u, flags));
    }
}

// The length is what the data holds; a "fact" (even 0xFFFFFFFF, in or after the form) may shorten it, ADPCM's
// within a block, never lengthen it. The copy delivers that many frames, and GF1 is written with no more.
TEST_F(WavRead, LengthIsTheDataOrAShorterFact)
{
    const Bytes imaStereo = Chunk("fmt ", Adpcm(17, 4, 2048, 2041, 2));
    const Bytes ima = Chunk("fmt ", Adpcm(17, 4, 8, 9)), ms = Chunk("fmt ", Adpcm(2, 4, 14, 16));
    const std::pair<Bytes, std::uint32_t> cases[] = {
        {Wav({kMono, Fact(7), Data(100)}), 7}, {Wav({kMono, Data(100), Fact(9)}), 9}, {Wav({Data(100), kMono}), 50},
        {Wav({kMono, Fact(100000), Data(100)}), 50}, {Wav({kMono, Chunk("junk", Bytes{}.U8(3)), Data(20)}), 10},
        {Bytes{}.Tag("RIFF").Le32(1000000).Tag("WAVE").Append(kMono).Tag("data").Le32(1000000000).Zeros(200), 100},
        {Wav({Chunk("fmt ", Adpcm(17, 4, 256, 505)), Data(256 + 132)}), 505 + 257},
        {Wav({imaStereo, Fact(7143), Data(7 * 2048)}), 7 * 2041},  // half the frames: not believed
        {Wav({imaStereo, Fact(14000), Data(7 * 2048)}), 14000},
        {Wav({ima, Fact(0xFFFFFFFF), Data(8)}), 9}, {Bytes{}.Append(Wav({ima, Data(8)})).Append(Fact(0xFFFFFFFF)), 9},
        {Wav({ms, Fact(0xFFFFFFFF), Data(14)}), 16}, {Bytes{}.Append(Wav({ms, Data(14)})).Append(Fact(0xFFFFFFFF)), 16},
    };
    for (const auto& [wav, length] : cases) {
        ASSERT_TRUE(Read(wav)) << LastError.message;
        EXPECT_EQ(Wave().length, length);
        EXPECT_EQ(Wave().layout.offset, FindWaveChunks(wav.Data()).dataOffset);
        EXPECT_EQ(Decoded(Wave()).size(), std::size_t{length} * Delivered(Wave()).FrameBytes());
        EXPECT_LE(RoundTrip(kWaveKind | 1, "x.pat").size(), 239u + 96 + 2 * length + 2);
        EXPECT_EQ(Wave().length, length);
    }
}

// Refusals name their reason and leave no items: codings, and no format and data in reach (not
// 5000 lists deep). Tags no peer writes find their codings. Every cut of a full file is safe.
TEST_F(WavRead, CodingsAndFilesAreRefusedOrChosenAndCutsAreSafe)
{
    const Bytes guid = Bytes{}.Le16(0, 0, 0x10).U8(0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71);
    const auto extensible = [](std::uint16_t bits, std::uint16_t tag, const Bytes& guidTail) {
        return FormatBody(0xFFFE, 1, 8000, bits).Le16(22, bits).Le32(4).Le16(tag).Append(guidTail);
    };
    const auto fmt = [](const Bytes& format) { return Wav({Chunk("fmt ", format), Data(64)}); };
    Bytes nested = Data(8);
    for (int i = 0; i < 5000; ++i) nested = ListChunk("deep", {nested});
    const char *const adpcm = "Unsupported ADPCM compression type", *const type = "Unsupported compression type";
    const char *const block = "More samples per block than the block size holds", *const none = "No wave data found!";
    const std::pair<Bytes, const char*> refused[] = {
        {fmt(Adpcm(2, 3, 256, 500)), "Unsupported or invalid MS ADPCM file"}, {fmt(Adpcm(2, 4, 14, 65535)), block},
        {fmt(Adpcm(17, 5, 256, 505)), "Unsupported or invalid Intel DVI/IMA ADPCM file"}, {Wav({kMono}), none},
        {fmt(Adpcm(17, 4, 8, 65535)), block}, {fmt(FormatBody(16, 1, 8000, 4)), adpcm}, {Wav({Data(4)}), none},
        {fmt(FormatBody(259, 1, 8000, 4)), adpcm}, {fmt(FormatBody(1, 1, 8000, 0)), type}, {Wav({kMono, nested}), none},
        {fmt(FormatBody(3, 1, 8000, 16)), type}, {fmt(FormatBody(1, 3, 8000, 16)), "Can't handle > 2 channels!"},
        {fmt(extensible(16, 0x55, guid)), type}, {fmt(extensible(16, 1, Bytes{}.Zeros(14))), type},
        {fmt(FormatBody(1, 0, 8000, 16)), "Zero channels!"}, {Bytes{}.Tag("RIFF").Le32(0).Tag("WAVE"), none},
        {fmt(Bytes{}.Le16(1, 1).Le32(8000, 8000).Le16(1)), type},  // no bits field
    };
    for (const auto& [file, message] : refused) {
        EXPECT_FALSE(Read(file));
        EXPECT_EQ(Failure(), std::string("wav_Read: ") + message);
        EXPECT_EQ(Count(kWaveKind) + Count(kInstrumentKind) + Count(kBankId), 0u);
    }
    const std::pair<Bytes, CopyRoutine> accepted[] = {{FormatBody(257, 1, 8000, 8), mulaw_Copy},
                                                      {FormatBody(258, 1, 8000, 8), alaw_Copy},
                                                      {extensible(32, 3, guid), float_Copy}};
    for (const auto& [format, copy] : accepted) EXPECT_TRUE(Read(fmt(format)) && Wave().copyRoutine == copy);
    SweepTruncations(Wav({Chunk("fmt ", Adpcm(2, 4, 64, 116)), Fact(300), Data(128), kCues,
                          ListChunk("adtl", {Label(1, "Loop Start"), Label(2, "Loop End")}),
                          Chunk("inst", Bytes{}.U8(60, 0, 0, 0, 127, 0, 127)),
                          Chunk("smpl", Bytes{}.Le32(0, 0, 22676, 60, 0, 0, 0, 1, 0).Le32(0, 0, 5, 50, 0, 0)),
                          ListChunk("INFO", {Chunk("INAM", Bytes{}.Text("cut", 4))})}), "test.wav", 3);
}

}  // namespace
