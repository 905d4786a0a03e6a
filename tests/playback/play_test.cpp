// Auditioning on the cards: each driver's loader command lines (recorded by stand-in loader
// scripts), its configuration section and MIDI messages; the size limits; the frame's
// failures, the release of the output to a loader and the giving up after 60 tries.
#include "playback/play.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "formats/format_kit.h"
#include "kit/fake_midi.h"

namespace {

enum Card { kGus, kWaveFront, kAwe, kSoftware };

struct Auditioning : WriterFixture {
    FakeMidi midi;
    FakeSynth synth{midi.sent};
    TempDir programDir, tempDir;
    std::string ini = dir / "ULTRASND.INI";
    bool prepared = Prepare();
    Play play{store, host};
    bool Prepare()
    {
        midi.outputs = {"Midi Through", "UltraSound", "WaveFront Synth", "Emu8000 Port 0", "UltraSound 2"};
        host.midi = &midi, host.synth = &synth;
        host.programFolder = programDir.Path() + "/";
        for (const char* loader : {"AWELOAD.EXE", "WFSLOAD.EXE"}) {
            std::ofstream(programDir / loader) << "#!/bin/sh\necho \"$0 $*\" >> " << programDir / "log"
                                               << "\n";
            ::chmod((programDir / loader).c_str(), 0700);
        }
        std::ofstream(ini) << "[Melodic Bank 0]\r\n0=acpiano\r\n[Melodic Bank 999]\r\nold=1\r\n[Drum Bank 0]\r\n";
        setenv("ULTRADIR", dir.Path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", tempDir.Path().c_str(), 1);
        return ::chmod(tempDir.Path().c_str(), 0700) == 0;
    }
    // The loaders' command lines once `count` have run (they are not waited for).
    std::vector<std::string> Loaders(std::size_t count)
    {
        std::vector<std::string> lines;
        for (int tries = 0; tries < 500 && lines.size() < count; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            lines.clear();
            std::ifstream log(programDir / "log");
            for (std::string line; std::getline(log, line);) lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    std::string Ini()
    {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(ini);
        return {bytes.begin(), bytes.end()};
    }
};

TEST_F(Auditioning, EachCardLoadsThroughItsOwnSoftwareAndMessages)
{
    NewWave(1, "w", Ramp(64, 2), 16);
    const std::string temp = tempDir.Path() + "/KOBA.", loader = programDir.Path() + "/";
    struct Case {
        Card card;
        std::vector<std::string> loaders, sent, cached;
    };
    const Case cases[] = {
        {kGus, {}, {"b1 07 7f", "c0 00", "80 3c 40"}, {"0/fit/0/1", "0/drop/0/1", "999/drop/0/1", "999/fit/223/1"}},
        {kWaveFront,
         {loader + "WFSLOAD.EXE __INIT__", loader + "WFSLOAD.EXE 0 " + temp + "WFP", loader + "WFSLOAD.EXE __RESET__"},
         {"c0 00", "80 3c 40"}},
        {kAwe,
         {loader + "AWELOAD.EXE 127 " + temp + "SBK", loader + "AWELOAD.EXE 127"},
         {"b0 00 7f", "b0 20 00", "c0 00", "80 3c 40"}},
        {kSoftware, {}, {"open", "load " + temp + "PAT", "80 3c 40", "close"}},
    };
    for (const Case& c : cases) {
        std::remove((programDir / "log").c_str());
        midi.sent.clear(), midi.opened.clear();
        ASSERT_TRUE(play.DevOpen(-1, c.card)) << Failure();
        if (c.card == kGus) {
            EXPECT_EQ(Ini(),
                      "[Melodic Bank 0]\r\n0=acpiano\r\n[Melodic Bank 999]\r\nBankName=VEK-Software temporary "
                      "bank\r\nPatchDir=" +
                          tempDir.Path() + "/\r\n0=KOBA\r\n[Drum Bank 0]\r\n");
        }
        EXPECT_TRUE(play.DevLoad(kWaveKind | 1)) << Failure();
        play.Thru({0x93, 60, 0});
        play.DevClose();
        std::vector<std::string> loaders = c.loaders;
        std::sort(loaders.begin(), loaders.end());
        EXPECT_EQ(Loaders(c.loaders.size()), loaders);
        EXPECT_EQ(midi.sent, c.sent);
        const std::size_t opens = c.card == kAwe ? 2 : c.card == kSoftware ? 0 : 1;
        EXPECT_EQ(midi.opened, std::vector<std::uint32_t>(opens, c.card + 1u));
        if (c.card == kGus) {
            EXPECT_EQ(midi.cached, c.cached);
        }
    }
    EXPECT_EQ(Ini(), "[Melodic Bank 0]\r\n0=acpiano\r\n[Melodic Bank 999]\r\n[Drum Bank 0]\r\n");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Auditioning, SizesAtTheCardsLimits)
{
    NewWave(1, "fits", Ramp(131072, 2), 16);
    NewWave(2, "too long", Ramp(131073, 2), 16);
    NewInstrument(1, "i", [](int) { return 1; });
    store.FetchInstrument(kInstrumentKind | 1)->layer.layerBytes = 1048577;
    struct Case {
        Card card;
        ItemId item;
        bool refused;
    };
    const Case cases[] = {{kWaveFront, kInstrumentKind | 1, false},
                          {kGus, kWaveKind | 1, false},
                          {kGus, kWaveKind | 2, true},
                          {kGus, kInstrumentKind | 1, true}};
    for (const Case& c : cases) {
        host.messages.clear();
        ASSERT_TRUE(play.DevOpen(-1, c.card)) << Failure();
        (void)play.DevLoad(c.item);
        const std::string caption = c.card == kGus ? "gus_DevOkay" : "wfs_DevOkay";
        EXPECT_EQ(host.Texts(caption), std::vector<std::string>(c.refused ? 1 : 0, "Patch to large")) << c.item;
    }
}

TEST_F(Auditioning, FailuresLeaveNoDeviceTheBankLoadsNothingAndTheAwe32OutputIsRetried60Times)
{
    NewWave(1, "w", Ramp(64, 2), 16);
    store.NewBank("b", 1);
    ASSERT_TRUE(play.DevOpen(-1, kAwe));
    EXPECT_TRUE(play.DevLoad(kBankId));
    ASSERT_TRUE(play.DevLoad(kWaveKind | 1)) << Failure();
    EXPECT_TRUE(std::filesystem::exists(tempDir / "KOBA.SBK"));
    midi.clearPatch0 = true;
    ASSERT_TRUE(play.DevOpen(-1, kGus));
    EXPECT_FALSE(play.DevLoad(kWaveKind | 1));
    EXPECT_EQ(LastError.message, "Couldn't load patch to GUS");
    struct Case {
        std::int32_t in, out;
        std::string error;
    };
    const Case cases[] = {{-1, 4, "Invalid idOutDev"},
                          {1, kAwe, "Couldn't open midi input device"},
                          {-1, kGus, "ULTRADIR variable not set"}};
    unsetenv("ULTRADIR");
    for (const Case& c : cases) {
        EXPECT_FALSE(play.DevOpen(c.in, c.out));
        EXPECT_EQ(LastError.message, c.error);
        EXPECT_FALSE(play.IsOpen());
    }
    EXPECT_FALSE(std::filesystem::exists(tempDir / "KOBA.SBK"));  // closed by the first new open
    ASSERT_TRUE(play.DevOpen(-1, kAwe));
    midi.refusals = 3;
    ASSERT_TRUE(play.DevLoad(kWaveKind | 1)) << Failure();
    EXPECT_EQ(std::make_tuple(host.waits, play.IsOpen()), std::make_tuple(3, true));
    midi.refusals = 60;
    ASSERT_TRUE(play.DevLoad(kWaveKind | 1)) << Failure();
    EXPECT_EQ(std::make_tuple(host.waits, play.IsOpen()), std::make_tuple(63, false));
    EXPECT_EQ(Loaders(4).size(), 4u);  // the loads' and the close's
    EXPECT_EQ(host.Texts("Attention!"),
              std::vector<std::string>{"midiOutOpen - Failed. Tried 60 times during 60 seconds. Giving up!"});
    midi.outputs.resize(1);
    Play noCards(store, host);
    EXPECT_FALSE(noCards.DevOpen(-1, kAwe));
    host.settings.mtEnable = 0;
    EXPECT_TRUE(noCards.DevOpen(0, kAwe));
    EXPECT_FALSE(noCards.IsOpen());
}

}  // namespace
