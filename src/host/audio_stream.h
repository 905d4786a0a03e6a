// The streaming audio seam: an output that asks for each next piece of interleaved 16-bit
// frames on its own thread, for sound made while it plays (the software synthesizer).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class AudioStream {
public:
    // Fills the piece it is given; runs on the audio thread, so it must not wait or allocate.
    using Pull = std::function<void(std::span<std::int16_t> frames)>;

    virtual ~AudioStream() = default;
    // Opens the default output at `rate` with `channels`; false with the device's error text.
    virtual bool Open(std::uint32_t rate, std::uint16_t channels, Pull pull, std::string& error) = 0;
    virtual bool Start(std::string& error) = 0;
    // Stops at once; the pull is not called after it returns.
    virtual void Stop() = 0;
};
