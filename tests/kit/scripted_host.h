// The test host: records every message and answers from a queue; a property sheet is a
// function the test supplies; the fatal exit throws so that a test can see it.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/host.h"

struct FatalExit {
    int code;
};

class ScriptedHost : public Host {
public:
    // Queued answers go to questions in order; a box with only an OK button, and a question
    // with none left, gets its default answer.
    void QueueAnswer(Answer answer) { answers_.push_back(answer); }
    void OnPropertySheet(std::function<void(WaveStore&, ItemId, int)> sheet) { sheet_ = std::move(sheet); }

    Answer Ask(const Message& message) override;
    void ShowItemProperties(WaveStore& store, ItemId item, int firstPage) override;
    // Each Audio Player is recorded as "caption|name|info", then `onPlayer` runs, then "Next".
    int ShowAudioPlayer(const AudioPlayerPage& page) override;
    WaveOutDevices* WaveOutput() override { return devices; }
    MidiPorts* Midi() override { return midi; }
    SoftwareSynth* Synth() override { return synth; }
    std::string ProgramFolder() override { return programFolder; }
    void WaitOneSecond() override { ++waits; }
    bool SetClipboardWave(std::span<const std::uint8_t> wave) override;
    void SetStatus(std::string_view text) override { status.emplace_back(text); }
    ProgramSettings& Settings() override { return settings; }
    [[noreturn]] void Exit(int code) override { throw FatalExit{code}; }

    // Texts of the messages shown with the given caption, in order.
    std::vector<std::string> Texts(const std::string& caption) const;

    std::vector<Message> messages;
    struct SheetCall {
        ItemId item;
        int firstPage;
    };
    std::vector<SheetCall> sheets;
    std::vector<std::string> played;
    std::function<void(const AudioPlayerPage&)> onPlayer;
    WaveOutDevices* devices = nullptr;
    MidiPorts* midi = nullptr;
    SoftwareSynth* synth = nullptr;
    std::string programFolder = "/nowhere/";
    int waits = 0;  // of the seconds waited
    std::vector<std::vector<std::uint8_t>> clipboard;
    std::vector<std::string> status;
    ProgramSettings settings;

private:
    std::deque<Answer> answers_;
    std::function<void(WaveStore&, ItemId, int)> sheet_;
};
