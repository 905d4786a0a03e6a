// The item property sheet: "Wavesample" and "Advanced" for a wavesample, "Instrument",
// "Folder" or "Bank File" for the other kinds. Edits are written into the record on OK only.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "store/records.h"

class QTabWidget;
class WaveStore;

class PropertyPage : public QWidget {
public:
    using QWidget::QWidget;
    // Why the controls cannot be written into the record (empty when they can).
    virtual std::string Problem() const { return {}; }
    // Writes the page's controls into the record.
    virtual void Apply() = 0;
    // The help topic (an anchor of the help page) of the page.
    virtual const char* HelpTopic() const = 0;
};

class PropertySheet : public QDialog {
public:
    PropertySheet(WaveStore& store, ItemId item, int firstPage, QWidget* parent = nullptr);
    bool HasPages() const { return !pages_.empty(); }
    QTabWidget* Tabs() const { return tabs_; }
    void accept() override;

private:
    void AddPage(PropertyPage* page, const QString& title);
    void ShowHelp();

    QTabWidget* tabs_;
    std::vector<PropertyPage*> pages_;
};
