// The KOBA window: the tree of the opened file, its menus, the right-button menu and
// double-click actions, drag and drop, renaming and deleting items.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <functional>

#include "shell/file_dialogs.h"
#include "store/records.h"

class QTreeWidget;
class QTreeWidgetItem;
class QtHost;
class KeyStrip;
class Play;
class WaveStore;

enum Command {
    kOpen = 101,
    kSaveAs = 102,
    kAbout = 103,
    kHelp = 104,
    kProperties = 105,
    kExit = 106,
    kOptions = 107,
    kContextMenu = 108,
    kAudioPlayer = 109,
    kCopy = 110,
};

class MainWindow : public QMainWindow {
public:
    // `play` auditions the selected item and plays the on-screen keyboard's notes.
    MainWindow(WaveStore& store, QtHost& host, DialogRunner& dialogs, Play& play);
    ~MainWindow() override;

    // Reads a file into the store and shows its tree.
    void ShowOpenedFile(const QString& path);
    void RunCommand(int id);
    ItemId SelectedItem() const { return selected_; }
    QTreeWidget* Tree() const { return tree_; }
    KeyStrip* Keys() const { return keys_; }
    // The right-button menu's actions for the current selection, in order ("" for a separator).
    QStringList ContextMenuTexts() const;
    // What the options sheet's uninstall runs.
    void SetUninstall(std::function<void()> uninstall) { uninstall_ = std::move(uninstall); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void FillTree();
    void OnSelectionChanged();
    void OnLabelEdited(QTreeWidgetItem* item);
    void DeleteSelected();
    void ShowContextMenu();
    void PostCommand(int id);
    bool HandleMouse(QObject* watched, QMouseEvent* event);
    void LoadIntoSynth();

    WaveStore& store_;
    QtHost& host_;
    DialogRunner& dialogs_;
    Play& play_;
    QTreeWidget* tree_;
    KeyStrip* keys_;
    std::function<void()> uninstall_ = [] {};
    ItemId selected_ = NO_ITEM;
    bool hookActive_ = true;
    bool filling_ = false;
    QPoint clickPosition_;
};
