#include "audio/rtaudio_devices.h"

#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

std::vector<RtAudio::Api> ApisToTry()
{
    const char* named = std::getenv("KOBA_AUDIO_API");
    const std::string name = named != nullptr ? named : "";
    if (name == "pulse") return {RtAudio::LINUX_PULSE};
    if (name == "alsa") return {RtAudio::LINUX_ALSA};
    if (name == "jack") return {RtAudio::UNIX_JACK};
    return {RtAudio::LINUX_PULSE, RtAudio::LINUX_ALSA, RtAudio::UNIX_JACK};
}

std::unique_ptr<RtAudio> NewAudio(RtAudio::Api api)
{
    try {
        auto audio = std::make_unique<RtAudio>(api);
        audio->showWarnings(false);
        return audio;
    } catch (const RtAudioError&) {
        return nullptr;
    }
}

bool StartStream(RtAudio& audio, std::string& error)
{
    try {
        audio.startStream();
        return true;
    } catch (const RtAudioError& e) {
        error = e.getMessage();
        return false;
    }
}

bool HasOutput(RtAudio& audio)
{
    for (unsigned id = 0; id < audio.getDeviceCount(); ++id) {
        try {
            if (audio.getDeviceInfo(id).outputChannels > 0) return true;
        } catch (const RtAudioError&) {
        }
    }
    return false;
}

// Plays one buffer once from a callback; 8-bit WAVE samples are unsigned, RtAudio's signed.
class RtWaveOut : public WaveOut {
public:
    RtWaveOut(std::unique_ptr<RtAudio> audio, const PlayFormat& format) : audio_(std::move(audio)), format_(format) {}
    ~RtWaveOut() override
    {
        Reset();
        if (audio_->isStreamOpen()) audio_->closeStream();
    }

    bool Open(unsigned id, std::string& error)
    {
        RtAudio::StreamParameters output{id, format_.channels, 0};
        unsigned frames = 1024;
        try {
            audio_->openStream(&output, nullptr, format_.bits == 16 ? RTAUDIO_SINT16 : RTAUDIO_SINT8, format_.rate,
                               &frames, &RtWaveOut::Callback, this);
            return true;
        } catch (const RtAudioError& e) {
            error = e.getMessage();
            return false;
        }
    }

    bool Play(std::span<const std::uint8_t> buffer, std::string& error) override
    {
        Reset();
        buffer_ = buffer;
        return StartStream(*audio_, error);
    }

    void Reset() override
    {
        try {
            if (audio_->isStreamRunning()) audio_->abortStream();
        } catch (const RtAudioError&) {
        }
        position_ = 0;
    }

