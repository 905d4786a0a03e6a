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
    // Fills in a property sheet without a window (the command line's raw-data flags).
    void SetPropertySheet(std::function<void(WaveStore&, ItemId, int)> sheet)
    {
        sheet_ = std::move(sheet);
    }

    Answer Ask(const Message& message) override;
    void ShowItemProperties(WaveStore& store, ItemId item, int firstPage) override;
    int ShowAudioPlayer(WaveStore& store, ItemId wave) override;
    bool SetClipboardWave(std::span<const std::uint8_t> wave) override;
    void SetStatus(std::string_view text) override;
    ProgramSettings& Settings() override { return settings_; }

private:
    std::ostream& err_;
    Policy policy_ = Policy::Cancel;
    std::function<void(WaveStore&, ItemId, int)> sheet_;
    ProgramSettings settings_;
};
