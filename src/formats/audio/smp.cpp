// Samplevision reader: one 16-bit mono wavesample with its name and comment, and a trailer
// after the data with the first loop, the unity note and the rate. Little-endian.
#include <strings.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "smp_Read";
constexpr char kMagic[] = "SOUND SAMPLE DATA";  // the 17 characters compared, in any case

struct SmpHeader {
    char magic[18];
    char version[4];
    char comment[60];  // the instrument's note
    char name[30];     // of the instrument and the wavesample
    le32 samples;
};
static_assert(sizeof(SmpHeader) == 116);
static_assert(offsetof(SmpHeader, name) == 82);

struct SmpTrailer {
    std::uint8_t reserved[2];
    le32 loopStart;  // the first of eight loops
    le32 loopEnd;
    std::uint8_t loopType;  // 1 forward, 2 forward and back
    std::uint8_t otherLoops[191];
    std::uint8_t unityNote;  // MIDI note + 4
    le32 rate;
    std::uint8_t reserved2[8];
};
static_assert(sizeof(SmpTrailer) == 215);
static_assert(offsetof(SmpTrailer, unityNote) == 202);

bool HasMagic(const void* head)
{
    return strncasecmp(static_cast<const char*>(head), kMagic, sizeof kMagic - 1) == 0;
}

// A fixed field's text, trailing spaces dropped (the format pads with them).
int TextLength(const char* field, std::size_t size)
{
    std::size_t length = static_cast<std::size_t>(std::find(field, field + size, '\0') - field);
    while (length > 0 && field[length - 1] == ' ') --length;
    return static_cast<int>(length);
}

}  // namespace

int smp_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return HasMagic(head.data()) ? 2 : 0;
}

bool smp_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<SmpHeader>();
    if (!HasMagic(h.magic)) return Fail(kWhere, "Invalid SMP Id");
    if (reader.Truncated()) return Fail(kWhere, "The file ends inside its .SMP header");
    SampleLayout layout;
    layout.bits = 16;
    layout.offset = sizeof(SmpHeader);
    const std::uint64_t declared = std::uint64_t{h.samples} * 2;
    layout.bytes = std::min(declared, reader.Left());

    store.NewBank(nullptr, 0);
    const int nameLength = TextLength(h.name, sizeof h.name);
    InstrumentRec& instrument = *store.NewInstrument(1, 1, h.name, nameLength);
    const int noteLength = TextLength(h.comment, sizeof h.comment);
    std::memcpy(instrument.note, h.comment, static_cast<std::size_t>(noteLength));
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, h.name, nameLength);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    if (declared > layout.bytes) {
        // No trailer either: the rate and loop keep their defaults.
        store.NoteCutShort(h.samples - std::uint64_t{wave.length});
        return true;
    }
    reader.Seek(sizeof(SmpHeader) + declared);
    const auto t = reader.Get<SmpTrailer>();
    if (reader.Truncated()) {
        store.NoteCutShort(0);
        return true;
    }
    wave.rootKey = static_cast<std::uint8_t>(t.unityNote - 4);
    if (t.rate != 0) wave.sampleRate = t.rate;
    // A loop is kept only within the data.
    if ((t.loopType == 1 || t.loopType == 2) && t.loopStart < t.loopEnd && t.loopEnd <= wave.length) {
        wave.loopFlags |= t.loopType == 1 ? kLoopFound : kLoopFound | kLoopBidirectional;
        wave.loopStart = t.loopStart;
        wave.loopEnd = t.loopEnd;
    }
    return true;
}
