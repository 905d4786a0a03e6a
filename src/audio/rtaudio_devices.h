// Wave output through RtAudio. The audio system is chosen explicitly: PulseAudio, else ALSA,
// else JACK, the first that has an output device; KOBA_AUDIO_API=pulse|alsa|jack names one.
#pragma once

#include <memory>

#include "host/audio_stream.h"
#include "host/wave_out.h"

class RtAudio;

class RtAudioDevices : public WaveOutDevices {
public:
    RtAudioDevices();
    ~RtAudioDevices() override;

    std::vector<std::string> Names() override;
    bool Caps(std::uint32_t device, WaveOutCaps& caps) override;
    std::unique_ptr<WaveOut> Open(std::uint32_t device, const PlayFormat& format, std::string& error) override;

private:
    // RtAudio's ids of the devices that have outputs, in device order.
    std::vector<unsigned> OutputIds();

    std::unique_ptr<RtAudio> audio_;
};

// A pull stream on the chosen audio system's default output.
class RtAudioStream : public AudioStream {
public:
    RtAudioStream();
    ~RtAudioStream() override;

    bool Open(std::uint32_t rate, std::uint16_t channels, Pull pull, std::string& error) override;
    bool Start(std::string& error) override;
    void Stop() override;

private:
    static int Callback(void* out, void* in, unsigned frames, double time, unsigned status, void* self);

    std::unique_ptr<RtAudio> audio_;
    Pull pull_;
    std::uint16_t channels_ = 2;
};
