#include "audio/rtmidi_ports.h"

#include <rtmidi/RtMidi.h>

#include <cstdlib>

namespace {

constexpr char kClient[] = "KOBA";

std::vector<RtMidi::Api> ApisToTry()
{
    const char* named = std::getenv("KOBA_MIDI_API");
    const std::string name = named != nullptr ? named : "";
    if (name == "alsa") return {RtMidi::LINUX_ALSA};
    if (name == "jack") return {RtMidi::UNIX_JACK};
    return {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK};
}

// The default constructors throw where there is no sequencer, so each system is tried by name.
template <class Port>
std::unique_ptr<Port> NewPort(std::string& error)
{
    for (const RtMidi::Api api : ApisToTry()) {
        try {
            auto port = std::make_unique<Port>(api, kClient);
            port->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {});
            return port;
        } catch (const RtMidiError& e) {
            error = e.getMessage();
        }
    }
    return nullptr;
}

template <class Port>
std::vector<std::string> PortNames()
{
    std::string error;
    std::unique_ptr<Port> midi = NewPort<Port>(error);
    std::vector<std::string> names;
    if (midi == nullptr) return names;
    try {
        for (unsigned port = 0; port < midi->getPortCount(); ++port) names.push_back(midi->getPortName(port));
    } catch (const RtMidiError&) {
    }
    return names;
}

template <class Port>
bool OpenPort(Port& midi, std::uint32_t port, std::string& error)
{
    try {
        if (port >= midi.getPortCount()) {
            error = "no MIDI port " + std::to_string(port);
            return false;
        }
        midi.openPort(port, kClient);
        return midi.isPortOpen();
    } catch (const RtMidiError& e) {
        error = e.getMessage();
        return false;
    }
}

class RtOut : public MidiOut {
public:
    explicit RtOut(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)) {}
    void Send(std::span<const std::uint8_t> message) override
    {
        try {
            out_->sendMessage(message.data(), message.size());
        } catch (const RtMidiError&) {  // a port that went away takes nothing more
        }
    }

private:
    std::unique_ptr<RtMidiOut> out_;
};

class RtIn : public MidiIn {
public:
    RtIn(std::unique_ptr<RtMidiIn> in, std::function<void(MidiBytes)> receive)
        : in_(std::move(in)), receive_(std::move(receive))
    {
        in_->ignoreTypes(false, false, false);
        in_->setCallback(&RtIn::Received, this);
    }
    ~RtIn() override
    {
        in_->cancelCallback();
        in_->closePort();
    }

private:
    static void Received(double, std::vector<unsigned char>* message, void* self)
    {
        if (message != nullptr && !message->empty()) {
            static_cast<RtIn*>(self)->receive_(MidiBytes(message->begin(), message->end()));
        }
    }

    std::unique_ptr<RtMidiIn> in_;
    std::function<void(MidiBytes)> receive_;
};

}  // namespace

std::vector<std::string> RtMidiPorts::InputNames()
{
    return PortNames<RtMidiIn>();
}

std::vector<std::string> RtMidiPorts::OutputNames()
{
    return PortNames<RtMidiOut>();
}

std::unique_ptr<MidiOut> RtMidiPorts::OpenOutput(std::uint32_t port, std::string& error)
{
    std::unique_ptr<RtMidiOut> out = NewPort<RtMidiOut>(error);
    if (out == nullptr || !OpenPort(*out, port, error)) return nullptr;
    return std::make_unique<RtOut>(std::move(out));
}

std::unique_ptr<MidiIn> RtMidiPorts::OpenInput(std::uint32_t port, std::function<void(MidiBytes)> receive,
                                               std::string& error)
{
    std::unique_ptr<RtMidiIn> in = NewPort<RtMidiIn>(error);
    if (in == nullptr || !OpenPort(*in, port, error)) return nullptr;
    return std::make_unique<RtIn>(std::move(in), std::move(receive));
}
