// Kurzweil K2000 program files (.krz, and .kr1 .kr2 ... of a floppy set): a chain of objects
// whose sample objects become wavesamples and keymap objects instruments. The 16-bit sample data
// may run on into the set's next files, which the copy routine follows. Big-endian.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kRead[] = "krz_Read";
constexpr char kCopy[] = "krz_Copy";
constexpr char kMagic[4] = {'P', 'R', 'A', 'M'};
constexpr char kNotPram[] = "Not a .KRZ (PRAM) file";

struct PramHeader {
    char magic[4];
    be32 dataStart;  // H: the object area ends and the sample data begin here
    std::uint8_t reserved[24];
};
static_assert(sizeof(PramHeader) == 32);

constexpr std::uint64_t kObjectsAt = sizeof(PramHeader);

struct ObjectHead {
    be16 marker;  // 0xFFFF; anything else ends the chain
    std::uint8_t reserved[2];
    std::uint8_t type;  // its two low bits are the id's bits 8 and 9
    std::uint8_t id;
    be16 rawSize;     // the object takes ((raw + 3) / 4 + 1) × 4 bytes from its head
    be16 nameLength;  // the name follows the head
};
static_assert(sizeof(ObjectHead) == 10);
static_assert(offsetof(ObjectHead, type) == 4 && offsetof(ObjectHead, rawSize) == 6);

constexpr std::uint8_t kFirstKeymapType = 148;  // 148..151
constexpr std::uint8_t kFirstSampleType = 152;  // 152..155

// Addresses are in 16-bit words from the start of the set's sample data.
struct SampleHeader {
    std::uint8_t rootKey;
    std::uint8_t flags;  // bit 7 no loop, bit 2 sampled release, bit 1 bidirectional, bit 0 reverse
    std::uint8_t reserved1[6];
    be32 start;
    be32 altStart;
    be32 loopStart;  // one above the first word of the loop
    be32 end;        // the last word
    std::uint8_t reserved2[4];
    be32 period;  // nanoseconds
};
static_assert(sizeof(SampleHeader) == 32);
static_assert(offsetof(SampleHeader, start) == 8 && offsetof(SampleHeader, loopStart) == 16 &&
              offsetof(SampleHeader, end) == 20 && offsetof(SampleHeader, period) == 28);

constexpr std::uint64_t kSampleHeadersAt = 10;  // in the sample object's body
// Wavesample index = sample id × 256 + header, so one object gives at most 256.
constexpr std::uint32_t kHeadersPerObject = 256;

struct KeymapBody {
    std::uint8_t reserved1[6];
    be16 lastEntry;  // entries − 1
    be16 entrySize;
    std::uint8_t reserved2[16];
};
static_assert(sizeof(KeymapBody) == 26);
static_assert(offsetof(KeymapBody, lastEntry) == 6 && offsetof(KeymapBody, entrySize) == 8);

constexpr int kFirstKey = 12;  // of the first entry
constexpr std::uint32_t kKeymapEntries = 128 - kFirstKey;

// A keymap waits for the walk's end, so that every sample object is there to be found by name.
struct Keymap {
    std::uint32_t id;
    char name[kNameSize];
    int nameLength;
    std::vector<std::uint8_t> body;
};

// A file of the set: where its data begin (H) and the words of data it holds.
struct SetFile {
    std::uint64_t dataStart = 0;
    std::uint64_t words = 0;
};

bool IsPram(const PramHeader& h)
{
    return std::memcmp(h.magic, kMagic, sizeof kMagic) == 0;
}

SetFile SetFileOf(const PramHeader& h, std::uint64_t fileSize)
{
    return {h.dataStart, fileSize > h.dataStart ? (fileSize - h.dataStart) / 2 : 0};
}

// False when the file is not a program file.
bool ReadSetFile(const File& file, SetFile& set)
{
    ByteReader reader(file);
    const auto h = reader.Get<PramHeader>();
    if (reader.Truncated() || !IsPram(h)) return false;
    set = SetFileOf(h, reader.Size());
    return true;
}

// The file after `path` in a numbered floppy set: the same name with its last digit one higher
// (NAME.KR1, NAME.KR2, ...), in the same folder and in any letter case; the name as expected
// when no such file is there. Empty when the name has no successor: a .krz file, or the ninth.
std::string NextInSet(const std::string& path)
{
    if (path.empty() || path.back() < '1' || path.back() > '8') return {};
    std::string next = path;
    ++next.back();
    const std::filesystem::path wanted(next);
    const std::string found = FindAnyCase(wanted.parent_path().string(), wanted.filename().string());
    return found.empty() ? next : found;
}

// Maps the sampler's word addresses to words of the set's data. The sampler counts every file
// after the first whole, its header included, so an address past one file's data skips the
// next file's header.
class DataMap {
public:
    DataMap(const std::string& path, const SetFile& first) : files_{first}
    {
        for (std::string at = NextInSet(path); !at.empty(); at = NextInSet(at)) {
            const File file = File::OpenRead(at);
            SetFile next;
            if (!file.IsOpen() || !ReadSetFile(file, next)) {
                continues_ = true;  // a gap: the copy names the file it misses
                return;
            }
            files_.push_back(next);
        }
    }

