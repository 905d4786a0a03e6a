// Auditioning: MIDI thru, the synthesizer table's frame and the upload of selected items.
#include "playback/play.h"

#include <strings.h>

#include <cstdio>
#include <string_view>

#include "host/host.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

constexpr char kOpenLocation[] = "Play::DevOpen";
constexpr int kReacquireTries = 60;

bool NameHolds(std::string_view name, std::string_view part)
{
    for (std::size_t at = 0; part.size() <= name.size() && at <= name.size() - part.size(); ++at) {
        if (strncasecmp(name.data() + at, part.data(), part.size()) == 0) return true;
    }
    return false;
}

bool IsCardPort(const SynthDevice& device, const std::string& portName)
{
    for (const char* part : device.portNames) {
        if (part != nullptr && NameHolds(portName, part)) return true;
    }
    return false;
}

// The software synthesizer takes the place of a card's MIDI output while it is open.
class SynthOut : public MidiOut {
public:
    explicit SynthOut(SoftwareSynth& synth) : synth_(synth) {}
    ~SynthOut() override { synth_.Close(); }
    void Send(std::span<const std::uint8_t> message) override { synth_.Send(message); }

private:
    SoftwareSynth& synth_;
};

}  // namespace

Play::Play(WaveStore& store, Host& host) : host(host), store_(store)
{
    midiOutIds_.fill(kNoPort);
    MidiPorts* ports = host.Midi();
    const std::vector<std::string> names = ports != nullptr ? ports->OutputNames() : std::vector<std::string>{};
    for (std::size_t port = names.size(); port-- > 0;) {  // the lowest number wins
        for (std::size_t row = 0; row < kSynthDevices.size(); ++row) {
            if (IsCardPort(kSynthDevices[row], names[port])) midiOutIds_[row] = static_cast<std::uint32_t>(port);
        }
    }
}

Play::~Play()
{
    DevClose();
}

bool Play::Device(std::uint32_t index, std::string& name, bool& present) const
{
    if (index >= kSynthDevices.size()) return false;
    name = kSynthDevices[index].name;
    present = kSynthDevices[index].software || midiOutIds_[index] != kNoPort;
    return true;
}

std::vector<std::string> Play::InputNames()
{
    MidiPorts* ports = host.Midi();
    return ports != nullptr ? ports->InputNames() : std::vector<std::string>{};
}

std::unique_ptr<MidiOut> Play::OpenOutput(std::string& error)
{
    if (current_->software) {
        SoftwareSynth* synth = host.Synth();
        if (synth == nullptr || !synth->Open(error)) return nullptr;
        return std::make_unique<SynthOut>(*synth);
    }
    MidiPorts* ports = host.Midi();
    const std::uint32_t port = midiOutIds_[static_cast<std::size_t>(current_ - kSynthDevices.data())];
    if (ports == nullptr || port == kNoPort) return nullptr;
    return ports->OpenOutput(port, error);
}

bool Play::DevOpen(std::int32_t inDev, std::int32_t outDev)
{
    if (host.Settings().mtEnable == 0) return true;
    DevClose();  // a failed open leaves no device, not the one before
    if (outDev < 0 || outDev >= static_cast<std::int32_t>(kSynthDevices.size())) {
        return Fail(kOpenLocation, "Invalid idOutDev");
    }
    // Files of fixed names go where no other user can plant or read them.
    const std::string folder = host.PrivateFolder();
    if (folder.empty()) return Fail(kOpenLocation, "Couldn't make a private temporary folder");
    tempFolder_ = folder.back() == '/' ? folder : folder + "/";
    current_ = &kSynthDevices[static_cast<std::size_t>(outDev)];
    std::string error;
    out_ = OpenOutput(error);
    if (out_ == nullptr) {
        current_ = nullptr;
        return Fail(kOpenLocation, "Couldn't open midi output device");
    }
    tempName_ = std::string("KOBA.") + current_->extension;
    if (inDev >= 0) {
        MidiPorts* ports = host.Midi();
        std::weak_ptr<int> alive = alive_;
        auto receive = [this, alive](MidiBytes message) {
            host.Post([this, alive, message = std::move(message)] {
                if (!alive.expired()) Thru(message);
            });
        };
        if (ports != nullptr) in_ = ports->OpenInput(static_cast<std::uint32_t>(inDev), receive, error);
        if (in_ == nullptr) {
            CloseAll();
            return Fail(kOpenLocation, "Couldn't open midi input device");
        }
    }
    if (current_->DevOpen(*this, tempFolder_, tempName_)) return true;
    CloseAll();
    return false;
}

void Play::CloseAll()
{
    in_.reset();
    out_.reset();
    current_ = nullptr;
}

void Play::DevClose()
{
    if (current_ == nullptr) return;
    in_.reset();
    out_.reset();
    std::remove((tempFolder_ + tempName_).c_str());
    const SynthDevice* device = current_;
    current_ = nullptr;
    device->DevClose(*this);
}

bool Play::DevLoad(ItemId item)
{
    if (current_ == nullptr) return true;
    std::uint64_t size = 0;
    if (const WavesampleRec* wave = IsWave(item) ? store_.FetchWave(item) : nullptr) {
        size = std::uint64_t{wave->length} * DeliveredFormat(wave->layout).bytesPerSample;
    } else if (const InstrumentRec* instrument = IsInstrument(item) ? store_.FetchInstrument(item) : nullptr) {
        size = instrument->layer.layerBytes;
    } else {
        return true;
    }
    if (!current_->DevOkay(*this, item, size)) return true;
    const std::string saved = host.StatusText();
    host.SetStatus("Uploading to synth...");
    const bool loaded = store_.Exp(tempFolder_ + tempName_, item) && current_->DevLoad(*this, tempFolder_, tempName_);
    host.SetStatus(saved);
    return loaded;
}

void Play::Thru(MidiBytes message)
{
    if (message.empty()) return;
    std::uint8_t& status = message[0];
    if (status >= 0x80 && status < 0xF0) {
        status &= 0xF0;
        if (status == 0x90 && message.size() >= 3 && message[2] == 0) {
            status = 0x80;
            message[2] = 64;
        }
    }
    Send(message);
}

void Play::Send(std::span<const std::uint8_t> message)
{
    if (out_ != nullptr) out_->Send(message);
}

void Play::ReleaseOutput()
{
    if (current_ != nullptr) out_.reset();
}

void Play::ReacquireOutput()
{
    if (current_ == nullptr) return;
    std::string error;
    for (int tries = 0; tries < kReacquireTries; ++tries) {
        out_ = OpenOutput(error);
        if (out_ != nullptr) return;
        host.WaitOneSecond();
    }
    host.Warn("midiOutOpen - Failed. Tried 60 times during 60 seconds. Giving up!");
    CloseAll();
}

bool Play::RunLoader(const char* loader, std::vector<std::string> arguments)
{
    return host.StartProgram(host.ProgramFolder() + loader, arguments);
}
