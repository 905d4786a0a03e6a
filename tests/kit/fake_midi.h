// MIDI ports a test states: port names, every message sent (as hex text), the patch caching
// asked for, outputs that refuse to open a stated number of times; and a software synthesizer
// that notes what it is asked to do among the messages.
#pragma once

#include <cstdio>

#include "host/midi.h"

inline std::string Hex(std::span<const std::uint8_t> message)
{
    std::string text;
    for (const std::uint8_t byte : message) {
        char hex[4];
        std::snprintf(hex, sizeof hex, text.empty() ? "%02x" : " %02x", byte);
        text += hex;
    }
    return text;
}

struct FakeMidi : MidiPorts {
    std::vector<std::string> inputs = {"keyboard"}, outputs;
    std::vector<std::string> sent;      // "90 3c 64"
    std::vector<std::string> cached;    // "bank/mode/mask of patch 0/mask of patch 20"
    std::vector<std::uint32_t> opened;  // output ports, in order
    int refusals = 0;                   // opens of an output still to fail
    bool clearPatch0 = false;           // the driver cannot cache patch 0

    struct Out : MidiOut {
        explicit Out(FakeMidi& midi) : midi_(midi) {}
        void Send(std::span<const std::uint8_t> message) override { midi_.sent.push_back(Hex(message)); }
        void CachePatches(unsigned bank, PatchMasks& patches, PatchCache mode) override
        {
            if (midi_.clearPatch0 && mode == PatchCache::BestFit) patches[0] = 0;
            midi_.cached.push_back(std::to_string(bank) + (mode == PatchCache::BestFit ? "/fit/" : "/drop/") +
                                   std::to_string(patches[0]) + "/" + std::to_string(patches[20]));
        }
        FakeMidi& midi_;
    };

    std::vector<std::string> InputNames() override { return inputs; }
    std::vector<std::string> OutputNames() override { return outputs; }
    std::unique_ptr<MidiOut> OpenOutput(std::uint32_t port, std::string&) override
    {
        if (port >= outputs.size() || refusals-- > 0) return nullptr;
        opened.push_back(port);
        return std::make_unique<Out>(*this);
    }
    std::unique_ptr<MidiIn> OpenInput(std::uint32_t port, std::function<void(MidiBytes)>, std::string&) override
    {
        return port < inputs.size() ? std::make_unique<MidiIn>() : nullptr;
    }
};

struct FakeSynth : SoftwareSynth {
    explicit FakeSynth(std::vector<std::string>& log) : log_(log) {}
    bool Open(std::string&) override { return log_.push_back("open"), true; }
    void Close() override { log_.push_back("close"); }
    bool Load(const std::string& path) override { return log_.push_back("load " + path), true; }
    void Send(std::span<const std::uint8_t> message) override { log_.push_back(Hex(message)); }
    std::vector<std::string>& log_;
};
