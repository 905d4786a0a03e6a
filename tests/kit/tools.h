// Running the peer programs tests compare against (SoX, libsndfile's tools).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Runs a shell command; returns its exit status.
int Run(const std::string& command);
// Quotes a path for the shell.
std::string Quoted(const std::string& text);

// A test signal: a sweep with some noise, never silent, starting non-zero.
std::vector<std::int16_t> TestSignal(std::size_t samples, unsigned seed = 1);
std::vector<std::uint8_t> LittleEndianBytes(const std::vector<std::int16_t>& samples);

// Where the "fmt " body and the "data" body of a RIFF WAVE file start, found by a walk of
// its top-level chunks (an independent little parser, so reader tests need not trust ours).
struct WaveChunks {
    std::uint32_t formatOffset = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t dataSize = 0;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
};
WaveChunks FindWaveChunks(const std::vector<std::uint8_t>& file);

// A patch of Debian's freepats (/usr/share/midi/freepats/), e.g. "Tone_000/000_Acoustic_Grand_Piano.pat".
std::string FreepatsPath(const std::string& name);
