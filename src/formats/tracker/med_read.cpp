// OctaMED modules (MMD0..MMD3): structures found through file offsets from the header; each
// sampled instrument of the instrument table becomes an instrument playing its wavesample.
// Big-endian.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <set>
#include <string>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "med_Read";

struct MedHeader {
    char signature[4];  // "MMD" and the layout's digit
    be32 moduleLength;
    be32 song;  // offsets in the file; 0: none
    be16 playSection;
    be16 playSequence;
    be32 blocks;
    std::uint8_t flags;
    std::uint8_t reserved[3];
    be32 instruments;  // the table of 4-byte offsets of the instruments
    be32 reserved2;
    be32 expansion;
};
static_assert(sizeof(MedHeader) == 36);
static_assert(offsetof(MedHeader, song) == 8 && offsetof(MedHeader, instruments) == 24 &&
              offsetof(MedHeader, expansion) == 32);

struct MedSongSample {
    be16 repeatStart;   // in units of two frames, as the length
    be16 repeatLength;  // 0: no loop
    std::uint8_t midiChannel;
    std::uint8_t midiPreset;
    std::uint8_t volume;  // 0..64
    std::int8_t transpose;
};
static_assert(sizeof(MedSongSample) == 8);

constexpr std::size_t kSlots = 63;  // the song holds settings for this many samples

struct MedSong {
    MedSongSample samples[kSlots];
    std::uint8_t rest[283];
    std::uint8_t sampleCount;
};
static_assert(offsetof(MedSong, sampleCount) == 787);

struct MedExpansion {
    be32 nextModule;
    be32 sampleExtensions;
    be16 sampleExtensionCount;
    be16 sampleExtensionSize;
    be32 annotation;
    be32 annotationLength;
    be32 instrumentInfo;  // entries starting with a 40-byte name
    be16 instrumentInfoCount;
    be16 instrumentInfoSize;
    be32 jumpMask;
    be32 colours;
    std::uint8_t channelSplit[4];
    be32 noteInfo;
    be32 songName;
    be32 songNameLength;
};
static_assert(sizeof(MedExpansion) == 52);
static_assert(offsetof(MedExpansion, instrumentInfo) == 20 && offsetof(MedExpansion, instrumentInfoSize) == 26 &&
              offsetof(MedExpansion, songName) == 44);

struct MedInstrumentHead {
    be32 length;  // bytes of one channel
    be16 type;    // below 0: synthetic; bit 4 16-bit, bit 5 stereo (channels one after the other)
};
static_assert(sizeof(MedInstrumentHead) == 6);

constexpr std::size_t kInfoNameSize = 40;
constexpr std::size_t kMaxSongName = 256;
constexpr std::uint16_t k16Bit = 0x10, kStereo = 0x20;

template <class T>
T GetAt(const File& file, std::uint64_t offset, bool* cut = nullptr)
{
    ByteReader at(file);
    at.Seek(offset);
    const T value = at.Get<T>();
    if (cut != nullptr) *cut = at.Truncated();
    return value;
}

void NameBank(WaveStore& store, const File& file, const MedExpansion& x)
{
    if (x.songName == 0 || x.songNameLength == 0) {
        store.NewBank(nullptr, 0);
        return;
    }
    char name[kMaxSongName + 1];
    const std::size_t length = std::min<std::size_t>(x.songNameLength, kMaxSongName);
    ByteReader at(file);
    at.Seek(x.songName);
    at.Text(name, length);
    store.NewBank(name, static_cast<int>(length));
}

void ReadSample(WaveStore& store, const File& file, std::uint32_t i, std::uint64_t at, const MedSongSample& s,
                const MedExpansion& x)
{
    bool cut = false;
    const auto head = GetAt<MedInstrumentHead>(file, at, &cut);
    if (cut) {
        store.NoteCutShort(0);
        return;
    }
    const std::int16_t type = AsSigned(head.type);
    if (type < 0) {
        store.host.Warn("Unsupported instrument type: " + std::to_string(type));
        return;
    }
    char name[kInfoNameSize] = {};
    int nameLength = 0;
    if (x.instrumentInfo != 0 && i < x.instrumentInfoCount) {
        ByteReader info(file);
        info.Seek(x.instrumentInfo + std::uint64_t{i} * x.instrumentInfoSize);
        info.Read(name, sizeof name);
        nameLength = sizeof name;
    }
    store.NewInstrument(i, i, nameLength != 0 ? name : nullptr, nameLength);
    const bool wide = (type & k16Bit) != 0;
    WavesampleRec& wave =
        *store.NewWavesample(i, wide ? mms_Copy : std_Copy, nameLength != 0 ? name : nullptr, nameLength);
    wave.layout.bits = wide ? 16 : 8;
    wave.layout.bigEndian = wide;
    wave.layout.channels = type & kStereo ? 2 : 1;
    wave.layout.planar = wave.layout.channels == 2;
    wave.rootKey = static_cast<std::uint8_t>(std::clamp(60 + s.transpose, 0, 127));
    wave.volume = TrackerVolume(s.volume);
    wave.loopStart = std::uint32_t{s.repeatStart} * 2;
    wave.loopEnd = wave.loopStart + std::uint32_t{s.repeatLength} * 2;
    if (s.repeatLength != 0) wave.loopFlags = kLoopFound;
    PlaceSampleData(store, wave, file.Size(), at + sizeof head, head.length / (wide ? 2u : 1u));
}

}  // namespace

int med_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "MMD", 3) == 0 ? 2 : 0;
}

bool med_Read(WaveStore& store, File& file)
{
    const auto h = GetAt<MedHeader>(file, 0);
    if (std::memcmp(h.signature, "MMD", 3) != 0) return Fail(kWhere, "Not an OctaMED/MED MMDx module");
    if (h.song == 0) return Fail(kWhere, "No Song in file");
    if (h.instruments == 0) return Fail(kWhere, "No samples in file");
    const MedExpansion x = h.expansion != 0 ? GetAt<MedExpansion>(file, h.expansion) : MedExpansion{};
    NameBank(store, file, x);
    const auto song = GetAt<MedSong>(file, h.song);
    const std::size_t count = std::min<std::size_t>(song.sampleCount, kSlots);
    // Each instrument offset is followed once: a table naming one place twice makes one sample.
    std::set<std::uint32_t> followed;
    ByteReader table(file);
    table.Seek(h.instruments);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = table.Be32();
        if (at == 0 || !followed.insert(at).second) continue;
        ReadSample(store, file, i, at, song.samples[i], x);
    }
    return true;
}
