#include "audio/soft_synth_device.h"

#include "audio/rtaudio_devices.h"

SoftSynthDevice::SoftSynthDevice() = default;

SoftSynthDevice::~SoftSynthDevice()
{
    Close();
}

bool SoftSynthDevice::Open(std::string& error)
{
    Close();
    stream_ = std::make_unique<RtAudioStream>();
    if (stream_->Open(kRate, 2, [this](std::span<std::int16_t> frames) { synth_.Render(frames); }, error) &&
        stream_->Start(error)) {
        return true;
    }
    stream_.reset();
    return false;
}

void SoftSynthDevice::Close()
{
    if (stream_ == nullptr) return;
    stream_->Stop();
    stream_.reset();
    const std::uint8_t allSoundOff[] = {0xB0, 120, 0};
    synth_.Send(allSoundOff);
}
