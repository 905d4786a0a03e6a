// The item property pages' rules.
#include "store/property_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "store/wave_store.h"

std::string WavesampleSummary(const WavesampleRec& w)
{
    char text[128];
    const PcmFormat delivered = Delivered(w);
    std::snprintf(text, sizeof text, "%d:%dbits %usamps, %uHz, %s %s", w.layout.bits, delivered.bytesPerSample * 8,
                  w.length, w.sampleRate, delivered.isSigned ? "signed" : "unsigned",
                  w.layout.channels == 2 ? "stereo" : "mono");
    return text;
}

std::string InstrumentTotal(const InstrumentRec& i)
{
    char text[128];
    std::snprintf(text, sizeof text, "Total: %d layers, %u waves, %lluKB", i.layer.present != 0 ? 1 : 0, i.waveCount,
                  (i.totalBytes + 512ull) / 1024);
    return text;
}

std::string LoopPointText(std::uint32_t whole, std::uint8_t fraction)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", whole + fraction / 256.0);
    return text;
}

void ReadLoopPoint(std::string_view text, std::uint32_t& whole, std::uint8_t& fraction)
{
    const std::string copy(text);
    double value = std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value) || value < 0) value = 0;
    value = std::min(value, 4294967295.0);
    whole = static_cast<std::uint32_t>(value);
    fraction = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value * 256) & 0xFF);
}

std::uint8_t ReadMidiValue(std::string_view text)
{
    const std::string copy(text);
    const long value = std::strtol(copy.c_str(), nullptr, 10);
    return static_cast<std::uint8_t>(std::clamp<long>(value, 0, 127));
}

std::string LoopProblem(std::uint32_t start, std::uint32_t end, std::uint32_t length)
{
    if (end > length) return "The loop end must lie between 0 and " + std::to_string(length) + " (the sample's length)";
    if (start > end) return "The loop start must lie between 0 and " + std::to_string(end) + " (the loop end)";
    return {};
}

LoopBoxes LoopBoxesOf(std::uint8_t f)
{
    return {(f & kLoopFound) != 0, (f & kLoopBidirectional) != 0, (f & kLoopReverse) != 0, (f & kLoopRelease) != 0};
}

std::uint8_t LoopFlagsOf(const LoopBoxes& b)
{
    return static_cast<std::uint8_t>((b.enabled ? kLoopFound : 0) | (b.bidirectional ? kLoopBidirectional : 0) |
                                     (b.reverse ? kLoopReverse : 0) | (b.release ? kLoopRelease : 0));
}

void DeleteFromTree(WaveStore& store, ItemId id)
{
    if (IsInstrument(id)) {
        store.DeleteItem(id);
        return;
    }
    const WavesampleRec* wave = store.FetchWave(id);
    InstrumentRec* owner = wave != nullptr ? store.FetchInstrument(wave->owner) : nullptr;
    if (owner == nullptr || owner->layer.present == 0) return;
    std::replace(std::begin(owner->layer.keyMap), std::end(owner->layer.keyMap), id, NO_ITEM);
    // Regions, wave count and sizes follow the key map, so that the status line and a later
    // export see the instrument as it now is; the wavesample stays, as a loose one.
    const ItemId ownerId = wave->owner;
    store.FetchWave(id)->owner = NO_ITEM;
    store.RecountInstrument(ownerId);
}
