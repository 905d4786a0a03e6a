// The text description: each item kind of a real GF1 patch against a description written by
// hand (tests/formats/golden/), and the lines whose fields need care.

#include "../format_kit.h"
#include "formats/formats.h"

namespace {

const std::string kPatch = FreepatsPath("Tone_000/079_Ocarina.pat");

// A golden file with its lines ending in CR LF, as the description writes them.
std::string Golden(const std::string& name)
{
    const auto bytes = ReadFileBytes(std::string(KOBA_TEXT_GOLDEN) + "/" + name);
    std::string text;
    for (const std::uint8_t c : bytes) c == '\n' ? text += "\r\n" : text += static_cast<char>(c);
    return text;
}

std::string Text(const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

using TxtWrite = WriterFixture;

TEST_F(TxtWrite, DescriptionsOfAPatchMatchTheirReviewedText)
{
    ASSERT_TRUE(store.Imp(kPatch)) << Failure();
    store.NewFolder(0, "All Wavesamples");
    for (const auto& [item, golden] :
         {std::pair(kWaveKind | 1, "ocarina_wavesample.txt"), std::pair(kInstrumentKind | 1, "ocarina_instrument.txt"),
          std::pair(kFolderKind, "ocarina_folder.txt")}) {
        ASSERT_TRUE(store.Exp(dir / "out.txt", item)) << Failure();
        EXPECT_EQ(Text(dir / "out.txt"), Golden(golden)) << golden;
    }
    ASSERT_EQ(::Run(std::string(KOBA_CLI) + " convert " + Quoted(kPatch) + " " + Quoted(dir / "bank.txt") +
                    " --item bank > /dev/null"),
              0);
    EXPECT_EQ(Text(dir / "bank.txt"), Golden("ocarina_bank.txt"));
}

// The lines of one description that follow its head.
std::vector<std::string> Body(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = text.find("\r\n\r\n") + 4, end; (end = text.find("\r\n", at)) != std::string::npos;
         at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

TEST_F(TxtWrite, WavesampleLinesShowLoopKeyPanAndWidth)
{
    const struct {
        std::uint8_t loopFlags, bits, rootKey;
        std::int8_t fineTune;
        std::uint8_t pan;
        const char *format, *loop, *key, *volume;
    } cases[] = {
        {44, 12, 60, -5, 63, "Format: 12:16 bits signed, 22050 Hz", "Loop: On bid, 100.0..900.0",
         "RootKey: C4, FineTune: -5", "Volume: 127, Pan: 0"},
        {0, 8, 0, 7, 0, "Format: 8:8 bits unsigned, 22050 Hz", "Loop: Off, 100.0..900.0", "RootKey: C-1, FineTune: 7",
         "Volume: 127, Pan: -63"},
        {32 | 16 | 64, 16, 127, 0, 127, "Format: 16:16 bits unsigned, 22050 Hz", "Loop: On rev rel, 100.0..900.0",
         "RootKey: G9, FineTune: 0", "Volume: 127, Pan: 64"},
    };
    for (const auto& c : cases) {
        WavesampleRec& w = NewWave(1, "w\xe9", Bytes{}.Zeros(2000), c.bits, 1, c.bits == 12);
        std::tie(w.loopFlags, w.loopStart, w.loopEnd, w.rootKey, w.fineTune, w.pan, w.volume, w.sampleRate) =
            std::tuple(c.loopFlags, 100, 900, c.rootKey, c.fineTune, c.pan, 127, 22050);
        ASSERT_TRUE(store.Exp(dir / "w.txt", kWaveKind | 1)) << Failure();
        const std::string length = "Length: " + std::to_string(w.length) + " samples";
        EXPECT_EQ(Body(Text(dir / "w.txt")), (std::vector<std::string>{"Item: Wavesample 'w\xc3\xa9'", "", c.format,
                                                                       length, c.loop, c.key, c.volume}));
    }
}

// A note of the source's is shown, and a bank without instruments totals 0 KB.
TEST_F(TxtWrite, InstrumentNoteAndAnEmptyBank)
{
    store.NewBank("Empty", 5);
    ASSERT_TRUE(store.Exp(dir / "bank.txt", kBankId)) << Failure();
    EXPECT_EQ(Body(Text(dir / "bank.txt")),
              (std::vector<std::string>{"Item: Bank file 'Empty'", "", "Instruments:", "   (Total size: 0 KB)"}));
    NewWave(1, "low", Bytes{}.Zeros(1000), 8);
    NewInstrument(1, "Split", [](int key) { return key < 60 ? 1 : NO_ITEM; });
    std::strcpy(store.FetchInstrument(kInstrumentKind | 1)->note, "Recorded live");
    ASSERT_TRUE(store.Exp(dir / "inst.txt", kInstrumentKind | 1)) << Failure();
    EXPECT_EQ(Body(Text(dir / "inst.txt"))[2], "Note: Recorded live");
    EXPECT_FALSE(store.Exp(dir / "none.txt", kWaveKind | 9));
    EXPECT_EQ(Failure(), "txt_Write: Export type not supported by .TXT");
}

}  // namespace
