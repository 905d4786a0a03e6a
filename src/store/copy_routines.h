// Copy routines: fetch a wavesample's stored data, decode it to plain PCM (8-bit, or 16-bit
// little-endian) and hand it to a sink piece by piece. The general routines are entries over
// one decode path driven by the wavesample's layout; their names are their error locations.
#pragma once

#include "store/records.h"

bool std_Copy(const WavesampleRec& wave, SampleSink& sink);
bool mms_Copy(const WavesampleRec& wave, SampleSink& sink);
bool delta_Copy(const WavesampleRec& wave, SampleSink& sink);
bool mulaw_Copy(const WavesampleRec& wave, SampleSink& sink);
bool alaw_Copy(const WavesampleRec& wave, SampleSink& sink);
bool dviadpcm_Copy(const WavesampleRec& wave, SampleSink& sink);
bool msadpcm_Copy(const WavesampleRec& wave, SampleSink& sink);
// IEEE float, 32 or 64 bits: value × 32768, rounded to nearest, clamped.
bool float_Copy(const WavesampleRec& wave, SampleSink& sink);

// The general routine for a layout's coding (big-endian PCM wider than a byte: mms_Copy).
CopyRoutine GeneralCopyRoutine(const SampleLayout& layout);
// One of the routines above (a format's own routine is not).
bool IsGeneralCopyRoutine(CopyRoutine copy);

// The decode path itself, for format routines that hand over pieces of their own: reads the
// stored extent of `wave.layout` from `wave.sourcePath` in bounded pieces and delivers
// `wave.length` frames. Frames the extent does not hold are delivered as silence when the
// shortfall is small; a larger one fails with "Sample data runs past the end of the file".
bool DecodeStored(const char* location, const WavesampleRec& wave, SampleSink& sink);
