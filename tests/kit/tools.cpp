// Running the peer programs tests compare against.
#include "kit/tools.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sys/wait.h>

int Run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<std::int16_t> TestSignal(std::size_t samples, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-2000, 2000);
    std::vector<std::int16_t> out(samples);
    double phase = 0.3;
    for (std::size_t i = 0; i < samples; ++i) {
        phase += 0.01 + 0.2 * static_cast<double>(i) / static_cast<double>(samples);
        const double level = 20000.0 * std::sin(phase) + noise(random);
        out[i] = static_cast<std::int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, level))));
    }
    if (out[0] == 0) out[0] = 1;
    return out;
}

std::vector<std::uint8_t> LittleEndianBytes(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(samples[i]);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(samples[i]) >> 8);
    }
    return bytes;
}

static std::uint32_t Le32At(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}

WaveChunks FindWaveChunks(const std::vector<std::uint8_t>& file)
{
    WaveChunks chunks;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::uint32_t size = Le32At(file, at + 4);
        if (std::memcmp(&file[at], "fmt ", 4) == 0) {
            chunks.formatOffset = static_cast<std::uint32_t>(at + 8);
            chunks.formatTag = static_cast<std::uint16_t>(file[at + 8] | file[at + 9] << 8);
            chunks.channels = static_cast<std::uint16_t>(file[at + 10] | file[at + 11] << 8);
            chunks.bits = static_cast<std::uint16_t>(file[at + 22] | file[at + 23] << 8);
        } else if (std::memcmp(&file[at], "data", 4) == 0) {
            chunks.dataOffset = static_cast<std::uint32_t>(at + 8);
            chunks.dataSize = size;
        }
        at += 8 + size + (size & 1);
    }
    return chunks;
}

std::string FreepatsPath(const std::string& name)
{
    return "/usr/share/midi/freepats/" + name;
}
