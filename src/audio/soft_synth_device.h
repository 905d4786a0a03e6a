// KOBA's own wavetable synthesizer as the auditioning frame's last device: the engine, heard
// through a pull stream on the default audio output while the device is open.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "host/audio_stream.h"
#include "host/midi.h"
#include "synth/soft_synth.h"

class SoftSynthDevice : public SoftwareSynth {
public:
    SoftSynthDevice();
    ~SoftSynthDevice() override;

    bool Open(std::string& error) override;
    void Close() override;
    bool Load(const std::string& path) override { return synth_.Load(path); }
    void Send(std::span<const std::uint8_t> message) override { synth_.Send(message); }

private:
    static constexpr std::uint32_t kRate = 44100;
    SoftSynth synth_{kRate};
    std::unique_ptr<AudioStream> stream_;  // destroyed before the engine it pulls from
};
