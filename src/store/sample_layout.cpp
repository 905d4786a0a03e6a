// What a stored layout decodes to, in frames and bytes.
#include "store/sample_layout.h"

#include <algorithm>

namespace {

bool IsAdpcm(SampleCoding coding)
{
    return coding == SampleCoding::ImaAdpcm || coding == SampleCoding::MsAdpcm;
}

// Bytes of one stored sample of the non-block codings.
std::uint64_t StoredSampleBytes(const SampleLayout& layout)
{
    switch (layout.coding) {
    case SampleCoding::Delta:
        return layout.bits > 8 ? 2 : 1;
    case SampleCoding::MuLaw:
    case SampleCoding::ALaw:
        return 1;
    default:
        return (layout.bits + 7u) / 8u;
    }
}

// Frames in a block of `bytes`: the header's frames, then the codes that follow it.
std::uint64_t FramesInBlock(const SampleLayout& layout, std::uint64_t bytes)
{
    const std::uint64_t channels = layout.channels;
    if (layout.coding == SampleCoding::ImaAdpcm) {
        const std::uint64_t header = 4 * channels;
        if (bytes < header || layout.bits == 0) return 0;
        return (bytes - header) * 8 / (std::uint64_t{layout.bits} * channels) + 1;
    }
    const std::uint64_t header = 7 * channels;
    return bytes < header ? 0 : (bytes - header) * 2 / channels + 2;
}

}  // namespace

PcmFormat DeliveredFormat(const SampleLayout& layout)
{
    PcmFormat format;
    format.channels = layout.channels;
    const bool integer = layout.coding == SampleCoding::Pcm || layout.coding == SampleCoding::Delta;
    format.bytesPerSample = integer && layout.bits <= 8 ? 1 : 2;
    format.isSigned = !integer || layout.isSigned;
    return format;
}

StoredUnit UnitOf(const SampleLayout& layout)
{
    if (layout.channels == 0) return {};
    if (!IsAdpcm(layout.coding)) {
        const std::uint64_t bytes = StoredSampleBytes(layout) * layout.channels;
        return bytes == 0 ? StoredUnit{} : StoredUnit{bytes, 1};
    }
    if (layout.blockAlign == 0 || layout.framesPerBlock == 0) return {};
    return {layout.blockAlign, layout.framesPerBlock};
}

std::uint64_t FramesIn(const SampleLayout& layout, std::uint64_t bytes)
{
    const StoredUnit unit = UnitOf(layout);
    if (unit.bytes == 0) return 0;
    const std::uint64_t frames = bytes / unit.bytes * unit.frames;
    const std::uint64_t rest = bytes % unit.bytes;
    if (rest == 0 || !IsAdpcm(layout.coding)) return frames;
    return frames + std::min<std::uint64_t>(FramesInBlock(layout, rest), unit.frames);
}

std::uint32_t FramesInExtent(const SampleLayout& layout)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(FramesIn(layout, layout.bytes), UINT32_MAX));
}

std::uint64_t StoredBytesFor(const SampleLayout& layout, std::uint64_t frames)
{
    const StoredUnit unit = UnitOf(layout);
    if (unit.frames == 0) return 0;
    return (frames + unit.frames - 1) / unit.frames * unit.bytes;
}

std::uint64_t MaxFramesPerBlock(const SampleLayout& layout)
{
    if (!IsAdpcm(layout.coding) || layout.channels == 0) return 0;
    return FramesInBlock(layout, layout.blockAlign);
}
