// kobacli end to end: the real binary, its output, files and exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "kit/import_fixture.h"
#include "kit/tools.h"

namespace {

struct CliResult {
    int code;
    std::string out, err;
};

struct Kobacli : ::testing::Test {
    TempDir dir;
    std::string wav = dir / "strings.wav", in = Quoted(wav);

    // A 16-bit stereo WAVE file made by SoX.
    void SetUp() override
    {
        WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(2 * 4000)));
        ASSERT_EQ(::Run("sox -t raw -r 32000 -e signed -b 16 -c 2 " + Quoted(dir / "in.raw") + " " + in), 0);
    }
    // `shell` runs first in the same shell (limits, traps).
    CliResult Cli(const std::string& arguments, const std::string& shell = "") const
    {
        const std::string out = dir / "out.txt", err = dir / "err.txt";
        const int code = ::Run(shell + KOBA_CLI + " " + arguments + " >" + Quoted(out) + " 2>" + Quoted(err));
        const auto text = [](const std::string& path) {
            const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
            return std::string(bytes.begin(), bytes.end());
        };
        return {code, text(out), text(err)};
    }
    std::string Out(const std::string& name) const { return " " + Quoted(dir / name); }
};

TEST_F(Kobacli, InfoShowsTheTreeConvertAndExtractWriteOneFileButNeverOverTheSource)
{
    EXPECT_EQ(Cli("info " + in).out,
              "Ms Windows wave file  (Bank: Ms Windows wave file)\n  0 : unnamed inst  (Inst: 1 "
              "waves, 16KB)\n    0 : unnamed wave  (Wave: [0:60:127], 4Ks, 32kHz, 16b)\n");
    EXPECT_EQ(Cli("convert " + in + Out("cli.wav")).out, "Item saved: " + (dir / "cli.wav") + "\n");
    EXPECT_EQ(Cli("extract " + in + Out("out/sub") + " --to .wav").out, (dir / "out/sub/0 : unnamed wave.wav") + "\n");
    EXPECT_EQ(ReadFileBytes(dir / "out/sub/0 : unnamed wave.wav"), ReadFileBytes(dir / "cli.wav"));
    const std::vector<std::uint8_t> before = ReadFileBytes(wav);
    std::filesystem::create_symlink(wav, dir / "link.wav");
    std::filesystem::create_hard_link(wav, dir / "hard.wav");
    for (const char* out : {"strings.wav", "link.wav", "hard.wav"}) {
        const CliResult r = Cli("convert " + in + Out(out));
        EXPECT_EQ(std::tie(r.code, r.err), std::make_tuple(1, "WaveStore::Exp: Output file is the source file\n"))
            << out;
    }
    EXPECT_EQ(ReadFileBytes(wav), before);
    // A write the file size limit refuses is reported once, with the file and the reason.
    const CliResult r = Cli("convert " + in + Out("big.wav"), "ulimit -f 4; ");
    EXPECT_EQ(std::make_tuple(r.code, r.err),
              std::make_tuple(1, "wav_Write: File Write Error: " + (dir / "big.wav") + " (File too large)\n"));
    EXPECT_FALSE(std::filesystem::exists(dir / "big.wav"));
}

// A bank whose two wavesamples and their instruments propose one file name ("a/b" and "a_b").
TEST_F(Kobacli, ClashingNamesAreNumberedAndCandidatesListed)
{
    WriteBankOfNames(dir / "clash.sbk", {"a/b", "a_b"});
    const std::string bank = Quoted(dir / "clash.sbk");
    EXPECT_EQ(Cli("extract " + bank + Out("x")).out, (dir / "x/a_b.wav") + "\n" + (dir / "x/a_b (2).wav") + "\n");
    // The first failure ends an extract; what was written stays.
    std::filesystem::remove_all(dir / "x");
    std::filesystem::create_directories(dir / "x/a_b (2).wav");
    const CliResult stopped = Cli("extract " + bank + Out("x"));
    EXPECT_EQ(std::make_tuple(stopped.code, stopped.out, stopped.err.substr(stopped.err.find('\n'))),
              std::make_tuple(1, (dir / "x/a_b.wav") + "\n", "\nkobacli: extract stopped after 1 of 2 files\n"));
    const CliResult several = Cli("convert " + bank + Out("one.wav")),
                    named = Cli("convert " + bank + Out("one.wav") + " --item a_b");
    EXPECT_EQ(std::make_tuple(several.code, several.err),
              std::make_tuple(2,
                              "kobacli: the file has more than one item this format can save; choose one with "
                              "--item:\n  0x80000000  wavesample  a/b\n  0x80000001  wavesample  a_b\n"));
    EXPECT_EQ(std::make_tuple(named.code, named.err.substr(named.err.find('\n'))),
              std::make_tuple(2, "\n  0x80000001  wavesample  a_b\n  0x44000001  instrument  a_b\n"));
    for (const char* id : {"0x80000001", "80000001"})
        EXPECT_EQ(Cli("convert --item " + std::string(id) + " " + bank + Out("one.wav")).code, 0);
}

