// kobacli end to end: the real binary, its output, files and exit codes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/unique_names.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

struct CliResult {
    int code;
    std::string out;
    std::string err;
};

std::string Text(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CliResult RunCli(const TempDir& dir, const std::string& arguments)
{
    const std::string out = dir / "stdout.txt";
    const std::string err = dir / "stderr.txt";
    const int code = ::Run(std::string(KOBA_CLI) + " " + arguments + " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null");
    return {code, Text(out), Text(err)};
}

struct CliFixture : ::testing::Test {
    TempDir dir;
    std::string wav;

    // A looped 16-bit stereo WAVE file named "Strings", made by SoX.
    void SetUp() override
    {
        WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(2 * 4000)));
        wav = dir / "strings.wav";
        ASSERT_EQ(::Run("sox -t raw -r 32000 -e signed -b 16 -c 2 " + Quoted(dir / "in.raw") + " " + Quoted(wav)), 0);
    }
};

using Kobacli = CliFixture;

TEST_F(Kobacli, InfoPrintsTheTreeWithStatusLines)
{
    const CliResult r = RunCli(dir, "info " + Quoted(wav));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Ms Windows wave file  (Bank: Ms Windows wave file)\n"
              "  0 : unnamed inst  (Inst: 1 waves, 16KB)\n"
              "    0 : unnamed wave  (Wave: [0:60:127], 4Ks, 32kHz, 16b)\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Kobacli, InfoJsonHasEveryFieldOfEveryItem)
{
    const CliResult r = RunCli(dir, "info --json " + Quoted(wav));
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["file"], wav);
    EXPECT_EQ(doc["format"]["index"], 52);
    EXPECT_EQ(doc["format"]["extension"], "wav");
    EXPECT_EQ(doc["format"]["description"], "Ms Windows wave file");
    const nlohmann::json& items = doc["items"];
    ASSERT_EQ(items.size(), 3u);
    const nlohmann::json& wave = items[0];
    EXPECT_EQ(wave["id"], "0x80000001");
    EXPECT_EQ(wave["kind"], "wavesample");
    EXPECT_EQ(wave["length"], 4000);
    EXPECT_EQ(wave["channels"], 2);
    EXPECT_EQ(wave["sampleRate"], 32000);
    EXPECT_EQ(wave["dataOffset"], 44);
    EXPECT_EQ(wave["owner"], "0x40000001");
    EXPECT_EQ(wave["sourcePath"], wav);
    for (const char* field : {"name", "bits", "bytesPerSample", "isSigned", "loopStart", "loopEnd", "loopStartFrac",
                              "loopEndFrac", "loopFlags", "rootKey", "lowKey", "highKey", "fineTune", "pan", "volume",
                              "scaleKey", "scaleFactor"}) {
        EXPECT_TRUE(wave.contains(field)) << field;
    }
    EXPECT_EQ(items[1]["kind"], "bank");
    EXPECT_EQ(items[1]["id"], "0x20000000");
    EXPECT_EQ(items[1]["path"], wav);
    const nlohmann::json& instrument = items[2];
    EXPECT_EQ(instrument["kind"], "instrument");
    EXPECT_EQ(instrument["program"], 0);
    EXPECT_EQ(instrument["waveCount"], 1);
    EXPECT_EQ(instrument["totalBytes"], 16000);
    ASSERT_EQ(instrument["regions"].size(), 1u);
    EXPECT_EQ(instrument["regions"][0]["wave"], "0x80000001");
    EXPECT_EQ(instrument["regions"][0]["highKey"], 127);
    for (const char* field : {"name", "note", "volume", "present"}) EXPECT_TRUE(instrument.contains(field)) << field;
}

