// MIDI ports a test states: port names, every message sent (as hex text), the patch caching
// asked for, outputs that refuse to open a stated number of times, and the open input's
// receiver so that a test can play into it.
#pragma once

#include <cstdio>

#include "host/midi.h"

struct FakeMidi : MidiPorts {
    std::vector<std::string> inputs = {"keyboard"}, outputs;
    std::vector<std::string> sent;      // "90 3c 64"
    std::vector<std::string> cached;    // "bank/mode/mask of patch 0/mask of patch 20"
    std::vector<std::uint32_t> opened;  // output ports, in order
    int refusals = 0;                   // opens of an output still to fail
    bool clearPatch0 = false;           // the driver cannot cache patch 0
    std::function<void(MidiBytes)> receive;

    struct Out : MidiOut {
        explicit Out(FakeMidi& midi) : midi_(midi) {}
        void Send(std::span<const std::uint8_t> message) override
        {
            std::string text;
            for (const std::uint8_t byte : message) {
                char hex[4];
                std::snprintf(hex, sizeof hex, text.empty() ? "%02x" : " %02x", byte);
                text += hex;
            }
            midi_.sent.push_back(text);
        }
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
    std::unique_ptr<MidiIn> OpenInput(std::uint32_t port, std::function<void(MidiBytes)> r, std::string&) override
    {
        if (port >= inputs.size()) return nullptr;
        receive = std::move(r);
        return std::make_unique<MidiIn>();
    }
};
