// A PulseAudio server of its own for tests, whose one sink is a FIFO at 44.1 kHz, 16-bit
// stereo, drained by a thread while the test plays.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "kit/temp_file.h"

class PulseSink {
public:
    PulseSink();
    ~PulseSink();
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    bool Ready() const { return fd_ >= 0; }
    // What reached the sink from the first sound on, once the sink has been idle a moment.
    std::vector<std::uint8_t> Played();

private:
    TempDir folder_;
    int fd_ = -1;
    std::atomic<bool> stop_ = false;
    std::vector<std::uint8_t> captured_;
    std::thread drain_;
};
