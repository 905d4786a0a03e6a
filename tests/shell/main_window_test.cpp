// The window: tree shapes, status lines, deleting, renaming, the context menu and Save As.
#include "shell/main_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QStatusBar>
#include <QTreeWidget>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"
#include "shell/qt_host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

// Questions answered from a queue and recorded; property sheets recorded, not shown.
class TestHost : public QtHost {
public:
    explicit TestHost(ProgramSettings& settings) : QtHost(settings) {}
    Answer Ask(const Message& message) override
    {
        messages.push_back(message);
        if (answers.empty() || message.buttons == Buttons::Ok) return message.defaultAnswer;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowItemProperties(WaveStore&, ItemId item, int page) override { sheets.push_back({item, page}); }
    std::vector<Message> messages;
    std::deque<Answer> answers;
    std::vector<std::pair<ItemId, int>> sheets;
};

// Answers each Save or Open dialog with the next scripted choice: a file name typed, and the
// filter chosen (by its index); records what the dialog offered.
class ScriptedDialogs : public DialogRunner {
public:
    struct Choice {
        QString file;
        int filter = -1;  // -1 keeps the dialog's selection
    };
    bool Run(QFileDialog& dialog) override
    {
        offeredFilters.push_back(dialog.nameFilters());
        offeredFilter.push_back(dialog.selectedNameFilter());
        offeredName.push_back(dialog.selectedFiles().isEmpty() ? QString() : QFileInfo(dialog.selectedFiles().front()).fileName());
        titles.push_back(dialog.windowTitle());
        if (choices.empty()) return false;
        const Choice choice = choices.front();
        choices.pop_front();
        if (choice.filter >= 0) dialog.selectNameFilter(dialog.nameFilters()[choice.filter]);
        dialog.selectFile(choice.file);
        return true;
    }
    std::deque<Choice> choices;
    std::vector<QStringList> offeredFilters;
    std::vector<QString> offeredFilter;
    std::vector<QString> offeredName;
    std::vector<QString> titles;
};

struct WindowFixture : ::testing::Test {
    ProgramSettings settings;
    TestHost host{settings};
    WaveStore store{host};
    ScriptedDialogs dialogs;
    MainWindow window{store, host, dialogs};
    TempDir dir;

    // Lines "text#id" of the tree, indented by depth.
    std::vector<std::string> TreeLines() const
    {
        std::vector<std::string> lines;
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            char id[16];
            std::snprintf(id, sizeof id, "#%08x", item->data(0, Qt::UserRole).toUInt());
            lines.push_back(std::string(2 * depth, ' ') + item->text(0).toStdString() + id);
            for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < window.Tree()->topLevelItemCount(); ++i) walk(window.Tree()->topLevelItem(i), 0);
        return lines;
    }
    QTreeWidgetItem* Find(ItemId id, int skip = 0) const
    {
        for (QTreeWidgetItemIterator it(window.Tree()); *it != nullptr; ++it) {
            if ((*it)->data(0, Qt::UserRole).toUInt() == id && skip-- == 0) return *it;
        }
        return nullptr;
    }
    void Select(ItemId id, int skip = 0)
    {
        QTreeWidgetItem* item = Find(id, skip);
        ASSERT_NE(item, nullptr);
        window.Tree()->setCurrentItem(item);
    }
    // A bank of two instruments (two wavesamples and one), as a SoundFont.
    std::string TwoInstrumentBank()
    {
        ScriptedHost quiet;
        WaveStore source(quiet);
        source.NewBank("Kit", 3);
        WriteFileBytes(dir / "data.raw", std::vector<std::uint8_t>(400, 1));
        for (std::uint32_t i = 1; i <= 3; ++i) {
            const char* names[] = {"", "kick", "snare", "hat"};
            WavesampleRec& w = *source.NewWavesample(i, std_Copy, names[i], static_cast<int>(std::strlen(names[i])));
            std::strcpy(w.sourcePath, (dir / "data.raw").c_str());
            w.bits = 16, w.bytesPerSample = 2, w.isSigned = 1, w.length = 50, w.owner = NO_ITEM;
        }
        const auto instrument = [&](std::uint32_t index, const char* name, std::vector<KeyRegion> regions) {
            InstrumentRec& i = *source.NewInstrument(index, NO_ITEM, name, static_cast<int>(std::strlen(name)));
            i.layer.regionCount = static_cast<int>(regions.size());
            for (std::size_t r = 0; r < regions.size(); ++r) {
                i.layer.regions[r] = regions[r];
                source.FetchWave(regions[r].wave)->owner = kInstrumentKind | index;
            }
        };
        instrument(1, "Drums", {{0x80000001, 0, 40}, {0x80000002, 41, 127}});
        instrument(2, "Hats", {{0x80000003, 0, 127}});
        EXPECT_TRUE(source.Exp(dir / "kit.sbk", kBankId)) << LastError.message;
        return dir / "kit.sbk";
    }
    std::string OneWave()
    {
        WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(3000)));
        EXPECT_EQ(::Run("sox -t raw -r 22050 -e signed -b 16 -c 1 " + Quoted(dir / "in.raw") + " " + Quoted(dir / "one.wav")), 0);
        return dir / "one.wav";
    }
};