    // Words of data before `address`; an address in a header maps to where the data resume.
    std::uint64_t ToData(std::uint64_t address) const
    {
        std::uint64_t file = 0, data = 0;  // where the current file's data begin, in both counts
        for (std::size_t i = 0; i < files_.size(); ++i) {
            if (i > 0) file += files_[i].dataStart / 2;
            if (address < file) return data;
            if (address - file < files_[i].words) return data + (address - file);
            file += files_[i].words;
            data += files_[i].words;
        }
        // A missing file would start with a header like the first file's.
        if (continues_) file += files_[0].dataStart / 2;
        return address < file ? data : data + (address - file);
    }

    std::uint64_t Words() const
    {
        std::uint64_t words = 0;
        for (const SetFile& f : files_) words += f.words;
        return words;
    }
    // The set may hold data past the files that are here.
    bool Continues() const { return continues_; }

private:
    std::vector<SetFile> files_;
    bool continues_ = false;
};

std::uint32_t SampleRate(std::uint32_t period)
{
    constexpr std::uint32_t kNanoseconds = 1000000000;
    // No period (or one slower than 1 Hz) has no rate: the sampler's usual one stands in.
    return period != 0 && period <= kNanoseconds ? kNanoseconds / period : 44100;
}

void ReadSamples(WaveStore& store, ByteReader& body, std::uint32_t id, const char* name, int nameLength,
                 const DataMap& map)
{
    const std::uint32_t count = std::min<std::uint32_t>(body.Be16() + 1u, kHeadersPerObject);
    body.Seek(kSampleHeadersAt);
    const std::uint64_t dataBytes = map.Continues() ? UINT64_MAX : map.Words() * 2;
    for (std::uint32_t n = 0; n < count && body.Left() >= sizeof(SampleHeader); ++n) {
        const auto s = body.Get<SampleHeader>();
        if (s.end < s.start) continue;  // no data
        const std::uint64_t first = map.ToData(s.start);
        const std::uint64_t frames = map.ToData(s.end) - first + 1;
        if (first * 2 >= dataBytes) {
            store.NoteCutShort(frames);
            continue;
        }
        const std::uint64_t loopAt = map.ToData(std::max<std::uint32_t>(s.loopStart, 1) - 1);
        WavesampleRec& wave =
            *store.NewWavesample(id * kHeadersPerObject + n, krz_Copy, name, std::min(nameLength, 32));
        wave.layout = {.bits = 16, .bigEndian = true, .isSigned = true};
        wave.rootKey = s.rootKey;
        wave.sampleRate = SampleRate(s.period);
        wave.loopStart =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(loopAt > first ? loopAt - first : 0, UINT32_MAX));
        wave.loopEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames - 1, UINT32_MAX));
        if ((s.flags & 0x80) == 0) {
            wave.loopFlags = kLoopFound;
            if ((s.flags & 0x02) != 0) wave.loopFlags |= kLoopBidirectional;
            if ((s.flags & 0x04) != 0) wave.loopFlags |= kLoopRelease;
        }
        if ((s.flags & 0x01) != 0) wave.loopFlags |= kLoopReverse;
        PlaceSampleData(store, wave, dataBytes, first * 2, frames);
    }
}

// The wavesample an entry of `size` bytes names: its last byte is the header number + 1 (0: no
// sample), the two bytes before it the sample id; a one-byte entry counts from `base`.
ItemId EntryWave(ByteReader& entry, std::uint32_t size, std::uint32_t base)
{
    if (size == 1) {
        const std::uint8_t header = entry.U8();
        return header == 0 ? NO_ITEM : base + header - 1;
    }
    std::uint32_t id = 0;
    if (size >= 3) {
        entry.Seek(size - 3);
        id = (entry.U8() & 3u) << 8;
    }
    entry.Seek(size - 2);
    id |= entry.U8();
    const std::uint8_t header = entry.U8();
    return header == 0 ? NO_ITEM : id * kHeadersPerObject + header - 1;
}

// The first four letters of a name, in lower case: what a one-byte keymap's name is matched by.
std::string Prefix(const char* name)
{
    std::string prefix(name, strnlen(name, 4));
    for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return prefix;
}

// For each name prefix, the first wavesample in store order that has it.
std::map<std::string, std::uint32_t> WavesByPrefix(const WaveStore& store)
{
    std::map<std::string, std::uint32_t> waves;
    store.ForEachItem([&](ItemId item, const void* record) {
        if (IsWave(item)) waves.try_emplace(Prefix(static_cast<const WavesampleRec*>(record)->name), item & kIndexMask);
    });
    return waves;
}