TEST_F(Kobacli, ConvertWritesWhatTheExportDriverWrites)
{
    const CliResult r = RunCli(dir, "convert " + Quoted(wav) + " " + Quoted(dir / "cli.wav"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Item saved: " + (dir / "cli.wav") + "\n");
    ScriptedHost host;
    WaveStore store(host);
    ASSERT_TRUE(store.Imp(wav));
    ASSERT_TRUE(store.Exp(dir / "direct.wav", 0x80000001));
    EXPECT_EQ(ReadFileBytes(dir / "cli.wav"), ReadFileBytes(dir / "direct.wav"));
    EXPECT_EQ(RunCli(dir, "convert --item 0x80000001 " + Quoted(wav) + " " + Quoted(dir / "by-id.wav")).code, 0);
    EXPECT_EQ(ReadFileBytes(dir / "by-id.wav"), ReadFileBytes(dir / "direct.wav"));
}

TEST_F(Kobacli, AnItemNameSharedByTwoItemsListsTheCandidates)
{
    // KOBA's own WAVE output names the wavesample and the instrument alike.
    ASSERT_EQ(RunCli(dir, "convert " + Quoted(wav) + " " + Quoted(dir / "named.wav")).code, 0);
    const CliResult r = RunCli(dir, "convert " + Quoted(dir / "named.wav") + " " + Quoted(dir / "x.wav") +
                                         " --item '0 : unnamed wave'");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("  0x80000001  wavesample  0 : unnamed wave\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  0x40000001  instrument  0 : unnamed wave\n"), std::string::npos) << r.err;
    // An item the format cannot hold is the writer's refusal.
    const CliResult bank = RunCli(dir, "convert " + Quoted(wav) + " " + Quoted(dir / "x.wav") + " --item bank");
    EXPECT_EQ(bank.code, 1);
    EXPECT_EQ(bank.err, "wav_Write: Export type not supported by .WAV\n");
}

TEST_F(Kobacli, ExtractWritesOneFilePerItem)
{
    const CliResult r = RunCli(dir, "extract " + Quoted(wav) + " " + Quoted(dir / "out/sub"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "out/sub") + "/0  unnamed wave.wav\n");
    const std::size_t info = 8 + 2 * 18 + 76;  // the 16-character name padded to 18
    EXPECT_EQ(ReadFileBytes(dir / "out/sub/0  unnamed wave.wav").size(), 44u + 16000 + info + 68);
    EXPECT_EQ(RunCli(dir, "extract " + Quoted(wav) + " " + Quoted(dir / "o") + " --kind instrument --to wav").code, 2);
}

// A bank whose two wavesamples propose one file name ("a.b" and "ab" both give "ab").
std::string ClashingBank(const TempDir& dir)
{
    ScriptedHost host;
    WaveStore store(host);
    store.NewBank("Clash", 5);
    WriteFileBytes(dir / "data.raw", std::vector<std::uint8_t>(200, 3));
    for (std::uint32_t i = 1; i <= 2; ++i) {
        WavesampleRec& w = *store.NewWavesample(i, std_Copy, i == 1 ? "a.b" : "ab", i == 1 ? 3 : 2);
        std::strcpy(w.sourcePath, (dir / "data.raw").c_str());
        w.bits = 16, w.bytesPerSample = 2, w.isSigned = 1, w.length = 50, w.owner = NO_ITEM;
    }
    EXPECT_TRUE(store.Exp(dir / "clash.sbk", kBankId)) << LastError.message;
    return dir / "clash.sbk";
}

TEST_F(Kobacli, ExtractNumbersClashingNames)
{
    const CliResult r = RunCli(dir, "extract " + Quoted(ClashingBank(dir)) + " " + Quoted(dir / "x"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "x/ab.wav") + "\n" + (dir / "x/ab (2).wav") + "\n");
    const CliResult instruments = RunCli(dir, "extract " + Quoted(dir / "clash.sbk") + " " + Quoted(dir / "p") +
                                                  " --kind instrument --to pat");
    EXPECT_EQ(instruments.out, (dir / "p/ab.pat") + "\n" + (dir / "p/ab (2).pat") + "\n");
}

TEST_F(Kobacli, ConvertWithSeveralCandidatesListsThem)
{
    const CliResult r = RunCli(dir, "convert " + Quoted(ClashingBank(dir)) + " " + Quoted(dir / "one.wav"));
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "kobacli: the file has more than one item this format can save; choose one with --item:\n"
                     "  0x80000000  wavesample  a.b\n  0x80000001  wavesample  ab\n");
    EXPECT_EQ(RunCli(dir, "convert --item 0x80000001 " + Quoted(dir / "clash.sbk") + " " + Quoted(dir / "one.wav")).code, 0);
}

