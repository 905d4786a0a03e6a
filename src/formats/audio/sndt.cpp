// Sndtool reader: 8-bit unsigned mono data behind a 124-byte header with the rate and a text.
// Little-endian.
#include <cstddef>
#include <cstring>

#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct SndtHeader {
    char magic[6];  // "SOUND" and 0x1A
    std::uint8_t reserved[14];
    le16 rate;
    std::uint8_t reserved2[6];
    char text[80];  // the instrument's note
    std::uint8_t reserved3[16];
};
static_assert(sizeof(SndtHeader) == 124);
static_assert(offsetof(SndtHeader, rate) == 20 && offsetof(SndtHeader, text) == 28);

constexpr char kMagic[] = "SOUND\x1A";

}  // namespace

int sndt_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), kMagic, 6) == 0 ? 2 : 0;
}

bool sndt_Read(WaveStore& store, File& file)
{
    constexpr char kWhere[] = "sndt_Read";
    ByteReader reader(file);
    const auto h = reader.Get<SndtHeader>();
    if (std::memcmp(h.magic, kMagic, 6) != 0) return Fail(kWhere, "Not a Sndtool (.SNDT) file!");
    if (reader.Truncated()) return Fail(kWhere, "The file ends inside its .SNDT header");
    SampleLayout layout;
    layout.isSigned = false;
    layout.offset = sizeof(SndtHeader);
    layout.bytes = reader.Left();
    store.NewBank(nullptr, 0);
    InstrumentRec& instrument = *store.NewInstrument(1, 1, nullptr, 0);
    ByteReader(std::span(reinterpret_cast<const std::uint8_t*>(h.text), sizeof h.text))
        .Text(instrument.note, sizeof h.text);
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, nullptr, 0);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = h.rate;
    return true;
}
