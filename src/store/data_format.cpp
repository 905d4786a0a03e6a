// The data format page's rules and the raw-data import.
#include "store/data_format.h"

#include <algorithm>

#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/last_error.h"

DataFormatChoice DataFormatInitial(const WavesampleRec& wave)
{
    DataFormatChoice choice;
    if (wave.copyRoutine == mulaw_Copy) {
        choice.type = DataType::MuLaw;
    } else if (wave.copyRoutine == alaw_Copy) {
        choice.type = DataType::ALaw;
    } else if (wave.copyRoutine == std_Copy || wave.copyRoutine == mms_Copy) {
        if (wave.bytesPerSample == 1) choice.type = DataType::Pcm8;
        if (wave.bytesPerSample == 2) choice.type = DataType::Pcm16;
        choice.byteSwap = wave.copyRoutine == mms_Copy;
    }
    choice.isSigned = wave.isSigned != 0;
    choice.stereo = wave.channels == 2;
    choice.sampleRate = wave.sampleRate;
    choice.dataOffset = wave.dataOffset;
    const std::uint64_t bits = std::uint64_t{wave.bits} * wave.channels * wave.length;
    choice.sampleSize = static_cast<std::uint32_t>(std::min<std::uint64_t>((bits + 7) / 8, UINT32_MAX));
    return choice;
}

namespace {

struct DataLayout {
    CopyRoutine copy;
    std::uint8_t bits;
    std::uint8_t bytesPerSample;
};

DataLayout LayoutOf(DataType type, bool byteSwap)
{
    switch (type) {
    case DataType::Pcm16:
        return {byteSwap ? mms_Copy : std_Copy, 16, 2};
    case DataType::MuLaw:
        return {mulaw_Copy, 8, 2};
    case DataType::ALaw:
        return {alaw_Copy, 8, 2};
    default:
        return {std_Copy, 8, 1};
    }
}

}  // namespace

void DataFormatApply(const DataFormatChoice& choice, WavesampleRec& wave, std::uint32_t fileSize)
{
    if (choice.type != DataType::None) {
        const DataLayout layout = LayoutOf(choice.type, choice.byteSwap);
        wave.copyRoutine = layout.copy;
        wave.bits = layout.bits;
        wave.bytesPerSample = layout.bytesPerSample;
    }
    wave.isSigned = choice.isSigned ? 1 : 0;
    wave.channels = choice.stereo ? 2 : 1;
    wave.sampleRate = choice.sampleRate;
    wave.dataOffset = choice.dataOffset;
    // An offset past the end leaves no data rather than a size that wrapped around.
    const std::uint32_t available = choice.dataOffset < fileSize ? fileSize - choice.dataOffset : 0;
    const std::uint64_t size = std::min(choice.sampleSize, available);
    const std::uint64_t frameBits = std::uint64_t{wave.bits} * wave.channels;
    if (frameBits != 0) wave.length = static_cast<std::uint32_t>(size * 8 / frameBits);
}

bool gen_Read(WaveStore& store, File&)
{
    const Answer answer = store.host.Ask(
        {"The selected file can not be detected\nas any of the supported import types.\n\n"
         "Select OK to manually supply additional\ninformation and treat it as raw data.",
         "Unknown file type!", Buttons::OkCancel, MessageIcon::Question, Answer::Ok});
    if (answer != Answer::Ok) return Fail("*_Read", "Cancelled");
    store.NewBank(nullptr, 0);
    RawParams& raw = store.rawParams;
    WavesampleRec* wave = store.NewWavesample(1, raw.byteSwap ? mms_Copy : std_Copy, nullptr, 0);
    wave->bits = static_cast<std::uint8_t>(raw.bytesPerSample * 8);
    wave->sampleRate = raw.sampleRate;
    wave->isSigned = raw.isSigned;
    wave->channels = raw.channels;
    wave->dataOffset = raw.dataOffset;
    wave->length = store.fileSize / (raw.bytesPerSample * raw.channels);
    store.host.ShowItemProperties(store, kWaveKind | 1, 1);
    // The sheet may not have deleted it, but a host is free to; remember only what exists.
    if (const WavesampleRec* edited = store.FetchWave(kWaveKind | 1)) {
        raw.bytesPerSample = edited->bits < 9 ? 1 : 2;
        raw.sampleRate = edited->sampleRate;
        raw.isSigned = edited->isSigned;
        raw.channels = edited->channels == 2 ? 2 : 1;
        raw.byteSwap = edited->copyRoutine == mms_Copy;
        raw.dataOffset = edited->dataOffset;
    }
    return true;
}
