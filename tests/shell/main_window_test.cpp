// The window on real files: tree, status line, deleting, renaming, menus, Save As, mouse and drops.
#include "shell/main_window.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QStatusBar>
#include <QTreeWidget>

#include "kit/tools.h"
#include "shell/shell_fixture.h"
#include "store/item_view.h"

namespace {

const QString kFairyLake = KOBA_SHARED_TESTDATA "/sbk/The_Fairy_Lake.OLD.sbk",
              kEcho = KOBA_SHARED_TESTDATA "/sbk/Echo.OLD.sbk";

// The tree below `item` as "text(children, ...)".
std::string Outline(const QTreeWidgetItem* item)
{
    std::string text = item->text(0).toStdString() + (item->childCount() > 0 ? "(" : "");
    for (int i = 0; i < item->childCount(); ++i) text += (i > 0 ? ", " : "") + Outline(item->child(i));
    return text + (item->childCount() > 0 ? ")" : "");
}

struct Window : Shell {
    // The real banks come with the workplace's shared test files, beside the tree.
    void SetUp() override
    {
        if (!QFileInfo::exists(kFairyLake) || !QFileInfo::exists(kEcho)) GTEST_SKIP() << "no ../shared/testdata here";
    }

    QTreeWidgetItem* Find(ItemId id) const
    {
        QTreeWidgetItemIterator it(window.Tree());
        while (*it != nullptr && (*it)->data(0, Qt::UserRole).toUInt() != id) ++it;
        return *it;
    }
    void Select(ItemId id) { window.Tree()->setCurrentItem(Find(id)); }
    std::string Status() const { return window.statusBar()->currentMessage().toStdString(); }
    void Delete(const QString& press)
    {
        presses.push_back(press);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(window.Tree(), &del);
    }
};

// HALO shows under its instrument and in the folder: deleting the one under the instrument keeps
// the other; renaming keeps 80 characters.
TEST_F(Window, TheTreeStatusLineAndCommandsFollowTheSelectionDeletingAsksAndRenamingKeeps80Characters)
{
    window.ShowOpenedFile(kFairyLake);
    QTreeWidgetItem* root = window.Tree()->invisibleRootItem();
    EXPECT_EQ(Outline(root), "(The Fairy Lake SBK (Halopad - Short(HALO), Sea(SEA), All Wavesamples(HALO, SEA)))");
    EXPECT_EQ(window.windowTitle() + " " + Status().c_str(), "The_Fairy_Lake.OLD.sbk File loaded.");
    EXPECT_EQ(window.ContextMenuTexts(), (QStringList{"Open New File...", "", "Help"}));
    for (int command : {kSaveAs, kProperties, kAudioPlayer, kCopy}) window.RunCommand(command);
    EXPECT_TRUE(offered.empty() && shown.empty());
    Select(0x8000000a);
    EXPECT_EQ(std::make_tuple(window.SelectedItem(), Status()),
              std::make_tuple(0x8000000au, "Wave: [12:72:107], 23Ks, 44kHz, 16b"));
    EXPECT_EQ(window.ContextMenuTexts(),
              (QStringList{"Save As...", "Audio Player...", "Properties...", "", "Open New File...", "", "Help"}));
    Delete("OK");
    EXPECT_EQ(ItemSummary(store, 0x44000000) + "|" + Status(), "Inst: 0 waves, 0KB|");  // nothing is selected
    Select(0x8000000a);
    window.Tree()->currentItem()->setText(0, QString(100, 'x'));
    EXPECT_EQ(std::string(store.FetchWave(0x8000000a)->name), std::string(80, 'x'));
    window.RunCommand(kProperties);
    Select(0x44000000);
    Delete("Cancel");
    Delete("OK");
    EXPECT_EQ(store.FetchInstrument(0x44000000), nullptr);
    EXPECT_EQ(Outline(root), "(The Fairy Lake SBK (Sea(SEA), All Wavesamples(" + std::string(80, 'x') + ", SEA)))");
    const std::string ask = "Attention!|Delete selected item?";
    EXPECT_EQ(shown, (std::vector<std::string>{ask, std::string(80, 'x') + " Properties|Wavesample", ask, ask}));
}

TEST_F(Window, SaveAsOffersTheKindsRowsAsksBeforeReplacingAndRemembersTheChoice)
{
    window.ShowOpenedFile(kFairyLake);
    for (ItemId id : {0x44000000u, kFolderKind, 0x8000000au}) {
        Select(id);
        window.RunCommand(kSaveAs);  // cancelled
    }
    EXPECT_EQ(offered[0][0] + "|" + offered[0][2], "Save instrument: Halopad - Short|Halopad - Short");
    EXPECT_EQ(offered[0].mid(3 + 5),  // after 'DAC', pat, sbk, txt, wfp
              (QStringList{"SF2 - SoundFont 2 bank (*.sf2)", "SFZ - SFZ instrument (*.sfz)"}));
    EXPECT_EQ(offered[1].mid(3), (QStringList{"TXT - Ascii Text Description (*.txt)"}));
    const int wav = offered[2].indexOf("WAV - Ms Windows PCM waves (*.wav)") - 3;
    WriteFileBytes(dir / "saved.wav", {1, 2, 3});
    choices = {{QString::fromStdString(dir / "saved"), wav}, {QString::fromStdString(dir / "saved"), wav}};
    presses = {"No", "Yes"};
    window.RunCommand(kSaveAs);
    EXPECT_EQ(std::make_tuple(offered.size(), offered.back()[2]), std::make_tuple(5u, "saved.wav"));  // "No": again
    EXPECT_EQ(shown, std::vector<std::string>(2, dir / "saved.wav|Overwrite it?"));
    EXPECT_EQ(FindWaveChunks(ReadFileBytes(dir / "saved.wav")).dataSize, 2 * store.FetchWave(0x8000000a)->length);
    EXPECT_EQ(std::make_tuple(Status(), settings.szLastOutDir, settings.LastExp[3]),
              std::make_tuple("Item saved", dir.Path(), wav + 1u));
}

TEST_F(Window, DoubleClickOpensOrSavesAndADropOpensTheFirstFile)
{
    window.show();
    window.ShowOpenedFile(kFairyLake);
    QWidget* viewport = window.Tree()->viewport();
    for (ItemId id : {NO_ITEM, 0x8000000au}) {
        Select(id);
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &click);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(offered.at(0)[0] + "|" + offered.at(1)[0], "Open New File|Save wavesample: HALO");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(kEcho), QUrl::fromLocalFile("/nonexistent")});
    const QPointF inTree = viewport->mapTo(&window, QPointF(20, 20));
    QDragEnterEvent enter(inTree.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(inTree, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    for (int i = 0; i < 10 && window.windowTitle() != "Echo.OLD.sbk"; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(std::make_tuple(enter.isAccepted(), window.windowTitle(), window.Tree()->topLevelItemCount(), shown),
              std::make_tuple(true, "Echo.OLD.sbk", 1, std::vector<std::string>{}));
}

// A bank of KOBA's own: names stored as UTF-8 and as Latin-1 show as the same letters, and a
// name cut to the bank's field keeps whole letters; a save that gives things up says so in one
// box; a failed open leaves a clean, empty window.
TEST_F(Shell, NamesShowAsTheirLettersLossesComeInOneBoxAndAFailedOpenLeavesAnEmptyWindow)
{
    WriteBankOfNames(dir / "names.sbk", {"Piano: Fl\xC3\xBCgel, gro\xC3\x9F" "e", "\xE9t\xE9"});  // UTF-8, Latin-1

    window.ShowOpenedFile(QString::fromStdString(dir / "names.sbk"));
    EXPECT_EQ(Outline(window.Tree()->invisibleRootItem()),
              "(Names(Piano: Flügel, gro(Piano: Flügel, gro), été(été), All Wavesamples(Piano: Flügel, gro, été)))");
    ASSERT_TRUE(store.Exp(dir / "out.pat", kWaveKind));
    window.ShowOpenedFile(QString::fromStdString(dir / "missing.pat"));
    EXPECT_EQ(std::make_tuple(window.windowTitle(), window.statusBar()->currentMessage(), window.Tree()->topLevelItemCount()),
              std::make_tuple("KOBA v2.0", "", 0));
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "Attention!|- Names cut to 7 characters",
                         "WaveStore::Imp|Couldn't open input file: " + (dir / "missing.pat") +
                             " (No such file or directory)"}));
}

}  // namespace
