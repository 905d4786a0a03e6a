// The window on real files: tree, status line, deleting, renaming, menus, Save As, mouse and drops.
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QStatusBar>
#include <QTreeWidget>

#include "kit/import_fixture.h"
#include "kit/tools.h"
#include "shell/modal_answers.h"
#include "shell/qt_host.h"
#include "store/item_view.h"

namespace {

const std::string kFairyLake = KOBA_SHARED_TESTDATA "/sbk/The_Fairy_Lake.OLD.sbk",
                  kEcho = KOBA_SHARED_TESTDATA "/sbk/Echo.OLD.sbk";
const std::string kBells = FreepatsPath("Tone_000/014_Tubular_Bells.pat");

// Answers each file dialog with the next file and filter index, after recording what it offered:
// title, selected filter, proposed name, then every filter.
struct ScriptedDialogs : DialogRunner {
    bool Run(QFileDialog& dialog) override
    {
        const QStringList files = dialog.selectedFiles();
        offered.push_back(QStringList{dialog.windowTitle(), dialog.selectedNameFilter(),
                                      files.isEmpty() ? "" : QFileInfo(files[0]).fileName()} +
                          dialog.nameFilters());
        if (choices.empty()) return false;
        dialog.selectNameFilter(dialog.nameFilters()[choices.front().second]);
        dialog.selectFile(choices.front().first);
        choices.pop_front();
        return true;
    }
    std::deque<std::pair<QString, int>> choices;
    std::vector<QStringList> offered;
};

struct Window : ::testing::Test {
    ProgramSettings settings;
    QtHost host{settings};
    KobaStore store{host};
    ScriptedDialogs dialogs;
    MainWindow window{store, host, dialogs};
    TempDir dir;
    ModalAnswers modals;