using Window = WindowFixture;

TEST_F(Window, AFileWithoutInstrumentsShowsItsWavesamplesUnderTheRoot)
{
    WriteFileBytes(dir / "noise.bin", std::vector<std::uint8_t>(1000, 7));
    window.ShowOpenedFile(QString::fromStdString(dir / "noise.bin"));
    EXPECT_EQ(host.sheets, (std::vector<std::pair<ItemId, int>>{{0x80000001, 1}}));  // the raw data page
    EXPECT_EQ(TreeLines(), (std::vector<std::string>{"Generic Raw Audio File#20000000", "  0 : unnamed wave#80000001"}));
    EXPECT_EQ(window.windowTitle(), "noise.bin");
    EXPECT_EQ(window.statusBar()->currentMessage(), "File loaded.");
}

TEST_F(Window, OneInstrumentHasNoAllWavesamplesFolder)
{
    window.ShowOpenedFile(QString::fromStdString(OneWave()));
    EXPECT_EQ(TreeLines(), (std::vector<std::string>{"Ms Windows wave file#20000000", "  0 : unnamed inst#40000001",
                                                     "    0 : unnamed wave#80000001"}));
}

TEST_F(Window, TwoInstrumentsListEveryWavesampleInAllWavesamples)
{
    window.ShowOpenedFile(QString::fromStdString(TwoInstrumentBank()));
    EXPECT_EQ(TreeLines(), (std::vector<std::string>{
                               "Kit#20000000", "  Drums#44000000", "    kick#80000000", "    snare#80000001",
                               "  Hats#44000002", "    hat#80000002", "  All Wavesamples#10000000", "    kick#80000000",
                               "    snare#80000001", "    hat#80000002"}));
}

TEST_F(Window, SelectingShowsTheStatusLineOfEachKind)
{
    window.ShowOpenedFile(QString::fromStdString(TwoInstrumentBank()));
    const std::pair<ItemId, const char*> cases[] = {
        {0x80000000, "Wave: [0:60:40], 0Ks, 22kHz, 16b"},
        {0x44000000, "Inst: 2 waves, 0KB"},
        {kBankId, "Bank: Emu SoundFonts Bank / SB AWE32"},
        {kFolderKind, "Folder: Contains all wavesamples"},
    };
    for (const auto& [id, line] : cases) {
        Select(id);
        EXPECT_EQ(window.SelectedItem(), id);
        EXPECT_EQ(window.statusBar()->currentMessage().toStdString(), line);
    }
}

TEST_F(Window, DeletingAWavesampleUnderAnInstrumentClearsItsKeysButKeepsIt)
{
    window.ShowOpenedFile(QString::fromStdString(TwoInstrumentBank()));
    Select(0x80000000);
    host.answers.push_back(Answer::Ok);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(window.Tree(), &del);
    ASSERT_EQ(host.messages.back().text, "Delete selected item?");
    EXPECT_EQ(host.messages.back().caption, "Attention!");
    const InstrumentRec& drums = *store.FetchInstrument(0x44000000);
    ASSERT_EQ(drums.layer.regionCount, 1);
    EXPECT_EQ(drums.layer.regions[0].wave, 0x80000001u);
    EXPECT_EQ(drums.layer.keyMap[10], NO_ITEM);
    EXPECT_NE(store.FetchWave(0x80000000), nullptr);
    EXPECT_EQ(Find(0x80000000)->parent()->data(0, Qt::UserRole).toUInt(), kFolderKind);  // still in the folder
    EXPECT_EQ(window.SelectedItem(), NO_ITEM);

    Select(0x44000002);
    host.answers.push_back(Answer::Cancel);
    QApplication::sendEvent(window.Tree(), &del);
    EXPECT_NE(store.FetchInstrument(0x44000002), nullptr);
    host.answers.push_back(Answer::Ok);
    QApplication::sendEvent(window.Tree(), &del);
    EXPECT_EQ(store.FetchInstrument(0x44000002), nullptr);
    EXPECT_EQ(Find(0x44000002), nullptr);
}

TEST_F(Window, ARenamedItemKeepsAtMost80Characters)
{
    window.ShowOpenedFile(QString::fromStdString(OneWave()));
    QTreeWidgetItem* item = Find(0x80000001);
    item->setText(0, QString(100, 'x'));
    EXPECT_EQ(std::string(store.FetchWave(0x80000001)->name), std::string(80, 'x'));
    EXPECT_EQ(item->text(0), QString(80, 'x'));
}

TEST_F(Window, TheContextMenuDependsOnTheSelection)
{
    window.ShowOpenedFile(QString::fromStdString(OneWave()));
    EXPECT_EQ(window.ContextMenuTexts(), (QStringList{"Open New File...", "", "Help"}));
    Select(0x80000001);
    EXPECT_EQ(window.ContextMenuTexts(),
              (QStringList{"Save As...", "Audio Player...", "Properties...", "", "Open New File...", "", "Help"}));
}

