// Naming cost of the store: a bank whose every wavesample has one name (a common sight in
// tracker modules and sampler disks) must not get slower per item as the bank grows.
#include <benchmark/benchmark.h>

#include <iostream>

#include "formats/format_tables.h"
#include "host/console_host.h"
#include "store/wave_store.h"

namespace {

void OneNameManyTimes(benchmark::State& state)
{
    ConsoleHost host(std::cerr);
    const auto count = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        WaveStore store(host, ImportTable(), ExportTable());
        for (std::uint32_t k = 0; k < count; ++k) store.NewWavesample(k, nullptr, k % 2 != 0 ? "loop" : "LOOP", 4);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(OneNameManyTimes)->Arg(1000)->Arg(20000)->Arg(65535)->Unit(benchmark::kMillisecond);

}  // namespace
