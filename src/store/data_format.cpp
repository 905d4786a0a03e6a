// The data format page's rules.
#include "store/data_format.h"

#include <algorithm>

#include "store/copy_routines.h"

namespace {

DataType TypeOf(const SampleLayout& layout)
{
    switch (layout.coding) {
    case SampleCoding::MuLaw:
        return DataType::MuLaw;
    case SampleCoding::ALaw:
        return DataType::ALaw;
    case SampleCoding::Pcm:
        if (layout.bits <= 8) return DataType::Pcm8;
        return layout.bits <= 16 ? DataType::Pcm16 : DataType::None;
    default:
        return DataType::None;
    }
}

void SetType(DataType type, bool byteSwap, SampleLayout& layout)
{
    layout.coding = type == DataType::MuLaw ? SampleCoding::MuLaw
                    : type == DataType::ALaw ? SampleCoding::ALaw
                                             : SampleCoding::Pcm;
    layout.bits = type == DataType::Pcm16 ? 16 : 8;
    layout.bigEndian = type == DataType::Pcm16 && byteSwap;
}

}  // namespace

DataFormatChoice DataFormatInitial(const WavesampleRec& wave)
{
    const SampleLayout& layout = wave.layout;
    DataFormatChoice choice;
    // A format's own copy routine keeps its data type: the page offers only the general ones.
    choice.type = IsGeneralCopyRoutine(wave.copyRoutine) ? TypeOf(layout) : DataType::None;
    choice.isSigned = layout.isSigned;
    choice.stereo = layout.channels == 2;
    choice.byteSwap = layout.bigEndian;
    choice.sampleRate = wave.sampleRate;
    choice.dataOffset = static_cast<std::uint32_t>(std::min<std::uint64_t>(layout.offset, UINT32_MAX));
    const std::uint64_t size = std::min(StoredBytesFor(layout, wave.length), layout.bytes);
    choice.sampleSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, UINT32_MAX));
    return choice;
}

void DataFormatApply(const DataFormatChoice& choice, WavesampleRec& wave, std::uint32_t fileSize)
{
    SampleLayout& layout = wave.layout;
    if (choice.type != DataType::None) SetType(choice.type, choice.byteSwap, layout);
    layout.isSigned = choice.isSigned;
    layout.channels = choice.stereo ? 2 : 1;
    layout.offset = choice.dataOffset;
    // An offset past the end leaves no data rather than a size that wrapped around.
    const std::uint32_t available = choice.dataOffset < fileSize ? fileSize - choice.dataOffset : 0;
    layout.bytes = std::min(choice.sampleSize, available);
    if (IsGeneralCopyRoutine(wave.copyRoutine)) wave.copyRoutine = GeneralCopyRoutine(layout);
    wave.sampleRate = choice.sampleRate;
    wave.length = FramesInExtent(layout);
}
