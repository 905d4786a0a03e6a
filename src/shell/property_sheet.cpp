// The item property sheet and its pages.
#include "shell/property_sheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/help_window.h"
#include "shell/text.h"
#include "store/data_format.h"
#include "store/property_rules.h"
#include "store/wave_store.h"

namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, int maxLength = 32)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

template <class Button>
Button* NamedButton(QWidget* parent, const char* name, const QString& text, bool checked)
{
    auto* button = new Button(text, parent);
    button->setObjectName(name);
    button->setChecked(checked);
    return button;
}

std::string Std(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

class WavesamplePage : public PropertyPage {
public:
    WavesamplePage(WavesampleRec& wave, QWidget* parent) : PropertyPage(parent), wave_(wave)
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QString::fromStdString(WavesampleSummary(wave)), this));
        auto* general = new QGroupBox("General", this);
        auto* generalForm = new QFormLayout(general);
        rootKey_ = Edit(general, "rootKey", QString::number(wave.rootKey));
        volume_ = Edit(general, "volume", QString::number(wave.volume));
        pan_ = Edit(general, "pan", QString::number(wave.pan));
        generalForm->addRow("RootKey:", rootKey_);
        generalForm->addRow("Volume:", volume_);
        generalForm->addRow("Pan:", pan_);
        layout->addWidget(general);
        auto* loop = new QGroupBox("Loop", this);
        auto* loopForm = new QFormLayout(loop);
        const LoopBoxes boxes = LoopBoxesOf(wave.loopFlags);
        enabled_ = NamedButton<QCheckBox>(loop, "loopEnabled", "Enabled", boxes.enabled);
        bidirectional_ = NamedButton<QCheckBox>(loop, "bidirectional", "Bidirectional", boxes.bidirectional);
        reverse_ = NamedButton<QCheckBox>(loop, "reverse", "Reverse", boxes.reverse);
        release_ = NamedButton<QCheckBox>(loop, "release", "Sampled release", boxes.release);
        auto* flags = new QHBoxLayout;
        for (QCheckBox* box : {enabled_, bidirectional_, reverse_, release_}) flags->addWidget(box);
        loopForm->addRow(flags);
        start_ = Edit(loop, "loopStart", QString::fromStdString(LoopPointText(wave.loopStart, wave.loopStartFrac)));
        end_ = Edit(loop, "loopEnd", QString::fromStdString(LoopPointText(wave.loopEnd, wave.loopEndFrac)));
        loopForm->addRow("Start:", start_);
        loopForm->addRow("End:", end_);
        layout->addWidget(loop);
    }
    std::string Problem() const override
    {
        std::uint32_t start = 0, end = 0;
        std::uint8_t fraction = 0;
        ReadLoopPoint(Std(start_), start, fraction);
        ReadLoopPoint(Std(end_), end, fraction);
        return LoopProblem(start, end, wave_.length);
    }
    void Apply() override
    {
        wave_.rootKey = ReadMidiValue(Std(rootKey_));
        wave_.volume = ReadMidiValue(Std(volume_));
        wave_.pan = ReadMidiValue(Std(pan_));
        wave_.loopFlags = LoopFlagsOf({enabled_->isChecked(), bidirectional_->isChecked(), reverse_->isChecked(),
                                       release_->isChecked()});
        ReadLoopPoint(Std(start_), wave_.loopStart, wave_.loopStartFrac);
        ReadLoopPoint(Std(end_), wave_.loopEnd, wave_.loopEndFrac);
    }
    const char* HelpTopic() const override { return "wavesample"; }

private:
    WavesampleRec& wave_;
    QLineEdit *rootKey_, *volume_, *pan_, *start_, *end_;
    QCheckBox *enabled_, *bidirectional_, *reverse_, *release_;
};

