// Host for runs without a window: warnings to stderr, questions answered by a policy.
#pragma once

#include <functional>
#include <iosfwd>

#include "host/host.h"

class ConsoleHost : public Host {
public:
    // How questions (boxes with more than an OK button) are answered.
    enum class Policy { Accept, Decline, Cancel };

    explicit ConsoleHost(std::ostream& err);

    void SetPolicy(Policy policy) { policy_ = policy; }
    // Playback: the devices, and where the Audio Player prints its texts and reads its keys
    // (a line "r" plays again; any other line goes on; at the end of input it goes on once the
    // wavesample has played).
    void SetPlayer(WaveOutDevices* devices, std::istream& keys, std::ostream& texts)
    {
        devices_ = devices;
        keys_ = &keys;
        texts_ = &texts;
    }
    // Fills in a property sheet without a window (the command line's raw-data flags).
    void SetPropertySheet(std::function<void(WaveStore&, ItemId, int)> sheet)
    {
        sheet_ = std::move(sheet);
    }

    Answer Ask(const Message& message) override;
    void ShowItemProperties(WaveStore& store, ItemId item, int firstPage) override;
    int ShowAudioPlayer(const AudioPlayerPage& page) override;
    WaveOutDevices* WaveOutput() override { return devices_; }
    bool SetClipboardWave(std::span<const std::uint8_t> wave) override;
    void SetStatus(std::string_view text) override;
    ProgramSettings& Settings() override { return settings_; }

private:
    std::ostream& err_;
    Policy policy_ = Policy::Cancel;
    std::function<void(WaveStore&, ItemId, int)> sheet_;
    ProgramSettings settings_;
    WaveOutDevices* devices_ = nullptr;
    std::istream* keys_ = nullptr;
    std::ostream* texts_ = nullptr;
};