    // The tree as "text#id" lines, indented by depth.
    std::vector<std::string> TreeLines() const
    {
        std::vector<std::string> lines;
        for (QTreeWidgetItemIterator it(window.Tree()); *it != nullptr; ++it) {
            int depth = 0;
            for (QTreeWidgetItem* up = (*it)->parent(); up != nullptr; up = up->parent()) ++depth;
            lines.push_back(std::string(2 * depth, ' ') + (*it)->text(0).toStdString() + "#" +
                            QString::number((*it)->data(0, Qt::UserRole).toUInt(), 16).toStdString());
        }
        return lines;
    }
    QTreeWidgetItem* Find(ItemId id) const
    {
        QTreeWidgetItemIterator it(window.Tree());
        while (*it != nullptr && (*it)->data(0, Qt::UserRole).toUInt() != id) ++it;
        return *it;
    }
    void Select(ItemId id) { window.Tree()->setCurrentItem(Find(id)); }
    std::string Status() const { return window.statusBar()->currentMessage().toStdString(); }
    void Open(const std::string& file) { window.ShowOpenedFile(QString::fromStdString(file)); }
    void Delete(const QString& press)
    {
        modals.presses.push_back(press);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(window.Tree(), &del);
    }
};

TEST_F(Window, TheTreeAndTheStatusLineOfEachKind)
{
    WriteFileBytes(dir / "noise.bin", std::vector<std::uint8_t>(1000, 7));
    const std::pair<std::string, std::vector<std::string>> files[] = {
        {dir / "noise.bin", {"Generic Raw Audio File#20000000", "  0 : unnamed wave#80000001"}},
        {kBells, {"Gravis Ultrasound / Forte Patch#20000000", "  Tubular Bells#40000001", "    UUBULAR#80000001"}},
        {kFairyLake,
         {"The Fairy Lake SBK #20000000", "  Halopad - Short#44000000", "    HALO#8000000a", "  Sea#44000001",
          "    SEA#8000000b", "  All Wavesamples#10000000", "    HALO#8000000a", "    SEA#8000000b"}}};
    for (const auto& [file, lines] : files) {
        Open(file);
        EXPECT_EQ(TreeLines(), lines) << file;
    }
    EXPECT_EQ(modals.shown, (std::vector<std::string>{"Unknown file type!|information and treat it as raw data.",
                                                      "0 : unnamed wave Properties|Advanced"}));
    EXPECT_EQ(window.windowTitle() + " " + Status().c_str(), "The_Fairy_Lake.OLD.sbk File loaded.");
    for (const auto& [id, line] : {std::pair{0x8000000au, "Wave: [12:72:107], 23Ks, 44kHz, 16b"},
                                   std::pair{kFolderKind, "Folder: Contains all wavesamples"}}) {
        Select(id);
        EXPECT_EQ(std::make_tuple(window.SelectedItem(), Status()), std::make_tuple(id, line));
    }
}

// Echo holds an instrument of four wavesamples (58KB), DEPPDR on key 30 the first.
TEST_F(Window, DeletingAWavesampleUnderAnInstrumentClearsItsKeysAndRecountsItButKeepsIt)
{
    Open(kEcho);
    Select(0x80000000);
    Delete("OK");
    EXPECT_EQ(modals.shown, std::vector<std::string>{"Attention!|Delete selected item?"});
    EXPECT_EQ(ItemSummary(store, 0x44000003) + "|" + Status(), "Inst: 3 waves, 30KB|");  // nothing is selected
    const InstrumentRec& owner = *store.FetchInstrument(0x44000003);
    EXPECT_EQ(std::make_tuple(owner.layer.regionCount, owner.layer.regions[0].wave), std::make_tuple(3, 0x80000001u));
    EXPECT_EQ(store.FetchWave(owner.layer.keyMap[30]), nullptr);                         // its key plays nothing
    EXPECT_EQ(Find(0x80000000)->parent()->data(0, Qt::UserRole).toUInt(), kFolderKind);  // still in the folder
    Select(0x44000000);
    Delete("Cancel");
    EXPECT_NE(store.FetchInstrument(0x44000000), nullptr);
    Delete("OK");
    EXPECT_TRUE(store.FetchInstrument(0x44000000) == nullptr && Find(0x44000000) == nullptr);
}

TEST_F(Window, RenamingKeepsAtMost80CharactersAndCommandsFollowTheSelection)
{
    Open(kBells);
    Find(0x80000001)->setText(0, QString(100, 'x'));
    EXPECT_EQ(std::string(store.FetchWave(0x80000001)->name), std::string(80, 'x'));
    EXPECT_EQ(Find(0x80000001)->text(0), QString(80, 'x'));
    EXPECT_EQ(window.ContextMenuTexts(), (QStringList{"Open New File...", "", "Help"}));
    for (int command : {kSaveAs, kProperties, kAudioPlayer, kCopy}) window.RunCommand(command);
    EXPECT_TRUE(dialogs.offered.empty() && modals.shown.empty());
    Select(0x80000001);
    EXPECT_EQ(window.ContextMenuTexts(),
              (QStringList{"Save As...", "Audio Player...", "Properties...", "", "Open New File...", "", "Help"}));
    window.RunCommand(kProperties);
    EXPECT_EQ(modals.shown, std::vector<std::string>{std::string(80, 'x') + " Properties|Wavesample"});
}

TEST_F(Window, SaveAsOffersTheKindsRowsAsksBeforeReplacingAndRemembersTheChoice)
{
    Open(kFairyLake);
    for (ItemId id : {0x44000000u, kFolderKind, 0x8000000au}) {
        Select(id);
        window.RunCommand(kSaveAs);  // cancelled
    }
    EXPECT_EQ(dialogs.offered[0][0] + "|" + dialogs.offered[0][2], "Save instrument: Halopad - Short|Halopad - Short");
    EXPECT_EQ(dialogs.offered[0].size(), 3 + 5);  // 'DAC', pat, sbk, txt, wfp
    EXPECT_EQ(dialogs.offered[1].mid(3), (QStringList{"TXT - Ascii Text Description (*.txt)"}));
    const int wav = dialogs.offered[2].indexOf("WAV - Ms Windows PCM waves (*.wav)") - 3;
    WriteFileBytes(dir / "saved.wav", {1, 2, 3});
    dialogs.choices = {{QString::fromStdString(dir / "saved"), wav}, {QString::fromStdString(dir / "saved"), wav}};
    modals.presses = {"No", "Yes"};
    window.RunCommand(kSaveAs);
    ASSERT_EQ(dialogs.offered.size(), 5u);  // "No" showed the dialog again
    EXPECT_EQ(dialogs.offered[4][2], "saved.wav");
    EXPECT_EQ(modals.shown, std::vector<std::string>(2, dir / "saved.wav|Overwrite it?"));
    EXPECT_EQ(FindWaveChunks(ReadFileBytes(dir / "saved.wav")).dataSize, 2 * store.FetchWave(0x8000000a)->length);
    EXPECT_EQ(Status(), "Item saved");
    EXPECT_EQ(std::make_tuple(settings.szLastOutDir, settings.LastExp[3]), std::make_tuple(dir.Path(), wav + 1u));
}

TEST_F(Window, DoubleClickOpensOrSavesAndADropOpensTheFirstFile)
{
    window.show();
    Open(kFairyLake);
    QWidget* viewport = window.Tree()->viewport();
    for (ItemId id : {NO_ITEM, 0x8000000au}) {
        Select(id);
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &click);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(dialogs.offered.size(), 2u);
    EXPECT_EQ(dialogs.offered[0][0] + "|" + dialogs.offered[1][0], "Open New File|Save wavesample: HALO");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kBells)), QUrl::fromLocalFile("/nonexistent")});
    const QPointF inTree = viewport->mapTo(&window, QPointF(20, 20));
    QDragEnterEvent enter(inTree.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(inTree, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    for (int i = 0; i < 10 && TreeLines().size() != 3; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(window.windowTitle(), "014_Tubular_Bells.pat");
    EXPECT_EQ(TreeLines().size(), 3u);
    EXPECT_TRUE(modals.shown.empty());
}

}  // namespace
