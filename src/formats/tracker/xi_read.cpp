// Fast Tracker 2 extended instruments (XI): one instrument of an extended module saved on
// its own, with its key map and samples. Little-endian.
#include <strings.h>

#include <cstddef>

#include "formats/formats.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "xi_Read";
constexpr char kMagic[] = "Extended Instrument: ";  // compared in any case

struct XiHeader {
    char magic[21];
    char name[22];
    std::uint8_t marker;
    char tracker[20];
    le16 version;
    std::uint8_t sampleMap[96];  // the sample for each note from C-0
    std::uint8_t envelopes[134];
    le16 sampleCount;
};
static_assert(sizeof(XiHeader) == 298);
static_assert(offsetof(XiHeader, sampleMap) == 66 && offsetof(XiHeader, sampleCount) == 296);

constexpr std::uint32_t kSampleHeaderSize = 40;

bool HasMagic(const char* head)
{
    return strncasecmp(head, kMagic, sizeof kMagic - 1) == 0;
}

}  // namespace

int xi_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return HasMagic(reinterpret_cast<const char*>(head.data())) ? 2 : 0;
}

bool xi_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<XiHeader>();
    if (!HasMagic(h.magic)) return Fail(kWhere, "Not an XI - Extended Instrument file");
    if (h.sampleCount > kXmMaxSamples) return Fail(kWhere, "The instrument has more than 16 samples");
    store.NewBank(nullptr, 0);
    InstrumentRec& instrument = *store.NewInstrument(0, NO_ITEM, h.name, sizeof h.name);
    for (int k = 0; k < 96; ++k) instrument.layer.keyMap[k + 12] = kWaveKind | h.sampleMap[k];
    // Instruments of modules with the linear frequency table, the only kind the tracker saves.
    xm_ReadSamples(store, reader, kSampleHeaderSize, 0, h.sampleCount, true);
    return true;
}
