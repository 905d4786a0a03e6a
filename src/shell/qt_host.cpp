// The window's side of the host seam.
#include "shell/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>

#include "audio/rtaudio_devices.h"
#include "audio/rtmidi_ports.h"
#include "shell/audio_player.h"
#include "shell/property_sheet.h"
#include "support/last_error.h"

namespace {

QMessageBox::StandardButtons ButtonsOf(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::StandardButton ButtonOf(Answer answer)
{
    switch (answer) {
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    default:
        return QMessageBox::NoIcon;
    }
}

}  // namespace

Answer QtHost::Ask(const Message& message)
{
    QMessageBox box(IconOf(message.icon), QString::fromStdString(message.caption), QString::fromStdString(message.text),
                    ButtonsOf(message.buttons), window_);
    box.setDefaultButton(ButtonOf(message.defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return message.buttons == Buttons::Ok || message.buttons == Buttons::OkCancel ? Answer::Ok : Answer::Cancel;
    }
}

void QtHost::ReportLosses(const std::vector<std::string>& losses)
{
    std::string text = "The file is saved, but its format could not hold everything:";
    for (const std::string& loss : losses) text += "\n- " + loss;
    Warn(text);
}

void QtHost::ShowItemProperties(WaveStore& store, ItemId item, int firstPage)
{
    PropertySheet sheet(store, item, firstPage, window_);
    if (!sheet.HasPages()) return;
    sheet.exec();
}

// Escape closes the player with 0, which ends a sequence of wavesamples.
int QtHost::ShowAudioPlayer(const AudioPlayerPage& page)
{
    AudioPlayer player(page, window_);
    return player.exec();
}

WaveOutDevices* QtHost::WaveOutput()
{
    if (devices_ == nullptr) {
        ownDevices_ = std::make_unique<RtAudioDevices>();
        devices_ = ownDevices_.get();
    }
    return devices_;
}

bool QtHost::SetClipboardWave(std::span<const std::uint8_t> wave)
{
    auto* data = new QMimeData;
    const QByteArray bytes(reinterpret_cast<const char*>(wave.data()), static_cast<qsizetype>(wave.size()));
    data->setData("audio/wav", bytes);
    data->setData("audio/x-wav", bytes);
    QApplication::clipboard()->setMimeData(data);
    return true;
}

MidiPorts* QtHost::Midi()
{
    if (midi_ == nullptr) {
        ownMidi_ = std::make_unique<RtMidiPorts>();
        midi_ = ownMidi_.get();
    }
    return midi_;
}

void QtHost::Post(std::function<void()> task)
{
    QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
}

std::string QtHost::StatusText()
{
    return status_ != nullptr ? status_->currentMessage().toStdString() : std::string();
}

void QtHost::SetStatus(std::string_view text)
{
    if (status_ == nullptr) return;
    status_->showMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    status_->repaint();  // seen at once, also before a long upload
}

void ShowLastError(Host& host)
{
    host.Ask({LastError.message, LastError.location, Buttons::Ok, MessageIcon::Exclamation, Answer::Ok});
}
