// The property pages: what they show, their clamps, and OK against Cancel.
#include "shell/property_sheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <cstring>
#include <gtest/gtest.h>

#include "kit/scripted_host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"

namespace {

struct SheetFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};

    WavesampleRec& Wave()
    {
        WavesampleRec& w = *store.NewWavesample(1, std_Copy, "w", 1);
        w.bits = 16, w.bytesPerSample = 2, w.isSigned = 1, w.length = 1000, w.loopStart = 1000, w.loopStartFrac = 64;
        w.loopFlags = 4;
        return w;
    }
    static void Type(PropertySheet& sheet, const char* name, const QString& text)
    {
        auto* edit = sheet.findChild<QLineEdit*>(name);
        ASSERT_NE(edit, nullptr) << name;
        edit->setText(text);
    }
};

using Pages = SheetFixture;

TEST_F(Pages, WavesamplePageShowsAndClamps)
{
    WavesampleRec& w = Wave();
    PropertySheet sheet(store, 0x80000001, 0);
    ASSERT_EQ(sheet.Tabs()->count(), 2);
    EXPECT_EQ(sheet.Tabs()->tabText(0), "Wavesample");
    EXPECT_EQ(sheet.Tabs()->tabText(1), "Advanced");
    EXPECT_EQ(sheet.findChild<QLineEdit*>("loopStart")->text(), "1000.25");
    EXPECT_TRUE(sheet.findChild<QCheckBox*>("loopEnabled")->isChecked());
    Type(sheet, "rootKey", "-5");
    Type(sheet, "volume", "200");
    Type(sheet, "pan", "abc");
    Type(sheet, "loopStart", "100.5");
    Type(sheet, "loopEnd", "900");
    sheet.findChild<QCheckBox*>("loopEnabled")->setChecked(false);
    sheet.findChild<QCheckBox*>("release")->setChecked(true);
    sheet.accept();
    EXPECT_EQ(w.rootKey, 0);
    EXPECT_EQ(w.volume, 127);
    EXPECT_EQ(w.pan, 0);
    EXPECT_EQ(w.loopStart, 100u);
    EXPECT_EQ(w.loopStartFrac, 128);
    EXPECT_EQ(w.loopEnd, 900u);
    EXPECT_EQ(w.loopFlags, kLoopRelease);  // the old bit 4 goes with the unticked box
}

TEST_F(Pages, CancelChangesNothing)
{
    WavesampleRec& w = Wave();
    PropertySheet sheet(store, 0x80000001, 1);
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 1);
    Type(sheet, "rootKey", "10");
    Type(sheet, "frequency", "8000");
    sheet.reject();
    EXPECT_EQ(w.rootKey, 60);
    EXPECT_EQ(w.sampleRate, 22050u);
}

TEST_F(Pages, AdvancedPageAppliesTheDataLayout)
{
    WavesampleRec& w = Wave();
    store.fileSize = 1000;
    PropertySheet sheet(store, 0x80000001, 1);
    EXPECT_TRUE(sheet.findChild<QRadioButton*>("pcm16")->isChecked());
    EXPECT_EQ(sheet.findChild<QLineEdit*>("size")->text(), "2000");
    sheet.findChild<QRadioButton*>("mulaw")->setChecked(true);
    Type(sheet, "offset", "200");
    Type(sheet, "size", "1000");
    sheet.accept();
    EXPECT_EQ(w.copyRoutine, mulaw_Copy);
    EXPECT_EQ(w.length, 800u);
    EXPECT_EQ(w.dataOffset, 200u);
}

TEST_F(Pages, InstrumentFolderAndBankPages)
{
    Wave();
    InstrumentRec& i = *store.NewInstrument(1, 1, "i", 1);
    i.waveCount = 3, i.totalBytes = 1536000;
    PropertySheet sheet(store, 0x40000001, 0);
    EXPECT_EQ(sheet.Tabs()->tabText(0), "Instrument");
    EXPECT_NE(sheet.findChild<QLabel*>()->text().indexOf("Total: 1 layers, 3 waves, 1500KB"), -1);
    Type(sheet, "note", "A note");
    Type(sheet, "volume", "300");
    sheet.accept();
    EXPECT_STREQ(i.note, "A note");
    EXPECT_EQ(i.layer.volume, 127);
    store.NewFolder(0, "All Wavesamples");
    EXPECT_EQ(PropertySheet(store, kFolderKind, 0).Tabs()->tabText(0), "Folder");
    store.formatIndex = 52;
    std::strcpy(store.NewBank(nullptr, 0)->path, "/music/x.wav");
    PropertySheet bank(store, kBankId, 0);
    EXPECT_EQ(bank.Tabs()->tabText(0), "Bank File");
    EXPECT_NE(bank.Tabs()->widget(0)->findChild<QLabel*>()->text().indexOf("Ms Windows wave file"), -1);
    EXPECT_FALSE(PropertySheet(store, 0x80000009, 0).HasPages());
}

}  // namespace
