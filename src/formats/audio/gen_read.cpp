// Raw data of a layout the user states: the "*" row, chosen when no other row recognises a
// file. The layout is asked for on the data format page and remembered for the run.
#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

bool gen_Read(WaveStore& store, File&)
{
    const Answer answer = store.host.Ask(
        {"The selected file can not be detected\nas any of the supported import types.\n\n"
         "Select OK to manually supply additional\ninformation and treat it as raw data.",
         "Unknown file type!", Buttons::OkCancel, MessageIcon::Question, Answer::Ok});
    if (answer != Answer::Ok) return Fail("*_Read", "Cancelled");
    store.NewBank(nullptr, 0);
    SampleLayout layout = store.rawLayout;
    layout.bytes = layout.offset < store.fileSize ? store.fileSize - layout.offset : 0;
    WavesampleRec* wave = store.NewWavesample(1, GeneralCopyRoutine(layout), nullptr, 0);
    wave->layout = layout;
    wave->sampleRate = store.rawRate;
    wave->length = FramesInExtent(layout);
    store.host.ShowItemProperties(store, kWaveKind | 1, 1);
    // The sheet may not have deleted it, but a host is free to; remember only what exists.
    if (const WavesampleRec* edited = store.FetchWave(kWaveKind | 1)) {
        store.rawLayout = edited->layout;
        store.rawRate = edited->sampleRate;
    }
    return true;
}
