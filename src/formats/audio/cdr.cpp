// Audio-CD data: the whole file as 44.1 kHz stereo 16-bit big-endian samples; a last part
// frame is left out. Any file reads as one.
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"

bool cdr_Read(WaveStore& store, File& file)
{
    SampleLayout layout;
    layout.bits = 16;
    layout.channels = 2;
    layout.bigEndian = true;
    layout.bytes = file.Size();
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, nullptr, 0);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = 44100;
    return true;
}