// A patch cut short still reads, and says how much is missing; names in a file come out as
// the same letters whether stored as UTF-8 or Latin-1.
TEST_F(Kobacli, CutShortInputIsSaidAndNamesKeepTheirLetters)
{
    std::vector<std::uint8_t> patch = ReadFileBytes(FreepatsPath("Tone_000/000_Acoustic_Grand_Piano.pat"));
    patch.resize(patch.size() - 1000);
    WriteFileBytes(dir / "cut.pat", patch);
    const CliResult cut = Cli("info" + Out("cut.pat"));
    EXPECT_EQ(std::make_tuple(cut.code, cut.err),
              std::make_tuple(0, "Attention!: " + (dir / "cut.pat") + " is cut short; 500 of its samples are missing\n"));

    WriteBankOfNames(dir / "names.sbk", {"Fl\xC3\xBCgel", "\xE9t\xE9"});  // UTF-8, Latin-1
    EXPECT_EQ(Cli("extract" + Out("names.sbk") + Out("x")).out,
              (dir / "x/Flügel.wav") + "\n" + (dir / "x/été.wav") + "\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "x/été.wav"));
}

TEST_F(Kobacli, ExitCodesAndMessageForms)
{
    WriteFileBytes(dir / "noise.bin", std::vector<std::uint8_t>(600, 0x33));
    const std::string noise = Quoted(dir / "noise.bin");
    const std::tuple<std::string, int, std::string> cases[] = {
        // arguments, exit code, start of stderr
        {"", 2, "usage: kobacli"},
        {"frobnicate", 2, "kobacli: unknown command frobnicate\n"},
        {"info " + in + " --bogus", 2, "kobacli: unknown option --bogus\n"},
        {"convert " + in, 2, "kobacli: convert takes FILE and OUT\n"},
        {"info" + Out("missing.wav"), 1,
         "WaveStore::Imp: Couldn't open input file: " + (dir / "missing.wav") + " (No such file or directory)\n"},
        {"convert " + in + Out("x.wave"), 2, "kobacli: no file format has the extension .wave (kobacli formats"},
        {"extract " + in + Out("e") + " --to xyz", 2,
         "kobacli: no file format has the extension .xyz (kobacli formats"},
        {"convert " + in + Out("x.wav") + " --item bank", 1, "wav_Write: Export type not supported by .WAV\n"},
        {"info " + noise, 1, "kobacli: " + (dir / "noise.bin") + ": the file's format was not recognised\nto read it"},
        {"info " + noise + " --raw-type pcm12", 2, "kobacli: --raw-type takes"},
        {"info " + noise + " --raw-rate 0", 2, "kobacli: --raw-rate takes a whole number from 1 to 1073741823\n"},
        {"info " + noise + " --raw-size 4294967296", 2,
         "kobacli: --raw-size takes a whole number from 0 to 4294967295\n"},
        {"convert --item nothing " + in + Out("y.wav"), 2, "kobacli: no item nothing"},
        {"extract " + in + Out("e") + " --kind instrument --to wav", 2,
         "kobacli: wav files cannot hold a instrument\n"},
    };
    for (const auto& [arguments, code, err] : cases) {
        const CliResult r = Cli(arguments);
        EXPECT_EQ(std::make_tuple(r.code, r.err.substr(0, err.size())), std::make_tuple(code, err)) << arguments;
    }
    const CliResult silent = Cli("play " + in, "PULSE_SERVER=unix:/nonexistent KOBA_AUDIO_API=pulse ");
    EXPECT_EQ(std::make_tuple(silent.code, silent.err), std::make_tuple(1, "dac_Write: Invalid WaveOut device\n"));
}

}  // namespace