class AdvancedPage : public PropertyPage {
public:
    AdvancedPage(WavesampleRec& wave, std::uint32_t fileSize, QWidget* parent)
        : PropertyPage(parent), wave_(wave), fileSize_(fileSize)
    {
        const DataFormatChoice choice = DataFormatInitial(wave);
        auto* layout = new QVBoxLayout(this);
        auto* type = new QGroupBox("Data type", this);
        auto* typeLayout = new QHBoxLayout(type);
        const std::pair<const char*, const char*> kinds[] = {{"pcm8", "8 bit PCM"}, {"pcm16", "16 bit PCM"},
                                                             {"mulaw", "mu-Law"}, {"alaw", "A-Law"}};
        int id = 1;
        for (const auto& [name, text] : kinds) {
            auto* radio = NamedButton<QRadioButton>(type, name, text, static_cast<int>(choice.type) == id);
            types_.addButton(radio, id++);
            typeLayout->addWidget(radio);
        }
        layout->addWidget(type);
        auto* boxes = new QHBoxLayout;
        signed_ = NamedButton<QCheckBox>(this, "signed", "Signed", choice.isSigned);
        stereo_ = NamedButton<QCheckBox>(this, "stereo", "Stereo", choice.stereo);
        swap_ = NamedButton<QCheckBox>(this, "byteSwap", "Byte Swap", choice.byteSwap);
        for (QCheckBox* box : {signed_, stereo_, swap_}) boxes->addWidget(box);
        layout->addLayout(boxes);
        auto* form = new QFormLayout;
        rate_ = Edit(this, "frequency", QString::number(choice.sampleRate));
        offset_ = Edit(this, "offset", QString::number(choice.dataOffset));
        size_ = Edit(this, "size", QString::number(choice.sampleSize));
        form->addRow("Frequency:", Unit(rate_, "Hz"));
        form->addRow("Sample offset:", Unit(offset_, "Bytes"));
        form->addRow("Sample size:", Unit(size_, "Bytes"));
        layout->addLayout(form);
        layout->addWidget(new QLabel("Note! Incorrect settings will most likely result in garbled sound", this));
    }
    void Apply() override
    {
        DataFormatChoice choice;
        choice.type = static_cast<DataType>(std::max(types_.checkedId(), 0));
        choice.isSigned = signed_->isChecked();
        choice.stereo = stereo_->isChecked();
        choice.byteSwap = swap_->isChecked();
        choice.sampleRate = rate_->text().toUInt();
        choice.dataOffset = offset_->text().toUInt();
        choice.sampleSize = size_->text().toUInt();
        DataFormatApply(choice, wave_, fileSize_);
    }
    const char* HelpTopic() const override { return "advanced"; }

private:
    QWidget* Unit(QLineEdit* edit, const char* unit)
    {
        auto* row = new QWidget(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(edit);
        layout->addWidget(new QLabel(unit, row));
        return row;
    }

    WavesampleRec& wave_;
    std::uint32_t fileSize_;
    QButtonGroup types_;
    QCheckBox *signed_, *stereo_, *swap_;
    QLineEdit *rate_, *offset_, *size_;
};

class InstrumentPage : public PropertyPage {
public:
    InstrumentPage(InstrumentRec& instrument, QWidget* parent) : PropertyPage(parent), instrument_(instrument)
    {
        auto* layout = new QFormLayout(this);
        layout->addRow(new QLabel(QString::fromStdString(InstrumentTotal(instrument)), this));
        note_ = Edit(this, "note", NameText(instrument.note), 80);
        volume_ = Edit(this, "volume", QString::number(instrument.layer.volume));
        layout->addRow("Notice:", note_);
        layout->addRow("Volume:", volume_);
    }
    void Apply() override
    {
        SetName(instrument_.note, note_->text());
        instrument_.layer.volume = ReadMidiValue(Std(volume_));
    }
    const char* HelpTopic() const override { return "instrument"; }

private:
    InstrumentRec& instrument_;
    QLineEdit *note_, *volume_;
};

class TextPage : public PropertyPage {
public:
    TextPage(const QString& text, const char* topic, QWidget* parent) : PropertyPage(parent), topic_(topic)
    {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        (new QVBoxLayout(this))->addWidget(label);
    }
    void Apply() override {}
    const char* HelpTopic() const override { return topic_; }

private:
    const char* topic_;
};

}  // namespace

PropertySheet::PropertySheet(WaveStore& store, ItemId item, int firstPage, QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget(this))
{
    const void* record = store.Fetch(item);
    if (record == nullptr) return;
    setWindowTitle(NameText(static_cast<const char*>(record)) + " Properties");
    if (WavesampleRec* wave = store.FetchWave(item)) {
        AddPage(new WavesamplePage(*wave, tabs_), "Wavesample");
        AddPage(new AdvancedPage(*wave, store.fileSize, tabs_), "Advanced");
    } else if (InstrumentRec* instrument = store.FetchInstrument(item)) {
        AddPage(new InstrumentPage(*instrument, tabs_), "Instrument");
    } else if (IsFolder(item)) {
        AddPage(new TextPage("This special item contains all the wavesamples to be found in the opened file. It may be "
                             "usefull if you're going to export to a format that only support wavesamples.",
                             "folder", tabs_),
                "Folder");
    } else if (const BankRec* bank = store.FetchBank(); bank != nullptr && IsBank(item)) {
        const ImportFormat* row = GetImportFormat(store, store.formatIndex);
        AddPage(new TextPage("Source file:\n" + NameText(bank->path) + "\n\nSource type:\n" +
                                 QString::fromUtf8(row != nullptr ? row->description : ""),
                             "bank", tabs_),
                "Bank File");
    }
    tabs_->setCurrentIndex(std::clamp(firstPage, 0, std::max(tabs_->count() - 1, 0)));
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowHelp(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

void PropertySheet::AddPage(PropertyPage* page, const QString& title)
{
    pages_.push_back(page);
    tabs_->addTab(page, title);
}

void PropertySheet::accept()
{
    // Values a record cannot take are refused, saying which, and the sheet stays open.
    for (PropertyPage* page : pages_) {
        const std::string problem = page->Problem();
        if (problem.empty()) continue;
        tabs_->setCurrentWidget(page);
        QMessageBox::warning(this, "Attention!", QString::fromStdString(problem));
        return;
    }
    for (PropertyPage* page : pages_) page->Apply();
    QDialog::accept();
}

void PropertySheet::ShowHelp()
{
    if (const auto* page = dynamic_cast<const PropertyPage*>(tabs_->currentWidget()))
        ShowHelpTopic(page->HelpTopic(), this);
}
