#include "shell/options_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "host/wave_out.h"
#include "playback/play.h"
#include "shell/help_window.h"
#include "shell/item_icons.h"
#include "shell/qt_host.h"

constexpr char kUninstallCaption[] = "Uninstall - KOBA";

namespace {

QWidget* Signature(QWidget* page)
{
    auto* icon = new QLabel(page);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    return icon;
}

}  // namespace

OptionsSheet::OptionsSheet(QtHost& host, Play& play, std::function<void()> uninstall, QWidget* owner)
    : QDialog(owner),
      host_(host),
      play_(play),
      uninstall_(std::move(uninstall)),
      working_(host.Settings()),
      waveOut_(new QComboBox),
      enable_(new QCheckBox("Enable")),
      midiIn_(new QComboBox),
      synth_(new QComboBox)
{
    setWindowTitle("KOBA Program Properties");
    auto* tabs = new QTabWidget;
    tabs->addTab(GeneralPage(), "General");
    tabs->addTab(AuditioningPage(), "Auditioning");
    connect(tabs, &QTabWidget::currentChanged, this, [this](int page) { auditioningShown_ |= page == 1; });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowHelpTopic("options", this); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

QWidget* OptionsSheet::GeneralPage()
{
    auto* general = new QWidget;
    auto* player = new QGroupBox("Audio Player:", general);
    auto* playerLayout = new QGridLayout(player);
    playerLayout->addWidget(new QLabel("WaveOut:"), 0, 0);
    playerLayout->addWidget(waveOut_, 0, 1);
    waveOut_->setObjectName("waveOut");
    if (WaveOutDevices* devices = host_.WaveOutput()) {
        for (const std::string& name : devices->Names()) waveOut_->addItem(QString::fromStdString(name));
    }
    waveOut_->setCurrentIndex(static_cast<int>(working_.dacOutDev));
    auto* program = new QGroupBox("Program:", general);
    auto* uninstallButton = new QPushButton("Unistall...", program);
    (new QVBoxLayout(program))->addWidget(uninstallButton);
    connect(uninstallButton, &QPushButton::clicked, this, [this] { Uninstall(); });
    auto* page = new QGridLayout(general);
    page->addWidget(player, 0, 0, 1, 2);
    page->addWidget(program, 1, 0, 1, 2);
    page->addWidget(Signature(general), 2, 0);
    page->addWidget(new QLabel("VEK-Software"), 2, 1);
    return general;
}

QWidget* OptionsSheet::AuditioningPage()
{
    auto* page = new QWidget;
    auto* frame = new QGroupBox(page);
    auto* grid = new QGridLayout(frame);
    auto* inLabel = new QLabel("MIDI-Input:");
    auto* synthLabel = new QLabel("WaveSynth:");
    grid->addWidget(enable_, 0, 0, 1, 2);
    grid->addWidget(inLabel, 1, 0);
    grid->addWidget(midiIn_, 1, 1);
    grid->addWidget(synthLabel, 2, 0);
    grid->addWidget(synth_, 2, 1);
    enable_->setObjectName("enable");
    midiIn_->setObjectName("midiIn");
    synth_->setObjectName("synth");
    std::string name;
    bool present = false;
    for (std::uint32_t index = 0; play_.Device(index, name, present); ++index) {
        if (!present) continue;
        synth_->addItem(QString::fromStdString(name), index);
    }
    synth_->setCurrentIndex(synth_->findData(working_.mtOutDev));  // none when that one is not there
    midiIn_->addItem("Dummy device");
    for (const std::string& input : play_.InputNames()) midiIn_->addItem(QString::fromStdString(input));
    midiIn_->setCurrentIndex(working_.mtInDev + 1);
    auditioningControls_ = {midiIn_, inLabel, synth_, synthLabel};
    enable_->setChecked(working_.mtEnable != 0);
    EnableAuditioningControls();
    connect(enable_, &QCheckBox::clicked, this, [this] {
        working_.mtEnable = working_.mtEnable == 0 ? 1 : 0;
        EnableAuditioningControls();
    });
    auto* layout = new QGridLayout(page);
    layout->addWidget(frame, 0, 0, 1, 2);
    layout->addWidget(Signature(page), 1, 0);
    layout->addWidget(new QLabel("VEK-Software"), 1, 1);
    return page;
}

void OptionsSheet::EnableAuditioningControls()
{
    for (QWidget* control : auditioningControls_) control->setEnabled(working_.mtEnable != 0);
}

void OptionsSheet::accept()
{
    if (waveOut_->currentIndex() >= 0) working_.dacOutDev = static_cast<std::uint32_t>(waveOut_->currentIndex());
    if (!auditioningShown_) {
        host_.Settings() = working_;
        return QDialog::accept();
    }
    working_.mtInDev = midiIn_->currentIndex() - 1;
    const QVariant synth = synth_->currentData();
    working_.mtOutDev = synth.isValid() ? synth.toInt() : -1;
    play_.DevClose();
    host_.Settings() = working_;
    if (!play_.DevOpen(working_.mtInDev, working_.mtOutDev)) ShowLastError(host_);
    QDialog::accept();
}

void OptionsSheet::Uninstall()
{
    const Answer answer =
        host_.Ask({"Warning! Uninstall may affect all users\nof KOBA on this computer and/or "
                   "network\n\nContinue?",
                   kUninstallCaption, Buttons::OkCancel, MessageIcon::Error, Answer::Cancel});
    if (answer != Answer::Ok) return;
    uninstall_();
    host_.Ask({"Registry cleaned up!\n\nYou may manually now remove all the program files.", kUninstallCaption});
    uninstalled_ = true;
    reject();
}
