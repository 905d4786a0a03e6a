// Sounder reader: 8-bit unsigned mono data behind an 8-byte header holding the rate.
// Little-endian.
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct SndrHeader {
    le16 zero;  // always 0: the only mark of the format
    le16 rate;
    std::uint8_t reserved[4];
};
static_assert(sizeof(SndrHeader) == 8);

}  // namespace

int sndr_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return head[0] == 0 && head[1] == 0 ? 1 : 0;
}

bool sndr_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<SndrHeader>();
    // A cut header reads as zeros, so its rate refuses it.
    if (h.zero != 0 || h.rate == 0) return Fail("sndr_Read", "Not a Sounder (.SNDR) file!");
    SampleLayout layout;
    layout.isSigned = false;
    layout.offset = sizeof(SndrHeader);
    layout.bytes = reader.Left();
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, nullptr, 0);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = h.rate;
    return true;
}
