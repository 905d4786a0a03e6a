// Decoding speed of the copy routines on 64 MB of stored data each, beside SoX decoding the
// same files in the same run. The files are made by SoX once, under bench-data/ in the
// working folder.
#include <benchmark/benchmark.h>

#include <iostream>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/format_tables.h"
#include "host/console_host.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

constexpr double kStoredBytes = 64.0 * 1024 * 1024;

struct BenchFile {
    const char* name;
    const char* soxOptions;  // channels, encoding and length in samples
};

const BenchFile kFiles[] = {
    {"std16stereo", "-c 2 -e signed -b 16 synth 16777216s sine 440 sine 660"},
    {"mulaw", "-c 1 -e mu-law synth 67108864s sine 440"},
    {"imaadpcm", "-c 1 -e ima-adpcm synth 134217728s sine 440"},
    {"msadpcm", "-c 1 -e ms-adpcm synth 134217728s sine 440"},
};

std::string PathOf(const BenchFile& file)
{
    std::filesystem::create_directories("bench-data");
    const std::string path = std::string("bench-data/") + file.name + ".wav";
    if (!std::filesystem::exists(path)) {
        // Output options stand before the file name, the synth effect after it.
        const std::string options = file.soxOptions;
        const std::size_t synth = options.find("synth");
        const std::string make = "sox -n -r 44100 " + options.substr(0, synth) + path + " " + options.substr(synth);
        if (std::system(make.c_str()) != 0) std::abort();
    }
    return path;
}

class CountingSink : public SampleSink {
public:
    bool Take(const PcmFormat& format, std::uint8_t*, std::uint32_t frames) override
    {
        delivered += std::uint64_t{frames} * format.FrameBytes();
        return true;
    }
    std::uint64_t delivered = 0;
};

void Decode(benchmark::State& state, const BenchFile& file)
{
    const std::string path = PathOf(file);
    ConsoleHost host(std::cerr);
    WaveStore store(host, ImportTable(), ExportTable());
    if (!store.Imp(path)) {
        state.SkipWithError(LastError.message.c_str());
        return;
    }
    const WavesampleRec& wave = *store.FetchWave(0x80000001);
    for (auto _ : state) {
        CountingSink sink;
        if (!wave.copyRoutine(wave, sink)) state.SkipWithError(LastError.message.c_str());
        benchmark::DoNotOptimize(sink.delivered);
    }
    state.counters["MB/s"] = benchmark::Counter(kStoredBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void SoxDecode(benchmark::State& state, const BenchFile& file)
{
    const std::string command = "sox " + PathOf(file) + " -t raw -e signed -b 16 /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("sox failed");
    }
    state.counters["MB/s"] = benchmark::Counter(kStoredBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void Convert(benchmark::State& state)
{
    const PcmFormat format{2, 2, true};
    const std::uint32_t frames = 16u << 20;  // 64 MB of 16-bit stereo
    std::vector<std::uint8_t> source(std::size_t{frames} * 4, 0x35);
    std::vector<std::uint8_t> buffer(source.size());
    for (auto _ : state) {
        buffer = source;
        benchmark::DoNotOptimize(ConvertSamples(format, buffer.data(), frames, false, true, true, false));
    }
    state.counters["MB/s"] = benchmark::Counter(kStoredBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv)
{
    for (const BenchFile& file : kFiles) {
        benchmark::RegisterBenchmark((std::string("Koba/") + file.name).c_str(), Decode, file)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
        benchmark::RegisterBenchmark((std::string("Sox/") + file.name).c_str(), SoxDecode, file)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
    }
    benchmark::RegisterBenchmark("Koba/ConvertSamples", Convert)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