    void WaitUntilDone() override
    {
        while (audio_->isStreamRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

private:
    static int Callback(void* out, void*, unsigned frames, double, RtAudioStreamStatus, void* self)
    {
        return static_cast<RtWaveOut*>(self)->Fill(static_cast<std::uint8_t*>(out), frames);
    }

    // Returns 1 after the last piece, so the stream drains and stops.
    int Fill(std::uint8_t* out, unsigned frames)
    {
        const std::size_t wanted = std::size_t{frames} * format_.BlockAlign();
        const std::size_t at = position_;
        const std::size_t n = std::min(wanted, buffer_.size() - at);
        std::memcpy(out, buffer_.data() + at, n);
        if (format_.bits == 8) {
            for (std::size_t i = 0; i < n; ++i) out[i] ^= 0x80;
        }
        std::memset(out + n, 0, wanted - n);
        position_ = at + n;
        return at + n == buffer_.size() ? 1 : 0;
    }

    std::unique_ptr<RtAudio> audio_;
    PlayFormat format_;
    std::span<const std::uint8_t> buffer_;
    std::atomic<std::size_t> position_ = 0;
};

// The first audio system in the order above that has an output device, else the first that opens.
std::unique_ptr<RtAudio> ChosenAudioSystem()
{
    const std::vector<RtAudio::Api> apis = ApisToTry();
    std::unique_ptr<RtAudio> audio;
    for (RtAudio::Api api : apis) {
        audio = NewAudio(api);
        if (audio != nullptr && HasOutput(*audio)) return audio;
    }
    if (audio == nullptr && !apis.empty()) audio = NewAudio(apis.front());
    return audio;
}

}  // namespace

RtAudioDevices::RtAudioDevices() : audio_(ChosenAudioSystem()) {}

RtAudioDevices::~RtAudioDevices() = default;

std::vector<unsigned> RtAudioDevices::OutputIds()
{
    std::vector<unsigned> ids;
    if (audio_ == nullptr) return ids;
    for (unsigned id = 0; id < audio_->getDeviceCount(); ++id) {
        try {
            if (audio_->getDeviceInfo(id).outputChannels > 0) ids.push_back(id);
        } catch (const RtAudioError&) {
        }
    }
    return ids;
}

std::vector<std::string> RtAudioDevices::Names()
{
    std::vector<std::string> names;
    for (unsigned id : OutputIds()) names.push_back(audio_->getDeviceInfo(id).name);
    return names;
}

// RtAudio converts any sample width to the device's own, so a listed rate offers both widths.
bool RtAudioDevices::Caps(std::uint32_t device, WaveOutCaps& caps)
{
    const std::vector<unsigned> ids = OutputIds();
    if (device >= ids.size()) return false;
    try {
        const RtAudio::DeviceInfo info = audio_->getDeviceInfo(ids[device]);
        const auto offers = [&](unsigned rate) {
            return std::find(info.sampleRates.begin(), info.sampleRates.end(), rate) != info.sampleRates.end();
        };
        caps = {};
        if (offers(11025)) caps.formats |= kWaveFormat1M08 | kWaveFormat1M16;
        if (offers(22050)) caps.formats |= kWaveFormat2M08 | kWaveFormat2M16;
        if (offers(44100)) caps.formats |= kWaveFormat4M08 | kWaveFormat4M16;
        caps.channels = static_cast<std::uint16_t>(std::min(info.outputChannels, 0xFFFFu));
        return true;
    } catch (const RtAudioError&) {
        return false;
    }
}

std::unique_ptr<WaveOut> RtAudioDevices::Open(std::uint32_t device, const PlayFormat& format, std::string& error)
{
    const std::vector<unsigned> ids = OutputIds();
    if (device >= ids.size()) {
        error = "No such wave output device";
        return nullptr;
    }
    std::unique_ptr<RtAudio> audio = NewAudio(audio_->getCurrentApi());
    if (audio == nullptr) {
        error = "The audio system cannot be opened";
        return nullptr;
    }
    auto out = std::make_unique<RtWaveOut>(std::move(audio), format);
    if (!out->Open(ids[device], error)) return nullptr;
    return out;
}

RtAudioStream::RtAudioStream() : audio_(ChosenAudioSystem()) {}

RtAudioStream::~RtAudioStream()
{
    Stop();
    if (audio_ != nullptr && audio_->isStreamOpen()) audio_->closeStream();
}

bool RtAudioStream::Open(std::uint32_t rate, std::uint16_t channels, Pull pull, std::string& error)
{
    if (audio_ == nullptr) {
        error = "The audio system cannot be opened";
        return false;
    }
    pull_ = std::move(pull);
    channels_ = channels;
    // Short pieces keep the keys responsive; 256 frames are about 6 ms.
    unsigned frames = 256;
    try {
        RtAudio::StreamParameters output{audio_->getDefaultOutputDevice(), channels, 0};
        audio_->openStream(&output, nullptr, RTAUDIO_SINT16, rate, &frames, &RtAudioStream::Callback, this);
        return true;
    } catch (const RtAudioError& e) {
        error = e.getMessage();
        return false;
    }
}

bool RtAudioStream::Start(std::string& error)
{
    if (audio_ == nullptr || !audio_->isStreamOpen()) {
        error = "The stream is not open";
        return false;
    }
    return StartStream(*audio_, error);
}

void RtAudioStream::Stop()
{
    try {
        if (audio_ != nullptr && audio_->isStreamRunning()) audio_->abortStream();
    } catch (const RtAudioError&) {
    }
}

int RtAudioStream::Callback(void* out, void*, unsigned frames, double, unsigned, void* self)
{
    auto& stream = *static_cast<RtAudioStream*>(self);
    stream.pull_({static_cast<std::int16_t*>(out), std::size_t{frames} * stream.channels_});
    return 0;
}
