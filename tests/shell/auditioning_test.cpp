// Auditioning in the window: the options page's lists and apply rules, the selected item sent
// to the synthesizer, and the on-screen keyboard played through the thru path.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>

#include "shell/key_strip.h"
#include "shell/options_sheet.h"
#include "shell/shell_fixture.h"
#include "support/last_error.h"

namespace {

const QString kFairyLake = KOBA_SHARED_TESTDATA "/sbk/The_Fairy_Lake.OLD.sbk";
constexpr int kAwe = 2;

struct Auditioning : Shell {
    // Sets the sheet's controls as a user would and confirms (or cancels) it.
    void RunSheet(bool clickEnable, int input, bool ok)
    {
        OptionsSheet sheet(
            host, play, [] {}, &window);
        auto* tabs = sheet.findChild<QTabWidget*>();
        tabs->setCurrentIndex(1);
        if (clickEnable) sheet.findChild<QCheckBox*>("enable")->click();
        if (input >= 0) sheet.findChild<QComboBox*>("midiIn")->setCurrentIndex(input);
        ok ? sheet.accept() : sheet.reject();
    }
};

TEST_F(Auditioning, ThePageListsPresentSynthsAndItsApplyReopensTheThru)
{
    settings.mtEnable = 0, settings.mtInDev = 0, settings.mtOutDev = kAwe;
    {
        OptionsSheet sheet(
            host, play, [] {}, &window);
        auto* synths = sheet.findChild<QComboBox*>("synth");
        auto* inputs = sheet.findChild<QComboBox*>("midiIn");
        EXPECT_EQ(std::make_tuple(synths->count(), synths->itemText(1), synths->currentData().toInt(),
                                  inputs->itemText(0), inputs->currentText(), inputs->isEnabled()),
                  std::make_tuple(2, QString("KOBA Software Wavetable"), kAwe, QString("Dummy device"),
                                  QString("keyboard"), false));
    }
    struct Step {
        bool clickEnable;
        int input;
        bool ok;
        std::uint32_t enable;
        std::int32_t inDev;
        bool open;
    };
    const Step steps[] = {
        {true, 0, true, 1, -1, true},   // "Dummy device": an output, no input
        {true, 1, false, 1, -1, true},  // Cancel keeps everything
        {false, 1, true, 1, 0, true},   // the keyboard
        {true, -1, true, 0, 0, false},  // cleared: closed
    };
    for (const Step& s : steps) {
        RunSheet(s.clickEnable, s.input, s.ok);
        EXPECT_EQ(std::make_tuple(settings.mtEnable, settings.mtInDev, settings.mtOutDev, play.IsOpen()),
                  std::make_tuple(s.enable, s.inDev, kAwe, s.open));
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(Auditioning, TheSelectionIsLoadedAndTheKeysPlayOnChannel1)
{
    if (!QFileInfo::exists(kFairyLake)) GTEST_SKIP() << "no ../shared/testdata here";
    ASSERT_TRUE(play.DevOpen(-1, kAwe)) << LastError.message;
    window.show();
    window.ShowOpenedFile(kFairyLake);
    window.Tree()->setCurrentItem(window.Tree()->topLevelItem(0)->child(0));
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_TRUE(host.started[0].ends_with("AWELOAD.EXE 127 " + host.PrivateFolder() + "/KOBA.SBK")) << host.started[0];
    KeyStrip* keys = window.Keys();
    int x = 0;
    while (x < keys->width() && keys->KeyAt({x, keys->height() - 2}) != 60) ++x;
    const QPoint at(x, keys->height() - 2);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, at, keys->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(keys, &click);
    }
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Q, Qt::NoModifier, "q");
        QApplication::sendEvent(keys, &key);
    }
    EXPECT_EQ(midi.sent, (std::vector<std::string>{"b0 00 7f", "b0 20 00", "c0 00", "90 3c 64", "80 3c 40", "90 3c 64",
                                                   "80 3c 40"}));
}

}  // namespace
