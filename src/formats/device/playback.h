// Playing wavesamples on the wave output device: what a device offers decides the form each
// wavesample plays in.
#pragma once

#include <cstdint>
#include <string>

#include "host/wave_out.h"
#include "store/records.h"

struct PlaybackCaps {
    bool can16Bit = false;
    bool can11025 = false;
    bool can22050 = false;
    bool can44100 = false;
    bool canStereo = false;
};

PlaybackCaps PlaybackCapsOf(const WaveOutCaps& caps);
// The wavesample's own rate, 16 bit and stereo where both it and the device have them.
PlayFormat PlayFormatFor(const WavesampleRec& wave, const PlaybackCaps& caps);
// The rate to try when the device refuses the wavesample's own.
std::uint32_t FallbackRate(std::uint32_t rate, const PlaybackCaps& caps);
// "<n> samples, <s> s", the seconds rounded to whole ones.
std::string DurationText(const WavesampleRec& wave);
