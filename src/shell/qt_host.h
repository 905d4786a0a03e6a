// The window's side of the host seam: message boxes, the property sheet, the clipboard, the
// status bar and the settings record.
#pragma once

#include <functional>
#include <memory>

#include "host/host.h"
#include "host/midi.h"
#include "host/wave_out.h"

class QWidget;
class QStatusBar;

class QtHost : public Host {
public:
    explicit QtHost(ProgramSettings& settings) : settings_(settings) {}

    // Boxes and sheets are owned by this window once it exists.
    void SetWindow(QWidget* window, QStatusBar* status)
    {
        window_ = window;
        status_ = status;
    }

    Answer Ask(const Message& message) override;
    void ShowItemProperties(WaveStore& store, ItemId item, int firstPage) override;
    int ShowAudioPlayer(const AudioPlayerPage& page) override;
    // The audio system is opened on first use, not at start.
    WaveOutDevices* WaveOutput() override;
    void SetWaveOutput(WaveOutDevices* devices) { devices_ = devices; }
    // MIDI, too, is opened on first use.
    MidiPorts* Midi() override;
    void SetMidi(MidiPorts* ports) { midi_ = ports; }
    // KOBA's own wavetable synthesizer, the last row of the synthesizer table.
    SoftwareSynth* Synth() override { return synth_; }
    void SetSynth(SoftwareSynth* synth) { synth_ = synth; }
    // The window's event loop runs posted tasks.
    void Post(std::function<void()> task) override;
    bool SetClipboardWave(std::span<const std::uint8_t> wave) override;
    void SetStatus(std::string_view text) override;
    std::string StatusText() override;
    // One box after the save, listing every kind of loss.
    void ReportLosses(const std::vector<std::string>& losses) override;
    ProgramSettings& Settings() override { return settings_; }
    QWidget* Window() const { return window_; }

private:
    ProgramSettings& settings_;
    QWidget* window_ = nullptr;
    QStatusBar* status_ = nullptr;
    std::unique_ptr<WaveOutDevices> ownDevices_;
    WaveOutDevices* devices_ = nullptr;
    std::unique_ptr<MidiPorts> ownMidi_;
    MidiPorts* midi_ = nullptr;
    SoftwareSynth* synth_ = nullptr;
};

// A failure shown as the user sees it: the message as text, the location as caption.
void ShowLastError(Host& host);
