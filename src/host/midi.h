// The MIDI seam: the system's MIDI inputs and outputs by name, an open output that sends, an
// open input that hands on what it receives, and the software wavetable synthesizer. The
// program's audio layer implements the ports over the system's MIDI; tests use their own.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

using MidiBytes = std::vector<std::uint8_t>;

// The channel masks of the 128 patches of one bank, as a driver's patch caching reads them.
using PatchMasks = std::array<std::uint16_t, 128>;
enum class PatchCache { BestFit, Uncache };

class MidiOut {
public:
    virtual ~MidiOut() = default;
    // One complete message: a channel or system message, or a whole system exclusive.
    virtual void Send(std::span<const std::uint8_t> message) = 0;
    // Asks the output's driver to keep (or drop) the patches of `bank` whose masks are set; a
    // driver clears the mask of each patch it could not cache. Ports without such a service
    // leave the masks as they are.
    virtual void CachePatches(unsigned /*bank*/, PatchMasks& /*patches*/, PatchCache /*mode*/) {}
};

// An open input: it receives while it exists.
class MidiIn {
public:
    virtual ~MidiIn() = default;
};

class MidiPorts {
public:
    virtual ~MidiPorts() = default;
    // Port names in port order; a port's position is its number.
    virtual std::vector<std::string> InputNames() = 0;
    virtual std::vector<std::string> OutputNames() = 0;
    // Null with the system's reason when the port does not open.
    virtual std::unique_ptr<MidiOut> OpenOutput(std::uint32_t port, std::string& error) = 0;
    // `receive` gets every message, system exclusive and timing included, on the MIDI
    // system's own thread.
    virtual std::unique_ptr<MidiIn> OpenInput(std::uint32_t port, std::function<void(MidiBytes)> receive,
                                              std::string& error) = 0;
};

// KOBA's own wavetable synthesizer as auditioning drives it: opened like a MIDI output, given
// an instrument file to play on channel 1, program 0, then sent MIDI messages.
class SoftwareSynth {
public:
    virtual ~SoftwareSynth() = default;
    // Starts its audio output; false with the reason.
    virtual bool Open(std::string& error) = 0;
    virtual void Close() = 0;
    // Reads an instrument file with KOBA's own reader; false with LastError.
    virtual bool Load(const std::string& path) = 0;
    virtual void Send(std::span<const std::uint8_t> message) = 0;
};
