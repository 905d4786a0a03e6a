// The Open and Save As flows of the main window.
#include "shell/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "shell/qt_host.h"
#include "shell/text.h"
#include "store/item_view.h"
#include "store/wave_store.h"

namespace {

// "*.*" is the pattern of every file where extensions are part of the file system's model.
QString Pattern(const char* extension)
{
    return QString(extension) == "*" ? QString("*") : QString("*.") + extension;
}

QString Filter(const char* extension, const char* description)
{
    return QString(extension).toUpper() + " - " + description + " (" + Pattern(extension) + ")";
}

// The folder part of a path (up to its last '/'); empty without one.
QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash);
}

}  // namespace

bool DialogRunner::Run(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

QStringList OpenFilters(const WaveStore& store)
{
    QStringList filters = {"All files (*)"};
    for (const ImportFormat& row : store.ImportRows()) filters << Filter(row.extension, row.description);
    return filters;
}

QStringList SaveFilters(const WaveStore& store, ItemId item)
{
    QStringList filters;
    for (const ExportFormat& row : store.ExportRows()) {
        if ((row.kindMask & item & kKindMask) != 0) filters << Filter(row.extension, row.description);
    }
    return filters;
}

int KindNumber(ItemId item)
{
    if ((item & kBankId) != 0) return 0;
    if ((item & kFolderKind) != 0) return 1;
    return (item & kInstrumentKind) != 0 ? 2 : 3;
}

void OpenSourceFile(QtHost& host, DialogRunner& runner, const WaveStore& store, const std::function<void(const QString&)>& open)
{
    QFileDialog dialog(host.Window(), "Open New File", FolderOf(QString::fromStdString(host.Settings().szLastFile)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(OpenFilters(store));
    if (runner.Run(dialog) && !dialog.selectedFiles().isEmpty()) open(dialog.selectedFiles().front());
}

bool SaveItemAs(WaveStore& store, QtHost& host, DialogRunner& runner, ItemId item)
{
    const auto* field = store.NameOf(item);
    if (field == nullptr) return false;
    const char* name = *field;
    const QStringList filters = SaveFilters(store, item);
    if (filters.isEmpty()) return false;
    ProgramSettings& settings = host.Settings();
    const int kind = KindNumber(item);
    QString chosenName = QString::fromStdString(ProposedFileName(name));
    int filterIndex = std::clamp<int>(static_cast<int>(settings.LastExp[kind]) - 1, 0, static_cast<int>(filters.size()) - 1);
    while (true) {
        QFileDialog dialog(host.Window(), QString("Save %1: %2").arg(KindWord(item), NameText(name)),
                           QString::fromStdString(settings.szLastOutDir));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[filterIndex]);
        dialog.selectFile(chosenName);
        if (!runner.Run(dialog) || dialog.selectedFiles().isEmpty()) return false;
        QString path = dialog.selectedFiles().front();
        filterIndex = std::max<int>(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())), 0);
        if (!QFileInfo(path).fileName().contains('.')) {
            const QString filter = filters[filterIndex];
            path += filter.mid(filter.lastIndexOf("(*") + 2).chopped(1);  // ".wav", ".'DAC'"
        }
        chosenName = QFileInfo(path).fileName();
        if (QFileInfo::exists(path)) {
            const Answer answer = host.Ask({"File already exists!\nOverwrite it?", path.toStdString(), Buttons::YesNoCancel,
                                            MessageIcon::Question, Answer::Yes});
            if (answer == Answer::Cancel) return false;
            if (answer == Answer::No) continue;
        }
        settings.szLastOutDir = FolderOf(path).toStdString();
        settings.LastExp[kind] = static_cast<std::uint32_t>(filterIndex + 1);
        if (store.Exp(path.toStdString(), item)) return true;
        ShowLastError(host);
        return false;
    }
}
