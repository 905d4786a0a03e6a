#include "shell/audio_player.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "shell/help_window.h"
#include "shell/item_icons.h"

AudioPlayer::AudioPlayer(const AudioPlayerPage& page, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QString::fromStdString(page.caption));
    setModal(true);
    auto* iconFrame = new QGroupBox(this);
    auto* icon = new QLabel(iconFrame);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    (new QGridLayout(iconFrame))->addWidget(icon);
    auto* textFrame = new QGroupBox(this);
    auto* text = new QGridLayout(textFrame);
    text->addWidget(new QLabel("Wave:", textFrame), 0, 0);
    auto* name = new QLabel(QString::fromStdString(page.name), textFrame);
    auto* info = new QLabel(QString::fromStdString(page.info), textFrame);
    name->setObjectName("name");
    info->setObjectName("info");
    info->setAlignment(Qt::AlignRight);
    text->addWidget(name, 0, 1);
    text->addWidget(info, 1, 0, 1, 2);
    auto* again = new QPushButton(">", this);
    auto* next = new QPushButton(">> Next >>", this);
    next->setDefault(true);
    connect(again, &QPushButton::clicked, this, [replay = page.replay] { replay(); });
    connect(next, &QPushButton::clicked, this, [this] { done(1); });
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            [this] { ShowHelpTopic("player", this); });
    auto* layout = new QGridLayout(this);
    layout->addWidget(iconFrame, 0, 0, 2, 1);
    layout->addWidget(textFrame, 0, 1, 1, 2);
    layout->addWidget(again, 1, 1);
    layout->addWidget(next, 1, 2);
}
