// The property pages: each kind's pages, Help on the current page's topic, and each edit reaching
// its field through its clamp on OK and none on Cancel.
#include "shell/property_sheet.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>

#include "shell/shell_fixture.h"
#include "store/copy_routines.h"

namespace {

using Sheet = Shell;

TEST_F(Sheet, EachKindHasItsPagesHelpShowsTheCurrentPagesTopicAndOkWritesEachEditThroughItsClamp)
{
    WavesampleRec& w = *store.NewWavesample(1, std_Copy, "w", 1);
    InstrumentRec& instrument = *store.NewInstrument(1, 1, "i", 1);
    store.NewFolder(0, "All Wavesamples");
    store.NewBank("b", 1);
    const std::tuple<ItemId, int, QString, QString> cases[] = {{0x80000001, 0, "Wavesample", "Wavesample properties"},
                                                               {0x80000001, 9, "Advanced", "Data format (Advanced)"},
                                                               {0x40000001, 0, "Instrument", "Instrument properties"},
                                                               {kFolderKind, 0, "Folder", "All Wavesamples"},
                                                               {kBankId, 0, "Bank File", "Bank file"}};
    for (const auto& [item, page, title, heading] : cases) {
        PropertySheet sheet(store, item, page);
        EXPECT_EQ(sheet.Tabs()->tabText(sheet.Tabs()->currentIndex()), title);
        sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
        const auto* browser = sheet.findChild<QTextBrowser*>("helpBrowser");
        ASSERT_NE(browser, nullptr);
        const QTextCursor at = browser->document()->find(heading, browser->document()->characterCount() - 1,
                                                         QTextDocument::FindBackward);  // the heading, not the contents
        EXPECT_TRUE(!at.isNull() && browser->viewport()->rect().contains(browser->cursorRect(at).center()))
            << title.toStdString();
    }
    EXPECT_FALSE(PropertySheet(store, 0x80000009, 0).HasPages());

    w.layout = SampleLayout{.bits = 16, .bytes = 2000};
    w.length = 1000, w.volume = 100, w.loopStart = 1000, w.loopStartFrac = 64, w.loopFlags = kLoopOn;
    store.fileSize = 2000;
    const auto values = [&] {
        const SampleLayout& l = w.layout;
        return std::make_pair(
            std::vector<std::uint64_t>{w.rootKey, w.volume, w.pan, w.loopStart, w.loopStartFrac, w.loopEnd, w.loopFlags,
                                       w.sampleRate, l.bits, l.channels, l.isSigned, l.offset, l.bytes, w.length,
                                       instrument.layer.volume},
            std::make_pair(l.coding, std::string(instrument.note)));
    };
    // Sets each "name=text" edit, or box ("on" ticks it), of the item's sheet, then presses the button.
    const auto fill = [&](ItemId item, const QStringList& fields, QDialogButtonBox::StandardButton button) {
        PropertySheet sheet(store, item, 0);
        for (const QString& field : fields) {
            const QString name = field.section('=', 0, 0), text = field.section('=', 1);
            if (auto* edit = sheet.findChild<QLineEdit*>(name)) edit->setText(text);
            if (auto* box = sheet.findChild<QAbstractButton*>(name)) box->setChecked(text == "on");
        }
        sheet.findChild<QDialogButtonBox*>()->button(button)->click();
    };
    const auto before = values();
    EXPECT_TRUE(PropertySheet(store, 0x80000001, 1).findChild<QAbstractButton*>("pcm16")->isChecked());
    for (auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
        EXPECT_EQ(values(), before);
        fill(0x80000001,
             {"rootKey=-5", "volume=200", "pan=40x", "loopStart=100.5", "loopEnd=900", "loopEnabled=off", "release=on",
              "frequency=8000", "alaw=on", "stereo=on", "signed=off", "offset=200"},
             button);
        fill(0x40000001, {"note=A note", "volume=-8"}, button);
    }
    // The data is cut to what the file holds after the offset: 1800 bytes, 900 stereo frames.
    EXPECT_EQ(values(), std::make_pair(std::vector<std::uint64_t>{0, 127, 40, 100, 128, 900, kLoopRelease, 8000, 8, 2,
                                                                  0, 200, 1800, 900, 0},
                                       std::make_pair(SampleCoding::ALaw, std::string("A note"))));
    // A loop outside the sample is refused with the field's range, and nothing is written.
    const auto edited = values();
    fill(0x80000001, {"loopEnd=901"}, QDialogButtonBox::Ok);
    fill(0x80000001, {"loopStart=500", "loopEnd=400"}, QDialogButtonBox::Ok);
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "Attention!|The loop end must lie between 0 and 900 (the sample's length)",
                         "Attention!|The loop start must lie between 0 and 400 (the loop end)"}));
    EXPECT_EQ(values(), edited);
}

}  // namespace
