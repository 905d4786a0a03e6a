// IRCAM SoundFile reader: one 16-bit wavesample behind a 1024-byte header of fields and coded
// texts. The magic gives the byte order of the header numbers and of the data.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <optional>

#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "sf_Read";
constexpr std::uint32_t kHeaderBytes = 1024;
constexpr std::uint32_t kFirstCode = 16;

// The four magics in file order: 01 and 03 little-endian, 02 and 04 big-endian.
std::optional<bool> BigEndianOf(const std::uint8_t* head)
{
    if (head[0] != 0x64 || head[1] != 0xA3 || head[3] != 0) return std::nullopt;
    if (head[2] == 1 || head[2] == 3) return false;
    if (head[2] == 2 || head[2] == 4) return true;
    return std::nullopt;
}

bool IsByteSwapped(const std::uint8_t* head)
{
    return std::memcmp(head, "\x00\x01\xA3\x64", 4) == 0;
}

struct SfFields {
    float rate;
    std::uint32_t channels, packMode;
};

template <class U32>
SfFields FieldsOf(ByteReader& reader)
{
    const std::uint32_t rate = reader.Get<U32>();
    const std::uint32_t channels = reader.Get<U32>();
    return {std::bit_cast<float>(rate), channels, reader.Get<U32>()};
}

struct SfTexts {
    char comment[kNameSize] = "";
    char note[kNameSize] = "";
};

// The coded texts between the fields and the data: code, size, then size bytes; code 0 ends.
template <class U16>
SfTexts ReadCodes(ByteReader header)
{
    SfTexts texts;
    header.Seek(kFirstCode);
    while (header.Tell() < kHeaderBytes - 1 && header.Left() >= 4) {
        const std::uint16_t code = header.Get<U16>();
        const std::uint16_t size = header.Get<U16>();
        if (code == 0) break;
        ByteReader body = header.Sub(size);
        if (code == 2 || code == 4) {
            char* field = code == 2 ? texts.comment : texts.note;
            body.Text(field, std::min<std::uint64_t>(body.Left(), kNameSize - 1));
        }
    }
    return texts;
}

}  // namespace

int sf_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    if (BigEndianOf(head.data())) return 2;
    return IsByteSwapped(head.data()) ? 1 : 0;
}

bool sf_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    std::uint8_t magic[4];
    reader.Read(magic, sizeof magic);
    const std::optional<bool> bigEndian = BigEndianOf(magic);
    if (!bigEndian) {
        return Fail(kWhere,
                    IsByteSwapped(magic) ? "Can't read .SF, it's probably byte-swapped" : "Not an IRCAM SoundFile");
    }
    const SfFields h = *bigEndian ? FieldsOf<be32>(reader) : FieldsOf<le32>(reader);
    if (reader.Size() < kHeaderBytes) return Fail(kWhere, "The file ends inside its IRCAM header");
    if (h.channels >= 3) return Fail(kWhere, "Can't handle > 2 channels");
    if (h.channels == 0) return Fail(kWhere, "No audio channels in .SF header");
    if (h.packMode != 2) return Fail(kWhere, "Can only handle 16bit .SF");
    if (!(h.rate >= 1.0f && h.rate < 4294967296.0f))
        return Fail(kWhere, "Sample rate is 0, out of range or not a number");

    const SfTexts texts = *bigEndian ? ReadCodes<be16>(ByteReader(file, 0, kHeaderBytes))
                                     : ReadCodes<le16>(ByteReader(file, 0, kHeaderBytes));
    const int commentLength = static_cast<int>(std::strlen(texts.comment));
    SampleLayout layout;
    layout.bits = 16;
    layout.channels = static_cast<std::uint8_t>(h.channels);
    layout.bigEndian = *bigEndian;
    layout.offset = kHeaderBytes;
    layout.bytes = reader.Size() - kHeaderBytes;
    store.NewBank(nullptr, 0);
    InstrumentRec& instrument = *store.NewInstrument(1, 1, texts.comment, commentLength);
    std::memcpy(instrument.note, texts.note, sizeof texts.note);
    WavesampleRec& wave = *store.NewWavesample(1, *bigEndian ? mms_Copy : std_Copy, texts.comment, commentLength);
    wave.layout = layout;
    wave.length = FramesInExtent(layout);
    wave.sampleRate = static_cast<std::uint32_t>(h.rate);
    return true;
}
