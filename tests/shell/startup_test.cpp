// The command line at start-up: the audio player mode and files beyond the first.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "shell/main_window.h"
#include "shell/qt_host.h"
#include "store/wave_store.h"

namespace {

// Records the programs started instead of starting them.
class StartingHost : public ScriptedHost {
public:
    bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        started.push_back({program, arguments});
        return true;
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
};

TEST(Startup, AudioPlayerModeIsRecognisedInAnyCase)
{
    EXPECT_TRUE(IsAudioPlayerMode({"koba", "-AP"}));
    EXPECT_TRUE(IsAudioPlayerMode({"koba", "-ap", "x.wav"}));
    EXPECT_FALSE(IsAudioPlayerMode({"koba", "x.wav", "-AP"}));
    EXPECT_FALSE(IsAudioPlayerMode({"koba"}));
}

TEST(Startup, AudioPlayerAloneShowsItsSyntax)
{
    StartingHost host;
    WaveStore store(host);
    EXPECT_EQ(RunAudioPlayer(store, host, {"koba", "-AP"}), 0);
    EXPECT_EQ(host.Texts("Attention!"), (std::vector<std::string>{"KOBA Audio Player\n\nSYNTAX: KOBA -AP FileName [MoreFileNames]"}));
}

TEST(Startup, AnUnreadableFileShowsItsErrorAndTheNextFollows)
{
    StartingHost host;
    WaveStore store(host);
    TempFile raw("take.bin", Bytes{}.Zeros(100));
    host.QueueAnswer(Answer::Cancel);  // "Unknown file type!": not as raw data
    EXPECT_EQ(RunAudioPlayer(store, host, {"koba", "-AP", "/nonexistent.wav", QString::fromStdString(raw.Path())}), 0);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].caption, "WaveStore::Imp");
    EXPECT_EQ(host.messages[1].caption, "Unknown file type!");
    EXPECT_EQ(host.messages[2].caption, "*_Read");
}

// The window's host without boxes: every question gets its default.
class QuietHost : public QtHost {
public:
    using QtHost::QtHost;
    Answer Ask(const Message& message) override
    {
        asked.push_back(message.caption);
        return message.defaultAnswer;
    }
    std::vector<std::string> asked;
};

TEST(Startup, FurtherFilesStartInstancesOfTheirOwn)
{
    ProgramSettings settings;
    QuietHost windowHost(settings);
    WaveStore store(windowHost);
    DialogRunner dialogs;
    MainWindow window(store, windowHost, dialogs);
    StartingHost host;
    OpenCommandLineFiles(window, host, "/opt/koba/koba", {"koba", "/nonexistent.wav", "b.wav", "c.pat"});
    EXPECT_EQ(windowHost.asked, (std::vector<std::string>{"WaveStore::Imp"}));  // the first file, here
    ASSERT_EQ(host.started.size(), 2u);
    EXPECT_EQ(host.started[0].first, "/opt/koba/koba");
    EXPECT_EQ(host.started[0].second, (std::vector<std::string>{"b.wav"}));
    EXPECT_EQ(host.started[1].second, (std::vector<std::string>{"c.pat"}));
}

}  // namespace
