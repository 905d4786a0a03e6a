// Scream Tracker 3 modules (S3M) and instrument files (S3I): each sampled instrument record
// becomes an instrument playing its one wavesample. Little-endian.
#include <cstddef>
#include <cstring>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct S3mHeader {
    char songName[28];
    std::uint8_t reserved[4];
    le16 orderCount;
    le16 instrumentCount;
    le16 patternCount;
    le16 flags;
    le16 trackerVersion;
    le16 sampleFormat;  // 1: signed samples (the first tracker versions), 2: unsigned
    char signature[4];  // "SCRM"
    std::uint8_t rest[48];
};
static_assert(sizeof(S3mHeader) == 96);
static_assert(offsetof(S3mHeader, signature) == 44);

struct S3mInstrument {
    std::uint8_t type;  // 1: sampled
    char fileName[12];
    std::uint8_t dataHigh;  // bits 16..23 of the data paragraph, for modules above 1 MB
    le16 dataParagraph;     // data position / 16
    le32 length;            // frames
    le32 loopStart;
    le32 loopEnd;
    std::uint8_t volume;  // 0..64
    std::uint8_t reserved;
    std::uint8_t packing;  // nonzero: packed, not read
    std::uint8_t flags;    // bit 0 loop, bit 1 stereo, bit 2 16-bit
    le32 c2Rate;
    std::uint8_t reserved2[12];
    char sampleName[28];
    char signature[4];  // "SCRS"
};
static_assert(sizeof(S3mInstrument) == 80);
static_assert(offsetof(S3mInstrument, c2Rate) == 32 && offsetof(S3mInstrument, sampleName) == 48);

constexpr char kWhere[] = "s3m_Read";

// A record's layer volume: quiet settings (below 16) play at full volume.
std::uint8_t LayerVolume(unsigned volume)
{
    return volume < 16 ? 127 : TrackerVolume(volume);
}

// The one wavesample of a record with data. Stereo data holds the left channel's frames,
// then the right's.
void ReadWave(WaveStore& store, const S3mInstrument& r, std::uint32_t index, bool isSigned, std::uint64_t fileSize)
{
    WavesampleRec& wave = *store.NewWavesample(index, std_Copy, nullptr, 0);
    wave.sampleRate = r.c2Rate;
    wave.layout.bits = r.flags & 4 ? 16 : 8;
    wave.layout.isSigned = isSigned;
    wave.layout.channels = r.flags & 2 ? 2 : 1;
    wave.layout.planar = wave.layout.channels == 2;
    if (r.flags & 1) {
        wave.loopStart = r.loopStart;
        wave.loopEnd = r.loopEnd;
        wave.loopFlags = kLoopFound;
    }
    const std::uint64_t paragraph = std::uint64_t{r.dataHigh} << 16 | r.dataParagraph;
    PlaceSampleData(store, wave, fileSize, paragraph * 16, r.length);
}

// Reads the 80-byte record at the reader's position as instrument `index`.
void ReadInstrument(WaveStore& store, ByteReader& reader, std::uint32_t index, bool isSigned)
{
    const auto r = reader.Get<S3mInstrument>();
    if ((r.length == 0 && r.fileName[0] == '\0') || r.type != 1) return;
    if (r.packing != 0) {
        store.host.Warn("Skipping Packed sample");
        return;
    }
    InstrumentRec& instrument = *store.NewInstrument(index, index, r.fileName, sizeof r.fileName);
    instrument.layer.volume = LayerVolume(r.volume);
    std::memcpy(instrument.note, r.sampleName, sizeof r.sampleName);
    if (r.length > 0) ReadWave(store, r, index, isSigned, reader.Size());
}

}  // namespace

int s3m_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data() + 44, "SCRM", 4) == 0 ? 2 : 0;
}

int s3i_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data() + 76, "SCRS", 4) == 0 ? 2 : 0;
}

bool s3m_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<S3mHeader>();
    if (std::memcmp(h.signature, "SCRM", 4) != 0) return Fail(kWhere, "Not an S3M module!");
    store.NewBank(h.songName, sizeof h.songName);
    reader.Skip(h.orderCount);
    ByteReader pointers = reader.Sub(std::uint64_t{h.instrumentCount} * 2);
    for (std::uint32_t i = 0; pointers.Left() >= 2; ++i) {
        ByteReader record(file);
        record.Seek(std::uint64_t{pointers.Le16()} * 16);
        ReadInstrument(store, record, i, h.sampleFormat == 1);
    }
    return true;
}

bool s3i_Read(WaveStore& store, File& file)
{
    store.NewBank(nullptr, 0);
    ByteReader reader(file);
    ReadInstrument(store, reader, 1, false);
    return true;
}