TEST_F(Window, CommandsNeedingASelectionDoNothingWithoutOne)
{
    window.ShowOpenedFile(QString::fromStdString(OneWave()));
    for (int command : {kSaveAs, kProperties, kAudioPlayer, kCopy}) window.RunCommand(command);
    EXPECT_TRUE(dialogs.titles.empty());
    EXPECT_TRUE(host.sheets.empty());
    EXPECT_TRUE(host.messages.empty());
    Select(0x80000001);
    window.RunCommand(kProperties);
    EXPECT_EQ(host.sheets, (std::vector<std::pair<ItemId, int>>{{0x80000001, 0}}));
}

TEST_F(Window, SaveAsOffersTheRowsOfTheKindAndProposesTheName)
{
    window.ShowOpenedFile(QString::fromStdString(TwoInstrumentBank()));
    Select(0x44000000);
    window.RunCommand(kSaveAs);  // cancelled
    ASSERT_EQ(dialogs.offeredFilters.size(), 1u);
    EXPECT_EQ(dialogs.offeredFilters[0],
              (QStringList{"'DAC' - Digital Audio Playback Device (*.'DAC')", "PAT - Advanced Gravis UltraSound Patch (*.pat)",
                           "SBK - Emu SoundFonts Bank / SB AWE32 (*.sbk)", "TXT - Ascii Text Description (*.txt)",
                           "WFP - Turtle Beach WaveFront Program (*.wfp)"}));
    EXPECT_EQ(dialogs.titles[0], "Save instrument: Drums");
    EXPECT_EQ(dialogs.offeredName[0], "Drums");
    Select(kBankId);
    window.RunCommand(kSaveAs);
    EXPECT_EQ(dialogs.offeredFilters[1].size(), 4);  // 'DAC', sbk, txt, wfb
    Select(kFolderKind);
    window.RunCommand(kSaveAs);
    EXPECT_EQ(dialogs.offeredFilters[2], (QStringList{"TXT - Ascii Text Description (*.txt)"}));
}

TEST_F(Window, SaveAsAppendsTheExtensionAsksBeforeReplacingAndRemembersTheChoice)
{
    window.ShowOpenedFile(QString::fromStdString(OneWave()));
    Select(0x80000001);
    const QString target = QString::fromStdString(dir / "saved");
    WriteFileBytes(dir / "saved.wav", {1, 2, 3});
    const int wav = 11;  // 'DAC', 'CLIP', au, aif, iff, pat, raw, sbk, sds, snd, txt, wav, wfp
    dialogs.choices = {{target, wav}, {target, wav}};
    host.answers = {Answer::No, Answer::Yes};
    window.RunCommand(kSaveAs);
    ASSERT_EQ(dialogs.titles.size(), 2u);  // "No" showed the dialog again
    EXPECT_EQ(dialogs.offeredName[1], "saved.wav");
    EXPECT_EQ(host.messages[0].text, "File already exists!\nOverwrite it?");
    EXPECT_EQ(host.messages[0].caption, (dir / "saved.wav"));
    EXPECT_EQ(host.messages[0].buttons, Buttons::YesNoCancel);
    EXPECT_GT(ReadFileBytes(dir / "saved.wav").size(), 3u);
    EXPECT_EQ(window.statusBar()->currentMessage(), "Item saved");
    EXPECT_EQ(settings.szLastOutDir, dir.Path());
    EXPECT_EQ(settings.LastExp[3], 12u);
    window.RunCommand(kSaveAs);
    EXPECT_EQ(dialogs.offeredFilter.back(), "WAV - Ms Windows PCM waves (*.wav)");
}

TEST_F(Window, DoubleClickInTheTreeOpensOrSavesAndRightClickIsTheWindows)
{
    window.show();
    window.ShowOpenedFile(QString::fromStdString(OneWave()));
    QWidget* viewport = window.Tree()->viewport();
    const auto doubleClick = [&] {
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        EXPECT_FALSE(QApplication::sendEvent(viewport, &click) && click.isAccepted() && false);
        QCoreApplication::processEvents();
    };
    doubleClick();
    ASSERT_EQ(dialogs.titles.size(), 1u);
    EXPECT_EQ(dialogs.titles[0], "Open New File");
    EXPECT_EQ(window.Tree()->toolTip(), "");  // the first Open takes the tooltip away
    Select(0x80000001);
    doubleClick();
    ASSERT_EQ(dialogs.titles.size(), 2u);
    EXPECT_EQ(dialogs.titles[1].toStdString(), "Save wavesample: 0 : unnamed wave");
}

TEST_F(Window, ADroppedFileOpensTheFirstOnly)
{
    const QString first = QString::fromStdString(OneWave());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile("/nonexistent.wav")});
    window.show();
    const QPointF inTree = window.Tree()->viewport()->mapTo(&window, QPointF(20, 20));
    QDragEnterEvent enter(inTree.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(inTree, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    for (int i = 0; i < 10 && window.windowTitle() != "one.wav"; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(window.windowTitle(), "one.wav");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(TreeLines().size(), 3u);
}

}  // namespace
