// MIDI ports through RtMidi. The MIDI system is chosen explicitly: the ALSA sequencer, else
// JACK, the first that can be opened; KOBA_MIDI_API=alsa|jack names one.
#pragma once

#include "host/midi.h"

class RtMidiPorts : public MidiPorts {
public:
    std::vector<std::string> InputNames() override;
    std::vector<std::string> OutputNames() override;
    std::unique_ptr<MidiOut> OpenOutput(std::uint32_t port, std::string& error) override;
    std::unique_ptr<MidiIn> OpenInput(std::uint32_t port, std::function<void(MidiBytes)> receive,
                                      std::string& error) override;
};
