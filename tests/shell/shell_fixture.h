// What the window's tests share: the real store, host and window, answered as a user would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <deque>

#include "kit/fake_midi.h"
#include "kit/import_fixture.h"
#include "kit/stated_devices.h"
#include "playback/play.h"
#include "shell/main_window.h"
#include "shell/qt_host.h"

// Records the programs it would start, each as one command line.
struct StartingHost : QtHost {
    using QtHost::QtHost;
    bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        started.push_back(program);
        for (const std::string& argument : arguments) started.back() += " " + argument;
        return true;
    }
    std::vector<std::string> started;
};

// Each modal window goes to `shown` as "title|last line of its text", "title|current page" or
// "title|its labels" (the Audio Player), then
// the next of `presses` is pressed ("OK" when none is left). Each file dialog goes to `offered` as
// title, selected filter, proposed name, every filter; the next of `choices` (file, filter) answers.
struct Shell : ::testing::Test, DialogRunner {
    Shell()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            // A window counts once it is the active modal one on two ticks in a row: one that
            // closes hands over to its owner for a moment before the next one opens.
            QWidget* modal = QApplication::activeModalWidget();
            const bool settled = modal == candidate;
            candidate = modal;
            if (modal == nullptr || clicking || !settled) return;
            candidate = nullptr;
            const auto* box = qobject_cast<QMessageBox*>(modal);
            const auto* tabs = modal->findChild<QTabWidget*>();
            const QString text = box != nullptr    ? box->text().section('\n', -1)
                                 : tabs != nullptr ? tabs->tabText(tabs->currentIndex())
                                                   : OtherDialogText(modal);
            shown.push_back((modal->windowTitle() + "|" + text).toStdString());
            const QString press = presses.empty() ? "OK" : presses.front();
            if (!presses.empty()) presses.pop_front();
            // Clicked from an event of its own: a timer does not fire again while its handler
            // runs, and the click may open the next modal window.
            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
                if (button->text().remove('&') != press) continue;
                clicking = true;
                return QTimer::singleShot(0, button, [this, button] {
                    clicking = false;
                    button->click();
                });
            }
            modal->close();  // no such button: what was shown tells
        });
        timer.start(1);
        host.SetWaveOutput(&devices);
    }
    static QString OtherDialogText(const QWidget* dialog)
    {
        QStringList texts;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) texts << label->text();
        }
        return texts.join(' ');
    }
    bool Run(QFileDialog& dialog) override
    {
        offered.push_back(QStringList{dialog.windowTitle(), dialog.selectedNameFilter(),
                                      QFileInfo(dialog.selectedFiles().value(0)).fileName()} +
                          dialog.nameFilters());
        if (choices.empty()) return false;
        dialog.selectNameFilter(dialog.nameFilters()[choices.front().second]);
        dialog.selectFile(choices.front().first);
        choices.pop_front();
        return true;
    }
    ProgramSettings settings;
    StartingHost host{settings};
    StatedDevices devices;
    KobaStore store{host};
    FakeMidi midi;
    bool midiSet = (midi.outputs = {"Emu8000 Port 0"}, host.SetMidi(&midi), true);
    Play play{store, host};
    MainWindow window{store, host, *this, play};
    TempDir dir;
    std::deque<QString> presses;
    std::vector<std::string> shown;
    std::deque<std::pair<QString, int>> choices;
    std::vector<QStringList> offered;
    QTimer timer;
    bool clicking = false;
    QWidget* candidate = nullptr;
};
