// "KOBA Program": the program's options. The "General" page chooses the Audio Player's wave
// output device and offers the uninstall.
#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QtHost;

class OptionsSheet : public QDialog {
public:
    // `uninstall` removes KOBA's traces from the desktop and the settings.
    OptionsSheet(QtHost& host, std::function<void()> uninstall, QWidget* owner);
    void accept() override;
    // The user confirmed the uninstall: the program is to end.
    bool Uninstalled() const { return uninstalled_; }

private:
    void Uninstall();

    QtHost& host_;
    std::function<void()> uninstall_;
    QComboBox* waveOut_;
    bool uninstalled_ = false;
};
