// Render cost of the software synthesizer with all 32 voices sounding (a bidirectional loop
// and the GF1 envelope each), against the real time the frames stand for.
#include <benchmark/benchmark.h>

#include <vector>

#include "support/last_error.h"
#include "synth/soft_synth.h"

namespace {

void ThirtyTwoVoices(benchmark::State& state)
{
    constexpr std::uint32_t kRate = 44100, kFrames = 256;
    SoftSynth synth(kRate);
    if (!synth.Load("/usr/share/midi/freepats/Tone_000/080_Square_Wave.pat")) {
        state.SkipWithError(LastError.message.c_str());
        return;
    }
    for (std::uint8_t key = 40; key < 40 + SoftSynth::kVoices; ++key) {
        const std::uint8_t on[] = {0x90, key, 100};
        synth.Send(on);
    }
    std::vector<std::int16_t> piece(2 * kFrames);
    for (auto _ : state) {
        synth.Render(piece);
        benchmark::DoNotOptimize(piece.data());
    }
    if (synth.ActiveVoices() != SoftSynth::kVoices) state.SkipWithError("voices ended");
    // Above 1 the synthesizer keeps up with real time that many times over.
    state.counters["x realtime"] =
        benchmark::Counter(double{kFrames} / kRate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ThirtyTwoVoices)->Unit(benchmark::kMicrosecond);

}  // namespace
