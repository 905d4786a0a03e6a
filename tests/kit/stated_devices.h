// A wave output device with the capabilities a test states, refusing the rates it is told to
// refuse; what it opens plays on a real device when there is one, else nowhere.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "host/wave_out.h"

constexpr WaveOutCaps kEverything{0xFFFF, 2};

struct StatedDevices : WaveOutDevices {
    WaveOutCaps caps = kEverything;
    std::set<std::uint32_t> refused;
    WaveOutDevices* real = nullptr;
    std::vector<std::string> opened;  // "channels/rate/bits" of each open tried
    int plays = 0;                    // of the devices playing nowhere

    struct Silent : WaveOut {
        explicit Silent(int& plays) : plays_(plays) {}
        bool Play(std::span<const std::uint8_t>, std::string&) override { return ++plays_, true; }
        void Reset() override {}
        void WaitUntilDone() override {}
        int& plays_;
    };
    std::vector<std::string> names = {"stated"};

    std::vector<std::string> Names() override { return names; }
    bool Caps(std::uint32_t device, WaveOutCaps& c) override { return device < names.size() && (c = caps, true); }
    std::unique_ptr<WaveOut> Open(std::uint32_t, const PlayFormat& f, std::string& error) override
    {
        opened.push_back(std::to_string(f.channels) + "/" + std::to_string(f.rate) + "/" + std::to_string(f.bits));
        if (refused.count(f.rate) != 0) return error = "The device refuses " + std::to_string(f.rate) + " Hz", nullptr;
        if (real == nullptr) return std::make_unique<Silent>(plays);
        return real->Open(0, f, error);
    }
};
