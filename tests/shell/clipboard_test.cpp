// Copy to Clipboard on a real X display: another program reads a complete WAVE file back.
// Runs under Xvfb (its own CTest entry); headless runs skip it.
#include <QGuiApplication>
#include <QProcess>
#include <cstring>
#include <filesystem>

#include "shell/shell_fixture.h"
#include "store/copy_routines.h"
#include "support/last_error.h"

namespace {

using Clipboard = Shell;

TEST_F(Clipboard, AnotherProgramPastesTheWaveFile)
{
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    Bytes ramp;
    for (int i = 0; i < 2000; ++i) ramp.Le16(i * 16);
    WriteFileBytes(dir / "pcm", ramp.Data());
    WavesampleRec& w = *store.NewWavesample(1, std_Copy, "ramp", 4);
    std::strcpy(w.sourcePath, (dir / "pcm").c_str());
    w.layout = {.bits = 16, .channels = 2, .bytes = 4000}, w.length = 1000, w.sampleRate = 22050;
    ASSERT_TRUE(store.Exp(".'CLIP'", kWaveKind | 1)) << LastError.message;
    ASSERT_TRUE(store.Exp(dir / "same.wav", kWaveKind | 1));
    for (const char* type : {"audio/wav", "audio/x-wav"}) {
        QProcess paste;
        paste.start("xclip", {"-selection", "clipboard", "-t", type, "-o"});
        ASSERT_TRUE(paste.waitForStarted());
        while (paste.state() != QProcess::NotRunning) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);  // the clipboard answers from here
        }
        const QByteArray pasted = paste.readAllStandardOutput();
        EXPECT_EQ(std::vector<std::uint8_t>(pasted.begin(), pasted.end()), ReadFileBytes(dir / "same.wav")) << type;
    }
    EXPECT_FALSE(std::filesystem::exists(host.PrivateFolder() + "/KOBACLIP.WAV"));
}

}  // namespace
