#include "shell/options_sheet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "host/wave_out.h"
#include "shell/help_window.h"
#include "shell/item_icons.h"
#include "shell/qt_host.h"

constexpr char kUninstallCaption[] = "Uninstall - KOBA";

OptionsSheet::OptionsSheet(QtHost& host, std::function<void()> uninstall, QWidget* owner)
    : QDialog(owner), host_(host), uninstall_(std::move(uninstall)), waveOut_(new QComboBox)
{
    setWindowTitle("KOBA Program Properties");
    auto* general = new QWidget;
    auto* player = new QGroupBox("Audio Player:", general);
    auto* playerLayout = new QGridLayout(player);
    playerLayout->addWidget(new QLabel("WaveOut:"), 0, 0);
    playerLayout->addWidget(waveOut_, 0, 1);
    waveOut_->setObjectName("waveOut");
    if (WaveOutDevices* devices = host_.WaveOutput()) {
        for (const std::string& name : devices->Names()) waveOut_->addItem(QString::fromStdString(name));
    }
    waveOut_->setCurrentIndex(static_cast<int>(host_.Settings().dacOutDev));
    auto* program = new QGroupBox("Program:", general);
    auto* uninstallButton = new QPushButton("Unistall...", program);
    (new QVBoxLayout(program))->addWidget(uninstallButton);
    connect(uninstallButton, &QPushButton::clicked, this, [this] { Uninstall(); });
    auto* icon = new QLabel(general);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    auto* page = new QGridLayout(general);
    page->addWidget(player, 0, 0, 1, 2);
    page->addWidget(program, 1, 0, 1, 2);
    page->addWidget(icon, 2, 0);
    page->addWidget(new QLabel("VEK-Software"), 2, 1);

    auto* tabs = new QTabWidget;
    tabs->addTab(general, "General");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowHelpTopic("options", this); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void OptionsSheet::accept()
{
    if (waveOut_->currentIndex() >= 0) host_.Settings().dacOutDev = static_cast<std::uint32_t>(waveOut_->currentIndex());
    QDialog::accept();
}

void OptionsSheet::Uninstall()
{
    const Answer answer = host_.Ask({"Warning! Uninstall may affect all users\nof KOBA on this computer and/or "
                                     "network\n\nContinue?",
                                     kUninstallCaption, Buttons::OkCancel, MessageIcon::Error, Answer::Cancel});
    if (answer != Answer::Ok) return;
    uninstall_();
    host_.Ask({"Registry cleaned up!\n\nYou may manually now remove all the program files.", kUninstallCaption});
    uninstalled_ = true;
    reject();
}
