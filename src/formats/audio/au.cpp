// Sun/NeXT/DEC audio: one wavesample read in either byte order, and written as a big-endian
// ".snd" file.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/byte_writer.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "au_Read";
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;

template <class U32>
struct AuHeader {
    std::uint8_t magic[4];
    U32 headerSize;  // where the data begin; any bytes before that after the header are text
    U32 dataSize;    // 0 or 0xFFFFFFFF: the data run to the end of the file
    U32 encoding;
    U32 sampleRate;
    U32 channels;
};
static_assert(sizeof(AuHeader<be32>) == 24 && sizeof(AuHeader<le32>) == 24);
static_assert(offsetof(AuHeader<be32>, encoding) == 12);

constexpr std::size_t kHeaderBytes = sizeof(AuHeader<be32>);

struct AuFields {
    std::uint32_t headerSize, dataSize, encoding, sampleRate, channels;
};

template <class U32>
AuFields FieldsOf(const std::uint8_t* bytes)
{
    AuHeader<U32> h;
    std::memcpy(&h, bytes, sizeof h);
    return {h.headerSize, h.dataSize, h.encoding, h.sampleRate, h.channels};
}

enum class Magic { None, BigEndian, LittleEndian };

Magic MagicOf(const std::uint8_t* head)
{
    // Sun and DEC magics as big-endian machines store them, and backwards as little-endian
    // ones do (SoX and libsndfile write and read them so).
    for (const char* big : {".snd", ".sd\0"}) {
        if (std::memcmp(head, big, 4) == 0) return Magic::BigEndian;
    }
    for (const char* little : {"dns.", "\0ds."}) {
        if (std::memcmp(head, little, 4) == 0) return Magic::LittleEndian;
    }
    return Magic::None;
}

// The stored coding of an encoding code; false for one this reader does not decode.
bool CodingOf(std::uint32_t encoding, SampleLayout& layout)
{
    switch (encoding) {
        case 1:
            layout.coding = SampleCoding::MuLaw;
            layout.bits = 8;
            return true;
        case 27:
            layout.coding = SampleCoding::ALaw;
            layout.bits = 8;
            return true;
        case 2:
        case 3:
        case 4:
        case 5:
            layout.bits = static_cast<std::uint8_t>(8 * (encoding - 1));
            return true;
        default:
            return false;
    }
}

// The text between the header and the data, up to its first zero byte, becomes the note.
void ReadHeaderText(ByteReader& reader, std::uint32_t headerSize, char (&note)[kNameSize])
{
    reader.Seek(kHeaderBytes);
    const std::uint64_t textBytes = std::min<std::uint64_t>(headerSize - kHeaderBytes, kNameSize - 1);
    reader.Text(note, static_cast<std::size_t>(std::min(textBytes, reader.Left())));
}

}  // namespace

int au_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return MagicOf(head.data()) != Magic::None ? 2 : 0;
}

bool au_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    std::uint8_t head[kHeaderBytes];
    reader.Read(head, sizeof head);
    const Magic magic = MagicOf(head);
    if (magic == Magic::None) return Fail(kWhere, "Unknown .AU type or not an Sun/Dec audio file");
    if (reader.Truncated()) return Fail(kWhere, "The file ends inside its Sun/DEC audio header");
    const AuFields h = magic == Magic::BigEndian ? FieldsOf<be32>(head) : FieldsOf<le32>(head);
    if (h.channels >= 3) return Fail(kWhere, "Can't read > 2 channel files!");
    SampleLayout layout;
    if (!CodingOf(h.encoding, layout)) return Fail(kWhere, "Unsupported compression type");
    if (h.headerSize < kHeaderBytes || h.headerSize > reader.Size()) {
        return Fail(kWhere, "The data offset lies inside the header or past the end of the file");
    }
    layout.bigEndian = magic == Magic::BigEndian;
    layout.channels = static_cast<std::uint8_t>(h.channels);
    layout.offset = h.headerSize;
    const std::uint64_t present = reader.Size() - h.headerSize;
    const bool toTheEnd = h.dataSize == 0 || h.dataSize == kUnknownSize;
    layout.bytes = toTheEnd ? present : std::min<std::uint64_t>(h.dataSize, present);

    char note[kNameSize] = "";
    ReadHeaderText(reader, h.headerSize, note);
    store.NewBank(nullptr, 0);
    const CopyRoutine copy = layout.coding != SampleCoding::Pcm ? GeneralCopyRoutine(layout)
                             : layout.bigEndian                 ? mms_Copy
                                                                : std_Copy;
    WavesampleRec& wave = *store.NewWavesample(1, copy, nullptr, 0);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = h.sampleRate;
    if (!toTheEnd && h.dataSize > present) store.NoteCutShort(FramesIn(layout, h.dataSize) - wave.length);
    // The note has no other home than an instrument: one is made only to carry it.
    if (note[0] != '\0') std::memcpy(store.NewInstrument(1, 1, nullptr, 0)->note, note, sizeof note);
    return true;
}

bool au_Write(WaveStore& store, File* file, ItemId item)
{
    constexpr char kWrite[] = "au_Write";
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr || file == nullptr) return RefuseKind(kWrite, "AU");
    const PcmFormat delivered = Delivered(*wave);
    const std::uint64_t bytes = std::uint64_t{wave->length} * delivered.FrameBytes();
    // Data too large for the size field are written with the size left unknown.
    const std::uint32_t dataSize = bytes < kUnknownSize ? static_cast<std::uint32_t>(bytes) : kUnknownSize;
    const ByteWriter header = ByteWriter{}
                                  .Tag(".snd")
                                  .Be32(kHeaderBytes)
                                  .Be32(dataSize)
                                  .Be32(delivered.bytesPerSample > 1 ? 3 : 2)
                                  .Be32(wave->sampleRate)
                                  .Be32(delivered.channels);
    if (!header.WriteTo(*file)) return Fail(kWrite, "File Write Error");
    NoteSampleLosses(store, *wave, false);
    return CopyToFile(*wave, SinkSignedBE, *file, kWrite);
}
