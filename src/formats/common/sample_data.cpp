// Where a module's sample data lies, fitted to the file that holds it.
#include "formats/common/sample_data.h"

#include <algorithm>

#include "store/wave_store.h"

void FitLoop(WavesampleRec& wave)
{
    wave.loopEnd = std::min(wave.loopEnd, wave.length);
    if (wave.loopStart >= wave.loopEnd) {
        wave.loopFlags &= static_cast<std::uint8_t>(~(kLoopFound | kLoopBidirectional));
        wave.loopStart = std::min(wave.loopStart, wave.loopEnd);
    }
}

std::uint64_t PlaceSampleData(WaveStore& store, WavesampleRec& wave, std::uint64_t fileSize, std::uint64_t offset,
                              std::uint64_t frames)
{
    SampleLayout& layout = wave.layout;
    const std::uint64_t declared = StoredBytesFor(layout, frames);
    const std::uint64_t present = fileSize - std::min(offset, fileSize);
    layout.offset = offset;
    std::uint64_t held = 0;
    if (layout.planar) {
        // The right channel starts halfway through the declared data, so a cut file loses
        // frames from the right channel's end; the halves stay where they are.
        layout.bytes = declared;
        const std::uint64_t half = declared / 2, width = (layout.bits + 7u) / 8;
        held = (present > half ? present - half : 0) / width;
    } else {
        layout.bytes = std::min(declared, present);
        held = FramesInExtent(layout);
    }
    wave.length = static_cast<std::uint32_t>(std::min(held, frames));
    if (wave.length < frames) store.NoteCutShort(frames - wave.length);
    FitLoop(wave);
    return declared;
}

std::uint8_t TrackerVolume(unsigned volume)
{
    return static_cast<std::uint8_t>(std::min(volume, 64u) * 127 / 64);
}
