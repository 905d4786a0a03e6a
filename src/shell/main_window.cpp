// The KOBA window.
#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "playback/play.h"
#include "shell/help_window.h"
#include "shell/item_icons.h"
#include "shell/key_strip.h"
#include "shell/options_sheet.h"
#include "shell/qt_host.h"
#include "shell/text.h"
#include "store/item_view.h"
#include "store/property_rules.h"
#include "store/wave_store.h"

namespace {

constexpr char kTitle[] = "KOBA v2.0";
constexpr char kTip[] = "Use right mouse button for context menu or left doubleclick for default action";
constexpr int kIdRole = Qt::UserRole;

ItemId IdOf(const QTreeWidgetItem* item)
{
    return item != nullptr ? item->data(0, kIdRole).toUInt() : NO_ITEM;
}

bool IsSelected(ItemId id)
{
    return (id & kKindMask) != 0;
}

QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, QTreeWidget* tree, const TreeNode& node)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, NameText(node.text.c_str()));
    item->setIcon(0, ItemIcon(node.image));
    item->setData(0, kIdRole, node.id);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    for (const TreeNode& child : node.children) AddNode(item, tree, child);
    return item;
}

}  // namespace

MainWindow::MainWindow(WaveStore& store, QtHost& host, DialogRunner& dialogs, Play& play)
    : store_(store),
      host_(host),
      dialogs_(dialogs),
      play_(play),
      tree_(new QTreeWidget),
      keys_(new KeyStrip([&play](MidiBytes note) { play.Thru(std::move(note)); }))
{
    setWindowTitle(kTitle);
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    tree_->setObjectName("tree");
    tree_->setHeaderHidden(true);
    tree_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tree_->setToolTip(kTip);
    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(tree_);
    column->addWidget(keys_);
    setCentralWidget(central);
    statusBar()->showMessage("");
    host_.SetWindow(this, statusBar());
    BuildMenus();
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { OnLabelEdited(item); });
    const QFontMetrics metrics(font());
    const int xUnit = std::max(1, metrics.averageCharWidth() / 4);
    const int yUnit = std::max(1, metrics.height() / 8);
    resize(std::max(94 * xUnit, 360), std::max(114 * yUnit, 440));  // room for long names
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    host_.SetWindow(nullptr, nullptr);
}

void MainWindow::BuildMenus()
{
    const auto add = [this](QMenu* menu, const char* text, int id) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        return action;
    };
    QMenu* file = menuBar()->addMenu("File");
    add(file, "Open New File...", kOpen);
    file->addSeparator();
    add(file, "Save Item As...", kSaveAs);
    add(file, "Run Audio Player", kAudioPlayer);
    add(file, "Copy to Clipboard", kCopy);
    add(file, "Item Properties...", kProperties);
    file->addSeparator();
    add(file, "Exit", kExit);
    QMenu* options = menuBar()->addMenu("Options");
    add(options, "Program...", kOptions);
    QMenu* help = menuBar()->addMenu("Help");
    add(help, "Help Topics", kHelp)->setShortcut(QKeySequence::HelpContents);
    help->addSeparator();
    add(help, "About KOBA", kAbout);
}

void MainWindow::ShowOpenedFile(const QString& path)
{
    tree_->clear();
    selected_ = NO_ITEM;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    host_.SetStatus("Reading data...");
    const bool read = store_.Imp(path.toStdString());
    QApplication::restoreOverrideCursor();
    if (!read) {
        // A clean, empty window: nothing of the file before, nothing of this one.
        setWindowTitle(kTitle);
        host_.SetStatus("");
        ShowLastError(host_);
        return;
    }
    setWindowTitle(QFileInfo(path).fileName());
    FillTree();
    host_.SetStatus("File loaded.");
}

void MainWindow::FillTree()
{
    filling_ = true;
    tree_->setUpdatesEnabled(false);
    QTreeWidgetItem* root = AddNode(nullptr, tree_, BuildItemTree(store_));
    tree_->clearSelection();
    root->setExpanded(true);
    tree_->setUpdatesEnabled(true);
    filling_ = false;
}

