// SoundCap/SoundEdit recorded instruments: 8-bit unsigned mono data behind an 8-byte header
// with the loop, a key offset and the length. Big-endian. Any file reads as one.
#include <algorithm>

#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"

namespace {

struct DewfHeader {
    be16 loopStart;
    be16 loopEnd;
    std::uint8_t key;  // nonzero: the root key moves by key − 37
    std::uint8_t reserved;
    be16 length;
};
static_assert(sizeof(DewfHeader) == 8);

}  // namespace

bool dewf_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<DewfHeader>();
    SampleLayout layout;
    layout.isSigned = false;
    layout.bigEndian = true;
    layout.offset = sizeof(DewfHeader);
    layout.bytes = std::min<std::uint64_t>(h.length, reader.Left());
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, mms_Copy, nullptr, 0);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    if (h.length > wave.length) store.NoteCutShort(h.length - wave.length);
    if (h.key != 0) wave.rootKey = static_cast<std::uint8_t>(wave.rootKey + h.key - 37);
    // A loop is kept only within the frames the file holds.
    if (h.loopStart + 1 < h.loopEnd && h.loopEnd <= wave.length) {
        wave.loopFlags |= kLoopFound;
        wave.loopStart = h.loopStart;
        wave.loopEnd = h.loopEnd;
    }
    return true;
}
