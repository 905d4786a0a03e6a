// Auditioning: the MIDI thru from a MIDI input to a synthesizer, the table of synthesizers and
// the upload of the selected item to the current one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/midi.h"
#include "store/records.h"

class Host;
class Play;
class WaveStore;

constexpr std::uint32_t kNoPort = 0xFFFFFFFF;

// One synthesizer: its export format, its name, how its MIDI output is recognised and its
// driver's four operations. Cards are recognised by the name of their MIDI output port: the
// lowest-numbered port whose name holds one of `portNames` (case ignored) is the card's. The
// software synthesizer needs no port.
struct SynthDevice {
    const char* extension;
    const char* name;
    std::array<const char*, 3> portNames;
    bool software;
    bool (*DevOpen)(Play& play, const std::string& folder, const std::string& name);
    bool (*DevClose)(Play& play);
    bool (*DevLoad)(Play& play, const std::string& folder, const std::string& name);
    bool (*DevOkay)(Play& play, ItemId item, std::uint64_t size);
};

extern const std::array<SynthDevice, 4> kSynthDevices;

// The GUS driver's state between its operations.
struct GusState {
    std::string iniPath;
    PatchMasks patches{};
};

class Play {
public:
    // Finds the output ports of the cards the system has.
    Play(WaveStore& store, Host& host);
    ~Play();
    Play(const Play&) = delete;
    Play& operator=(const Play&) = delete;

    // Opens MIDI thru from input `inDev` (-1: none) to synthesizer `outDev` when auditioning
    // is on; false with LastError, and then no synthesizer is current.
    [[nodiscard]] bool DevOpen(std::int32_t inDev, std::int32_t outDev);
    void DevClose();
    // Writes the item to the current synthesizer's temporary file and loads it there; false
    // with LastError.
    [[nodiscard]] bool DevLoad(ItemId item);

    // Row `index` of the synthesizer table: its name and whether it is there. False past the end.
    bool Device(std::uint32_t index, std::string& name, bool& present) const;
    std::vector<std::string> InputNames();
    bool IsOpen() const { return current_ != nullptr; }

    // A message from the MIDI input or the on-screen keyboard, as the synthesizer gets it:
    // channel messages on channel 1, Note On with velocity 0 as Note Off with velocity 64.
    void Thru(MidiBytes message);

    // What the drivers use.
    Host& host;
    WaveStore& Store() { return store_; }
    void Send(std::span<const std::uint8_t> message);
    MidiOut* Output() { return out_.get(); }
    void ReleaseOutput();
    void ReacquireOutput();
    bool RunLoader(const char* loader, std::vector<std::string> arguments);
    GusState gus;

private:
    std::unique_ptr<MidiOut> OpenOutput(std::string& error);
    void CloseAll();

    WaveStore& store_;
    std::array<std::uint32_t, 4> midiOutIds_;
    const SynthDevice* current_ = nullptr;
    std::unique_ptr<MidiIn> in_;
    std::unique_ptr<MidiOut> out_;
    std::string tempFolder_;
    std::string tempName_;
    // Messages posted from the MIDI input's thread reach this object only while it lives.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