void MainWindow::RunCommand(int id)
{
    const bool hook = hookActive_;
    hookActive_ = false;  // menus and dialogs of a command get their right-clicks as usual
    const bool selected = IsSelected(selected_);
    switch (id) {
    case kOpen:
        tree_->setToolTip("");
        OpenSourceFile(host_, dialogs_, store_, [this](const QString& path) { ShowOpenedFile(path); });
        selected_ = NO_ITEM;
        break;
    case kSaveAs:
        if (selected && SaveItemAs(store_, host_, dialogs_, selected_)) host_.SetStatus("Item saved");
        break;
    case kAbout:
        QMessageBox::about(this, "About KOBA",
                           "KOBA v2.0 - Audio & Wavetable Instrument Converter & Player\n\n"
                           "Reads sampled sounds, tracker modules, sampler files and wavetable instruments, "
                           "and writes them in other formats.");
        break;
    case kHelp:
        ShowHelpTopic("contents", this);
        break;
    case kProperties:
        if (selected) {
            host_.ShowItemProperties(store_, selected_, 0);
            LoadIntoSynth();
        }
        break;
    case kExit:
        close();
        break;
    case kOptions: {
        OptionsSheet sheet(host_, play_, uninstall_, this);
        sheet.exec();
        tree_->clearSelection();
        if (sheet.Uninstalled()) PostCommand(kExit);
        break;
    }
    case kContextMenu:
        ShowContextMenu();
        break;
    case kAudioPlayer:
    case kCopy:
        if (selected && !store_.Exp(id == kAudioPlayer ? ".'DAC'" : ".'CLIP'", selected_)) ShowLastError(host_);
        break;
    default:
        break;
    }
    hookActive_ = hook;
}

void MainWindow::OnSelectionChanged()
{
    if (filling_) return;
    const QList<QTreeWidgetItem*> items = tree_->selectedItems();
    selected_ = items.isEmpty() ? NO_ITEM : IdOf(items.front());
    host_.SetStatus(ItemSummary(store_, selected_));
    LoadIntoSynth();
}

void MainWindow::LoadIntoSynth()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = play_.DevLoad(selected_);
    QApplication::restoreOverrideCursor();
    if (!loaded) ShowLastError(host_);
}

void MainWindow::OnLabelEdited(QTreeWidgetItem* item)
{
    if (filling_) return;
    auto* name = store_.NameOf(IdOf(item));
    if (name == nullptr) return;
    SetName(*name, item->text(0));
    filling_ = true;
    item->setText(0, NameText(*name));
    filling_ = false;
}

void MainWindow::DeleteSelected()
{
    QTreeWidgetItem* item = tree_->currentItem();
    if (!IsSelected(selected_) || item == nullptr) return;
    const Answer answer =
        host_.Ask({"Delete selected item?", "Attention!", Buttons::OkCancel, MessageIcon::Question, Answer::Ok});
    if (answer != Answer::Ok) return;
    DeleteFromTree(store_, selected_);
    filling_ = true;
    delete item;
    tree_->clearSelection();
    filling_ = false;
    selected_ = NO_ITEM;
    host_.SetStatus(ItemSummary(store_, selected_));
}

QStringList MainWindow::ContextMenuTexts() const
{
    QStringList texts;
    if (IsSelected(selected_)) texts << "Save As..." << "Audio Player..." << "Properties..." << "";
    texts << "Open New File..." << "" << "Help";
    return texts;
}

void MainWindow::ShowContextMenu()
{
    QMenu menu(this);
    const int ids[] = {kSaveAs, kAudioPlayer, kProperties, 0, kOpen, 0, kHelp};
    const QStringList texts = ContextMenuTexts();
    const int* id = IsSelected(selected_) ? ids : ids + 4;
    for (const QString& text : texts) {
        if (text.isEmpty()) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(text);
            const int command = *id;
            if (command == kSaveAs || (command == kOpen && !IsSelected(selected_))) menu.setDefaultAction(action);
            connect(action, &QAction::triggered, this, [this, command] { PostCommand(command); });
        }
        ++id;
    }
    menu.exec(clickPosition_);
}

void MainWindow::PostCommand(int id)
{
    QTimer::singleShot(0, this, [this, id] { RunCommand(id); });
}

// The application-wide mouse rules: the right button anywhere opens the context menu; a
// double-click in the tree saves the selected item, or opens a file when none is selected.
bool MainWindow::HandleMouse(QObject* watched, QMouseEvent* event)
{
    const bool inThisWindow = watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this;
    if (!hookActive_ || !inThisWindow) return false;
    if (event->button() == Qt::RightButton) {
        if (event->type() == QEvent::MouseButtonPress) {
            clickPosition_ = event->globalPosition().toPoint();
            PostCommand(kContextMenu);
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick && event->button() == Qt::LeftButton) {
        const QRect treeArea(tree_->mapToGlobal(QPoint(0, 0)), tree_->size());
        if (!treeArea.contains(event->globalPosition().toPoint())) return false;
        clickPosition_ = event->globalPosition().toPoint();
        PostCommand(IsSelected(selected_) ? kSaveAs : kOpen);
        return true;
    }
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return HandleMouse(watched, static_cast<QMouseEvent*>(event));
    case QEvent::KeyPress:
        if (watched == tree_ && static_cast<QKeyEvent*>(event)->key() ==
                                    Qt::Key_Delete) {  // while a label is edited its editor gets the keys
            DeleteSelected();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = urls.front().toLocalFile();  // further files are ignored
    QTimer::singleShot(0, this, [this, path] {
        ShowOpenedFile(path);
        selected_ = NO_ITEM;
    });
}
