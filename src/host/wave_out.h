// The wave output seam: the audio devices the Audio Player can play on, what each offers, and
// an open device that plays one prepared buffer. The program's audio layer implements it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Format bits of a device's capability record: 11.025, 22.05 and 44.1 kHz, mono, 8 or 16 bit.
constexpr std::uint32_t kWaveFormat1M08 = 0x0001;
constexpr std::uint32_t kWaveFormat1M16 = 0x0004;
constexpr std::uint32_t kWaveFormat2M08 = 0x0010;
constexpr std::uint32_t kWaveFormat2M16 = 0x0040;
constexpr std::uint32_t kWaveFormat4M08 = 0x0100;
constexpr std::uint32_t kWaveFormat4M16 = 0x0400;

struct WaveOutCaps {
    std::uint32_t formats = 0;  // kWaveFormat* bits
    std::uint16_t channels = 0;
};

// Plain PCM as the device gets it: 8-bit unsigned or 16-bit signed little-endian, interleaved.
struct PlayFormat {
    std::uint16_t channels = 1;
    std::uint32_t rate = 0;
    std::uint16_t bits = 8;

    std::uint16_t BlockAlign() const { return static_cast<std::uint16_t>(channels * (bits / 8)); }
};

// An open output device. Playing runs once through the buffer, which must outlive the playing.
class WaveOut {
public:
    virtual ~WaveOut() = default;
    // Starts playing `buffer` from its start; false with the device's error text.
    virtual bool Play(std::span<const std::uint8_t> buffer, std::string& error) = 0;
    // Stops playing and rewinds.
    virtual void Reset() = 0;
    // Returns when the buffer has played to its end (or playing was reset).
    virtual void WaitUntilDone() = 0;
};

class WaveOutDevices {
public:
    virtual ~WaveOutDevices() = default;
    // Names of the output devices in device order; a device's position is its number.
    virtual std::vector<std::string> Names() = 0;
    // False when there is no device `device`.
    virtual bool Caps(std::uint32_t device, WaveOutCaps& caps) = 0;
    // Null with the device's error text when it refuses the format.
    virtual std::unique_ptr<WaveOut> Open(std::uint32_t device, const PlayFormat& format, std::string& error) = 0;
};
