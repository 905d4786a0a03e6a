// The program options: the wave output device list and its choice, Cancel keeping the settings,
// and the uninstall asked for, run, said and ending the program.
#include "shell/options_sheet.h"

#include <QComboBox>

#include "shell/shell_fixture.h"

namespace {

using Options = Shell;

TEST_F(Options, TheDeviceIsChosenByPositionCancelKeepsItAndUninstallEndsTheProgram)
{
    devices.names = {"Built-in Audio", "USB Headset"};
    settings.dacOutDev = 1;
    for (const bool ok : {false, true}) {
        OptionsSheet sheet(host, play, [] {}, &window);
        auto* list = sheet.findChild<QComboBox*>("waveOut");
        EXPECT_EQ(std::make_tuple(list->count(), list->currentText()), std::make_tuple(2, "USB Headset"));
        list->setCurrentIndex(0);
        ok ? sheet.accept() : sheet.reject();
    }
    EXPECT_EQ(settings.dacOutDev, 0u);

    int uninstalls = 0;
    window.SetUninstall([&] { ++uninstalls; });
    window.show();
    presses = {"Unistall...", "Cancel", "Unistall...", "OK", "OK"};
    window.RunCommand(kOptions);
    QCoreApplication::processEvents();
    const std::string sheet = "KOBA Program Properties|General", ask = "Uninstall - KOBA|Continue?";
    EXPECT_EQ(shown, (std::vector<std::string>{sheet, ask, sheet, ask,
                                               "Uninstall - KOBA|You may manually now remove all the program files."}));
    EXPECT_EQ(std::make_tuple(uninstalls, window.isVisible()), std::make_tuple(1, false));
}

}  // namespace
