// Writes the bundled example: a looped one-second A (440 Hz) named "KOBA Example", as a WAVE
// file made by KOBA's own writer.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "formats/format_tables.h"
#include "host/console_host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/last_error.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_example OUT.wav\n";
        return 2;
    }
    const std::string out = argv[1];
    const std::string raw = out + ".raw";
    constexpr int kRate = 22050;
    {
        std::ofstream samples(raw, std::ios::binary);
        for (int i = 0; i < kRate; ++i) {
            const double fade = std::min(1.0, i / 200.0);
            const auto v = static_cast<std::int16_t>(std::lround(12000 * fade * std::sin(2 * M_PI * 440 * i / kRate)));
            const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
            samples.write(bytes, 2);
        }
    }
    ConsoleHost host(std::cerr);
    WaveStore store(host, ImportTable(), ExportTable());
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, "KOBA Example", 12);
    std::strncpy(wave.sourcePath, raw.c_str(), sizeof wave.sourcePath - 1);
    wave.layout.bits = 16;
    wave.layout.bytes = 2 * kRate;
    wave.length = kRate, wave.sampleRate = kRate;
    wave.rootKey = 69;
    wave.loopFlags = kLoopFound;
    wave.loopStart = kRate / 2;
    wave.loopEnd = kRate - 1;
    const bool saved = store.Exp(out, 0x80000001);
    std::remove(raw.c_str());
    if (!saved) {
        std::cerr << LastError.location << ": " << LastError.message << '\n';
        return 1;
    }
    return 0;
}
