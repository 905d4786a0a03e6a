// "KOBA Program": the program's options. The "General" page chooses the Audio Player's wave
// output device and offers the uninstall; "Auditioning" switches auditioning, the MIDI input
// and the synthesizer.
#pragma once

#include <QDialog>
#include <functional>

#include "host/settings.h"

class QCheckBox;
class QComboBox;
class QtHost;
class Play;

class OptionsSheet : public QDialog {
public:
    // `uninstall` removes KOBA's traces from the desktop and the settings.
    OptionsSheet(QtHost& host, Play& play, std::function<void()> uninstall, QWidget* owner);
    void accept() override;
    // The user confirmed the uninstall: the program is to end.
    bool Uninstalled() const { return uninstalled_; }

private:
    QWidget* GeneralPage();
    QWidget* AuditioningPage();
    void EnableAuditioningControls();
    void Uninstall();

    QtHost& host_;
    Play& play_;
    std::function<void()> uninstall_;
    ProgramSettings working_;
    QComboBox* waveOut_;
    QCheckBox* enable_;
    QComboBox* midiIn_;
    QComboBox* synth_;
    QList<QWidget*> auditioningControls_;
    bool auditioningShown_ = false;
    bool uninstalled_ = false;
};
