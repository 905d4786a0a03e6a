// The item property pages without their window: what the pages show and how their edits
// apply. The window, the command line and the tests share these rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/records.h"

class WaveStore;

// "16:16bits 1000samps, 22050Hz, signed mono"
std::string WavesampleSummary(const WavesampleRec& wave);
// "Total: 1 layers, 3 waves, 1500KB"
std::string InstrumentTotal(const InstrumentRec& instrument);

// A loop point with its fraction as the pages show it: "1000.25".
std::string LoopPointText(std::uint32_t whole, std::uint8_t fraction);
// A decimal fraction typed into "Start:" or "End:": whole frames truncated toward zero, and the
// low 8 bits of the value × 256 (100.5 gives 100 and 128). Text that is no number reads as 0.
void ReadLoopPoint(std::string_view text, std::uint32_t& whole, std::uint8_t& fraction);
// Why the loop points typed into the page cannot be taken, with the range each may take
// (0 ≤ start ≤ end ≤ length); empty when they can.
std::string LoopProblem(std::uint32_t start, std::uint32_t end, std::uint32_t length);
// A decimal number for a 0..127 field; negative gives 0, above 127 gives 127, no number 0.
std::uint8_t ReadMidiValue(std::string_view text);

struct LoopBoxes {
    bool enabled, bidirectional, reverse, release;
};
LoopBoxes LoopBoxesOf(std::uint8_t loopFlags);
std::uint8_t LoopFlagsOf(const LoopBoxes& boxes);

// What the Delete key does to the store: a wavesample leaves its owner's key map and regions
// (it stays in the store); an instrument is removed; the bank and the folder are kept.
void DeleteFromTree(WaveStore& store, ItemId id);
