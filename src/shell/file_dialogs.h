// The Open and Save As flows of the main window.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "store/records.h"

class QFileDialog;
class QtHost;
class WaveStore;

// Shows a file dialog; tests answer it without a window.
class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    virtual bool Run(QFileDialog& dialog);
};

// "All files", then one filter per import row: "WAV - Ms Windows wave file (*.wav)".
QStringList OpenFilters(const WaveStore& store);
// One filter per export row that takes the item's kind: "WAV - Ms Windows PCM waves (*.wav)".
QStringList SaveFilters(const WaveStore& store, ItemId item);
// Kind numbers of the remembered Save As choice: 0 bank file, 1 folder, 2 instrument, 3 wavesample.
int KindNumber(ItemId item);

// Lets the user pick a file and hands it to `open`.
void OpenSourceFile(QtHost& host, DialogRunner& runner, const WaveStore& store, const std::function<void(const QString&)>& open);
// Saves an item where the user says; true when it was saved.
bool SaveItemAs(WaveStore& store, QtHost& host, DialogRunner& runner, ItemId item);