TEST(UniqueFileName, ClashesGetNumbers)
{
    std::set<std::string> used;
    EXPECT_EQ(UniqueFileName("Bass", "wav", used), "Bass.wav");
    EXPECT_EQ(UniqueFileName("Bass", "wav", used), "Bass (2).wav");
    EXPECT_EQ(UniqueFileName("bass", "wav", used), "bass (3).wav");
    EXPECT_EQ(UniqueFileName("Bass", "pat", used), "Bass.pat");
}

TEST_F(Kobacli, RawDataFollowsTheFlags)
{
    // Big-endian 16-bit stereo after a 4-byte header.
    Bytes raw = Bytes{}.Tag("HEAD");
    for (int i = 0; i < 100; ++i) raw.Be16(i * 300, 0x10000 - i);
    WriteFileBytes(dir / "take.bin", raw.Data());
    const CliResult r = RunCli(dir, "convert " + Quoted(dir / "take.bin") + " " + Quoted(dir / "take.wav") +
                                         " --raw-type pcm16 --raw-signed 1 --raw-stereo 1 --raw-swap 1"
                                         " --raw-rate 8000 --raw-offset 4");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::uint8_t> out = ReadFileBytes(dir / "take.wav");
    Bytes expected;
    for (int i = 0; i < 100; ++i) expected.Le16(i * 300, 0x10000 - i);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 44, out.begin() + 444), expected.Data());
    EXPECT_EQ(out[24] | out[25] << 8, 8000);
    EXPECT_EQ(out[22], 2);
}

TEST_F(Kobacli, ExitCodesAndMessageForms)
{
    WriteFileBytes(dir / "noise.bin", std::vector<std::uint8_t>(600, 0x33));
    struct Case {
        std::string arguments;
        int code;
        std::string errStart;
    };
    const Case cases[] = {
        {"", 2, "usage: kobacli"},
        {"frobnicate", 2, "kobacli: unknown command frobnicate"},
        {"info", 2, "kobacli: info takes one FILE"},
        {"info " + Quoted(wav) + " --bogus", 2, "kobacli: unknown option --bogus"},
        {"convert " + Quoted(wav), 2, "kobacli: convert takes FILE and OUT"},
        {"info " + Quoted(dir / "missing.wav"), 1, "WaveStore::Imp: Couldn't open input file\n"},
        {"convert " + Quoted(wav) + " " + Quoted(dir / "x.wave"), 1, "WaveStore::Exp: Not a supported export extension type\n"},
        {"convert " + Quoted(wav) + " " + Quoted(dir / "x.au"), 1, "au_Write: Writing this format is not supported yet\n"},
        {"info " + Quoted(dir / "noise.bin"), 1, "*_Read: Cancelled\nhint: "},
        {"info " + Quoted(dir / "noise.bin") + " --raw-type pcm12", 2, "kobacli: --raw-type takes"},
        {"info " + Quoted(dir / "noise.bin") + " --raw-rate fast", 2, "kobacli: --raw-rate takes a whole number"},
        {"convert --item nothing " + Quoted(wav) + " " + Quoted(dir / "y.wav"), 2, "kobacli: no item nothing"},
        {"extract " + Quoted(wav) + " " + Quoted(dir / "e") + " --to xyz", 2, "kobacli: no file format has the extension xyz"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(dir, c.arguments);
        EXPECT_EQ(r.code, c.code) << c.arguments;
        EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << c.arguments << "\n" << r.err;
    }
    EXPECT_EQ(RunCli(dir, "--version").out, "kobacli 2.0\n");
    for (const char* command : {"info", "convert", "extract", "formats"}) {
        const CliResult help = RunCli(dir, std::string(command) + " --help");
        EXPECT_EQ(help.code, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: kobacli ") + command, 0), 0u);
    }
    const CliResult formats = RunCli(dir, "formats");
    EXPECT_NE(formats.out.find("  52\twav\tMs Windows wave file\n"), std::string::npos);
    EXPECT_NE(formats.out.find("  11\twav\tMs Windows PCM waves\twavesample\n"), std::string::npos);
    EXPECT_NE(formats.out.find("  10\ttxt\tAscii Text Description\twavesample,instrument,bank,folder\n"), std::string::npos);
}

}  // namespace
