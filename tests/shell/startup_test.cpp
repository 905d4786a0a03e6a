// The command line at start-up, through the window's host and its real boxes.
#include "shell/startup.h"

#include "shell/shell_fixture.h"

namespace {

using Startup = Shell;

// As the program does: "-AP" in any case as the first argument plays each file named, else the
// window opens the first file and each further one starts an instance of its own.
TEST_F(Startup, EachCommandLineShowsItsBoxesAndStartsItsPrograms)
{
    const TempFile raw("take.bin", Bytes{}.Zeros(100));
    const QString path = QString::fromStdString(raw.Path());
    const std::string unknown = "Unknown file type!|information and treat it as raw data.",
                      missing = "WaveStore::Imp|Couldn't open input file: /nonexistent.wav (No such file or directory)";
    const std::tuple<QStringList, std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"koba", "-AP"}, {"Attention!|SYNTAX: KOBA -AP FileName [MoreFileNames]"}, {}},
        {{"koba", "-aP", "/nonexistent.wav", path, path},
         {missing, unknown, "*_Read|Cancelled", unknown, "0 : unnamed wave Properties|Advanced",
          "take.bin - KOBA Audio Player|Wave: 0 : unnamed wave 100 samples, 0 s",
          "take.bin - KOBA Audio Player|Wave: 0 : unnamed wave 100 samples, 0 s"},
         {}},
        {{"koba", "/nonexistent.wav", "b.wav", "-AP"}, {missing}, {"/opt/koba/koba b.wav", "/opt/koba/koba -AP"}},
        {{"koba", "-APX"}, {"WaveStore::Imp|Couldn't open input file: -APX (No such file or directory)"}, {}},
        {{"koba"}, {}, {}},
    };
    // The first raw file is cancelled, the second read as raw data and played twice.
    presses = {"OK", "OK", "Cancel", "OK", "OK", "OK", ">", ">> Next >>"};
    for (const auto& [args, boxes, programs] : cases) {
        shown.clear(), host.started.clear();
        if (IsAudioPlayerMode(args)) RunAudioPlayer(store, host, args);
        if (!IsAudioPlayerMode(args)) OpenCommandLineFiles(window, host, "/opt/koba/koba", args);
        EXPECT_EQ(std::tie(shown, host.started), std::tie(boxes, programs)) << args.join(' ').toStdString();
    }
    EXPECT_EQ(devices.plays, 2);
}

}  // namespace