void MakeInstrument(WaveStore& store, const Keymap& keymap, const std::map<std::string, std::uint32_t>& wavesByPrefix)
{
    ByteReader body(keymap.body);
    const auto k = body.Get<KeymapBody>();
    const std::uint32_t count = std::min<std::uint32_t>(k.lastEntry + 1u, kKeymapEntries);
    // One-byte entries count from the first wavesample named like the keymap.
    const auto named = wavesByPrefix.find(Prefix(keymap.name));
    const std::uint32_t base = named != wavesByPrefix.end() ? named->second : keymap.id * kHeadersPerObject;
    InstrumentRec& instrument = *store.NewInstrument(keymap.id, NO_ITEM, keymap.name, keymap.nameLength);
    for (std::uint32_t e = 0; e < count && k.entrySize != 0 && body.Left() >= k.entrySize; ++e) {
        ByteReader entry = body.Sub(k.entrySize);
        instrument.layer.keyMap[kFirstKey + e] = EntryWave(entry, k.entrySize, base);
    }
}

}  // namespace

int krz_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), kMagic, sizeof kMagic) == 0 ? 2 : 0;
}

bool krz_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<PramHeader>();
    if (reader.Truncated() || !IsPram(h)) return Fail(kRead, kNotPram);
    if (static_cast<std::int32_t>(h.dataStart.Get()) <= 0) return true;
    store.NewBank(nullptr, 0);
    const DataMap map(store.ImportPath(), SetFileOf(h, reader.Size()));

    // Objects lie back to back from the header to H; one that does not fit ends the chain.
    std::vector<Keymap> keymaps;
    bool ended = false;  // by the chain's own end, or at damage
    const std::uint64_t areaEnd = std::min<std::uint64_t>(h.dataStart, reader.Size());
    for (std::uint64_t at = kObjectsAt; at + sizeof(ObjectHead) <= areaEnd;) {
        reader.Seek(at);
        const auto head = reader.Get<ObjectHead>();
        ended = head.marker != 0xFFFF;
        if (ended) break;
        const std::uint64_t size = (head.rawSize + 3u) / 4 * 4 + 4;
        if (size < sizeof(ObjectHead) + head.nameLength || at + size > h.dataStart) {
            store.host.Warn("The file's object chain is damaged: its objects from offset " + std::to_string(at) +
                            " on were skipped");
            ended = true;
            break;
        }
        const std::uint32_t id = (head.type & 3u) << 8 | head.id;
        char name[kNameSize];
        const std::size_t nameBytes = std::min<std::size_t>(head.nameLength, kNameSize - 1);
        reader.Text(name, nameBytes);
        reader.Skip(head.nameLength - nameBytes);
        ByteReader body = reader.Sub(size - sizeof(ObjectHead) - head.nameLength);
        if (head.type >= kFirstSampleType && head.type < kFirstSampleType + 4) {
            ReadSamples(store, body, id, name, static_cast<int>(nameBytes), map);
        } else if (head.type >= kFirstKeymapType && head.type < kFirstKeymapType + 4) {
            Keymap& keymap = keymaps.emplace_back(Keymap{id, {}, static_cast<int>(nameBytes), {}});
            std::memcpy(keymap.name, name, sizeof name);
            keymap.body.resize(static_cast<std::size_t>(body.Left()));
            body.Read(keymap.body.data(), keymap.body.size());
        }
        at += size;
    }
    if (!ended && h.dataStart > reader.Size()) store.NoteCutShort(0);
    const std::map<std::string, std::uint32_t> wavesByPrefix = WavesByPrefix(store);
    for (const Keymap& keymap : keymaps) MakeInstrument(store, keymap, wavesByPrefix);
    return true;
}

bool krz_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    // Every file the data touch is found before any of it is handed on.
    struct Piece {
        std::string path;
        std::uint64_t offset;
        std::uint32_t frames;
    };
    std::vector<Piece> pieces;
    std::uint64_t word = wave.layout.offset / 2;  // into the data of the file at hand
    std::uint32_t remaining = wave.length;
    for (std::string path = wave.sourcePath; remaining > 0; path = NextInSet(path)) {
        if (path.empty()) return Fail(kCopy, "Sample data runs past the end of the file");
        const File file = File::OpenRead(path);
        if (!file.IsOpen()) return FailOnFile(kCopy, "Couldn't open input file", path, errno);
        SetFile set;
        if (!ReadSetFile(file, set)) return Fail(kCopy, kNotPram);
        if (word >= set.words) {
            word -= set.words;
            continue;
        }
        const auto frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, set.words - word));
        pieces.push_back({path, set.dataStart + word * 2, frames});
        remaining -= frames;
        word = 0;
    }
    WavesampleRec part = wave;
    for (const Piece& piece : pieces) {
        std::memcpy(part.sourcePath, piece.path.c_str(), std::min(piece.path.size() + 1, sizeof part.sourcePath));
        part.sourcePath[sizeof part.sourcePath - 1] = '\0';
        part.layout.offset = piece.offset;
        part.layout.bytes = std::uint64_t{piece.frames} * 2;
        part.length = piece.frames;
        if (!DecodeStored(kCopy, part, sink)) return false;
    }
    return true;
}
