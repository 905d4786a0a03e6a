// Audio Visual Research sound files: one wavesample behind a 128-byte header, with its loop
// and names. Big-endian.
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

constexpr char kWhere[] = "avr_Read";

struct AvrHeader {
    char magic[4];  // "2BIT"
    char name[8];   // first 8 characters of the item name
    be16 stereo;    // nonzero: 2 channels
    be16 resolution;
    be16 isSigned;
    be16 loops;
    be16 keys;  // MIDI key split: 0xFFFF none, else the highest key in the high byte, the lowest in the low
    be32 rate;
    be32 frames;
    be32 loopBegin;
    be32 loopEnd;
    std::uint8_t reserved[6];
    char extendedName[20];  // characters 9 to 28 of the item name
    char userText[64];      // the bank's name
};
static_assert(sizeof(AvrHeader) == 128);
static_assert(offsetof(AvrHeader, rate) == 22 && offsetof(AvrHeader, extendedName) == 44);

// Characters of a fixed field up to its first zero byte.
std::size_t FieldLength(const char* field, std::size_t size)
{
    return static_cast<std::size_t>(std::find(field, field + size, '\0') - field);
}

}  // namespace

int avr_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "2BIT", 4) == 0 ? 2 : 0;
}

bool avr_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<AvrHeader>();
    if (std::memcmp(h.magic, "2BIT", 4) != 0) return Fail(kWhere, "Not an Audio Visual Research, .AVR file");
    if (reader.Truncated()) return Fail(kWhere, "The file ends inside its .AVR header");
    SampleLayout layout;
    layout.bits = static_cast<std::uint8_t>(h.resolution & 0xFF);
    if (layout.bits == 0 || layout.bits > 32) return Fail(kWhere, "Unsupported sample size in .AVR header");
    layout.channels = h.stereo != 0 ? 2 : 1;
    layout.isSigned = h.isSigned != 0;
    layout.bigEndian = true;
    layout.offset = sizeof(AvrHeader);
    const std::uint64_t declared = StoredBytesFor(layout, h.frames);
    layout.bytes = std::min<std::uint64_t>(declared, reader.Size() - sizeof(AvrHeader));

    char name[28];
    const std::size_t first = FieldLength(h.name, sizeof h.name);
    std::memcpy(name, h.name, first);
    const std::size_t rest = first == sizeof h.name ? FieldLength(h.extendedName, sizeof h.extendedName) : 0;
    std::memcpy(name + first, h.extendedName, rest);
    const int nameLength = static_cast<int>(first + rest);

    store.NewBank(h.userText, static_cast<int>(FieldLength(h.userText, sizeof h.userText)));
    InstrumentRec& instrument = *store.NewInstrument(0, 0, name, nameLength);
    const int low = h.keys & 0xFF, high = h.keys >> 8;
    if (h.keys != 0xFFFF && low <= high && high < 128) {
        for (int key = 0; key < 128; ++key) {
            if (key < low || key > high) instrument.layer.keyMap[key] = NO_ITEM;
        }
    }
    WavesampleRec& wave = *store.NewWavesample(0, mms_Copy, name, nameLength);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = h.rate;
    if (declared > layout.bytes) store.NoteCutShort(h.frames - std::uint64_t{wave.length});
    // A loop is kept only within the frames the file holds.
    if (h.loops != 0 && h.loopBegin < h.loopEnd && h.loopEnd <= wave.length) {
        wave.loopFlags |= kLoopFound;
        wave.loopStart = h.loopBegin;
        wave.loopEnd = h.loopEnd;
    }
    return true;
}
