// The command line at start-up, through the window's host and its real boxes.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include "kit/import_fixture.h"
#include "shell/main_window.h"
#include "shell/modal_answers.h"
#include "shell/qt_host.h"

namespace {

// Records the programs it would start.
struct StartingHost : QtHost {
    using QtHost::QtHost;
    bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        started.push_back(program);
        for (const std::string& argument : arguments) started.back() += " " + argument;
        return true;
    }
    std::vector<std::string> started;
};

struct Startup : ::testing::Test {
    ProgramSettings settings;
    StartingHost host{settings};
    KobaStore store{host};
    ModalAnswers modals;
};

TEST(StartupMode, TheAudioPlayerIsMinusApInAnyCaseAsTheFirstArgumentOnly)
{
    for (QString line : {"koba -AP", "koba -aP x.wav"})
        EXPECT_TRUE(IsAudioPlayerMode(line.split(' '))) << line.toStdString();
    for (QString line : {"koba x.wav -AP", "koba -APX", "koba"})
        EXPECT_FALSE(IsAudioPlayerMode(line.split(' '))) << line.toStdString();
}

TEST_F(Startup, ThePlayerAloneShowsItsSyntaxAndAFileItCannotReadItsErrorBeforeTheNext)
{
    EXPECT_EQ(RunAudioPlayer(store, host, {"koba", "-AP"}), 0);
    const TempFile raw("take.bin", Bytes{}.Zeros(100));
    const QString path = QString::fromStdString(raw.Path());
    modals.presses = {"OK", "Cancel"};  // the second raw file is read as raw data
    EXPECT_EQ(RunAudioPlayer(store, host, {"koba", "-AP", "/nonexistent.wav", path, path}), 0);
    const std::string unknown = "Unknown file type!|information and treat it as raw data.";
    EXPECT_EQ(modals.shown,
              (std::vector<std::string>{"Attention!|SYNTAX: KOBA -AP FileName [MoreFileNames]",
                                        "WaveStore::Imp|Couldn't open input file", unknown, "*_Read|Cancelled", unknown,
                                        "0 : unnamed wave Properties|Advanced",
                                        "dac_Write|Writing this format is not supported yet"}));
}

TEST_F(Startup, TheFirstFileOpensInTheWindowEachFurtherOneInAnInstanceOfItsOwn)
{
    DialogRunner dialogs;
    MainWindow window(store, host, dialogs);
    OpenCommandLineFiles(window, host, "/opt/koba/koba", {"koba", "/nonexistent.wav", "b.wav", "c.pat"});
    EXPECT_EQ(modals.shown, std::vector<std::string>{"WaveStore::Imp|Couldn't open input file"});  // by this window
    EXPECT_EQ(host.started, (std::vector<std::string>{"/opt/koba/koba b.wav", "/opt/koba/koba c.pat"}));
}

}  // namespace
