// Ensoniq EPS family instruments: single instrument files (EFE, INS), floppy images in a tagged
// container (GKH) and compacted images (EUI), whose directory trees lead to the instruments.
// Instrument records are word-spread (each 16-bit little-endian word carries one byte of the
// sampler's data in its low byte); sample data is 16-bit signed big-endian.
#include <strings.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <map>
#include <set>
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

constexpr char kIns[] = "ins_Read";
constexpr char kEfe[] = "efe_Read";
constexpr char kGkh[] = "gkh_Read";

// 12 characters in the low bytes of 12 words, ended by the first zero.
struct EpsText {
    le16 words[12];
};

// Offset from the instrument's start: high × 4096 + low × 16 (low bytes only); 0 = absent.
struct EpsPointer {
    le16 high;
    le16 low;

    std::uint32_t Offset() const { return (high & 0xFFu) * 4096 + (low & 0xFFu) * 16; }
};

// A byte offset with 8 fraction bits, one byte of it per word, most significant first.
struct EpsPosition {
    le16 words[4];

    std::uint32_t Value() const
    {
        std::uint32_t value = 0;
        for (const le16& w : words) value = (value << 8) + w;  // w0 × 2^24 + w1 × 2^16 + w2 × 256 + w3
        return value;
    }
    std::uint32_t Bytes() const { return Value() >> 8; }
};

struct EpsInstrument {
    le16 reserved[5];
    EpsText name;
    le16 reserved2[33];
    EpsPointer layers[8];
    EpsPointer waves[128];
    le16 reserved3[2];
};
static_assert(sizeof(EpsInstrument) == 648);
static_assert(offsetof(EpsInstrument, name) == 10 && offsetof(EpsInstrument, layers) == 100 &&
              offsetof(EpsInstrument, waves) == 132);

constexpr int kFirstKey = 21;  // of a layer's key table
constexpr int kLayerKeys = 88;

struct EpsLayer {
    le16 reserved[24];
    le16 keyWaves[kLayerKeys];  // the wave each key from kFirstKey up plays
};
static_assert(sizeof(EpsLayer) == 224 && offsetof(EpsLayer, keyWaves) == 48);

struct EpsWave {
    le16 reserved[5];
    EpsText name;
    le16 sourceWave;   // non-zero: no data of its own, the data of this wave ...
    le16 sourceLayer;  // ... of this layer (counted from 0)
    le16 reserved2[66];
    le16 rootKey;
    le16 reserved3[5];
    le16 fineTune;  // low byte: 1/128 semitone, signed
    le16 reserved4[12];
    le16 volume;  // becomes the layer volume
    le16 reserved5[14];
    le16 loopMode;      // 0..4
    EpsPosition start;  // of the data within the wave's data
    EpsPosition end;    // of its last sample
    EpsPosition loopStart;
    EpsPosition loopEnd;
    le16 rateCode;
    le16 reserved6[2];
};
static_assert(sizeof(EpsWave) == 278);
static_assert(offsetof(EpsWave, sourceWave) == 34 && offsetof(EpsWave, rootKey) == 170 &&
              offsetof(EpsWave, fineTune) == 182 && offsetof(EpsWave, volume) == 208 &&
              offsetof(EpsWave, loopMode) == 238 && offsetof(EpsWave, start) == 240 &&
              offsetof(EpsWave, loopEnd) == 264 && offsetof(EpsWave, rateCode) == 272);

constexpr std::uint64_t kWaveDataAt = 288;  // a wave's own data, from the wave's start
constexpr std::uint32_t kLayerBits = 8;     // wavesample index: base × 65536 + layer × 256 + wave
constexpr std::uint32_t kBaseBits = 16;
// The largest instrument base whose wavesample indexes still fit an item id.
constexpr std::uint32_t kMaxBase = kIndexMask >> kBaseBits;

std::string TextOf(const EpsText& text)
{
    std::string s;
    for (const le16& w : text.words) {
        if ((w & 0xFF) == 0) break;
        s += static_cast<char>(w & 0xFF);
    }
    return s;
}

constexpr std::uint8_t kLoopModeFlags[] = {0, kLoopReverse, kLoopFound, kLoopFound | kLoopBidirectional,
                                           kLoopFound | kLoopRelease};

std::uint32_t RateOf(std::uint32_t code)
{
    return code == 0 ? 48000 : code == 1 ? 44100 : 625000 / code;
}

// Data positions hold bytes and 1/256 bytes over 16-bit samples: a position's frame within
// the data from `startByte`, and the remainder in 1/256 frame.
void LoopPoint(const EpsPosition& at, std::uint32_t startByte, std::uint32_t& frame, std::uint8_t& fraction)
{
    const std::uint64_t from = std::uint64_t{startByte} << 8, value = at.Value();
    const std::uint64_t r = value > from ? value - from : 0;
    frame = static_cast<std::uint32_t>(r >> 9);
    fraction = static_cast<std::uint8_t>((r & 511) >> 1);
}

// Where a wave's samples lie.
struct WaveData {
    std::uint64_t offset = 0;
    std::uint64_t frames = 0;
};

class InstrumentReader {
public:
    InstrumentReader(WaveStore& store, const File& file, std::uint64_t start, std::uint32_t base)
        : store_(store), reader_(file), start_(start), base_(base)
    {
    }

    bool Read()
    {
        reader_.Seek(start_);
        if (reader_.Left() < sizeof(EpsInstrument)) return Fail(kIns, "read err inst");
        head_ = reader_.Get<EpsInstrument>();
        const std::string name = TextOf(head_.name);
        std::uint32_t made = 0;
        for (std::uint32_t l = 0; l < 8; ++l) {
            const std::uint32_t pointer = head_.layers[l].Offset();
            if (pointer == 0) continue;
            EpsLayer layer;
            if (!Get(pointer, layer)) return Fail(kIns, "read err layer");
            InstrumentRec& instrument =
                *store_.NewInstrument(base_ + made++, NO_ITEM, name.c_str(), static_cast<int>(name.size()));
            for (int k = 0; k < kLayerKeys; ++k) {
                const std::uint32_t wave = layer.keyWaves[k];
                instrument.layer.keyMap[kFirstKey + k] = wave < 128 ? WaveIndex(l, wave) : NO_ITEM;
            }
            for (std::uint32_t w = 0; w < 128; ++w) {
                if (head_.waves[w].Offset() == 0) continue;
                const EpsWave* wave = WaveHeader(w);
                if (wave == nullptr) return Fail(kIns, "read err wave");
                if (ReadWave(*wave, l, w))
                    instrument.layer.volume = static_cast<std::uint8_t>(std::min(wave->volume & 0xFFu, 127u));
            }
        }
        return true;
    }

private:
    template <class T>
    bool Get(std::uint32_t pointer, T& record)
    {
        reader_.Seek(start_ + pointer);
        if (reader_.Left() < sizeof(T)) return false;
        record = reader_.Get<T>();
        return true;
    }

    // Every layer has a wavesample of each wave, so each wave's header is read once.
    const EpsWave* WaveHeader(std::uint32_t w)
    {
        if (waveState_[w] == kUnread) waveState_[w] = Get(head_.waves[w].Offset(), waves_[w]) ? kRead : kShort;
        return waveState_[w] == kRead ? &waves_[w] : nullptr;
    }

    std::uint32_t WaveIndex(std::uint32_t layer, std::uint32_t wave) const
    {
        return base_ << kBaseBits | layer << kLayerBits | wave;
    }

    // The data wave `w` (header `wave`) plays: its own, 288 bytes after its start, or part of
    // the data of the wave it names, one of this instrument's waves in a present layer (which
    // may name another in turn). False when there is none.
    bool DataOf(const EpsWave& wave, std::uint32_t w, WaveData& data)
    {
        const std::uint32_t start = wave.start.Bytes(), end = wave.end.Bytes();
        if (end < start) return false;
        data.frames = std::uint64_t{end - start} / 2 + 1;
        const EpsWave* owner = &wave;
        std::uint32_t ownerIndex = w;
        for (int step = 0; owner->sourceWave != 0; ++step) {
            const std::uint32_t source = owner->sourceWave, layer = owner->sourceLayer;
            if (step == 128 || source >= 128 || layer >= 8 || head_.layers[layer].Offset() == 0) return false;
            if (head_.waves[source].Offset() == 0 || (owner = WaveHeader(source)) == nullptr) return false;
            ownerIndex = source;
        }
        const std::uint64_t own = start_ + head_.waves[ownerIndex].Offset() + kWaveDataAt;
        if (ownerIndex == w) {
            data.offset = own + start;  // the file's end is its only bound
            return true;
        }
        const std::uint32_t ownerStart = owner->start.Bytes(), ownerEnd = owner->end.Bytes();
        if (ownerEnd < ownerStart) return false;
        const std::uint64_t sharedBytes = (std::uint64_t{ownerEnd - ownerStart} / 2 + 1) * 2;
        if (start >= sharedBytes) return false;
        data.offset = own + ownerStart + start;
        data.frames = std::min(data.frames, (sharedBytes - start) / 2);
        return data.frames > 0;
    }

    bool ReadWave(const EpsWave& h, std::uint32_t layer, std::uint32_t w)
    {
        WaveData data;
        if (!DataOf(h, w, data)) return false;
        const std::string name = TextOf(h.name);
        WavesampleRec& wave =
            *store_.NewWavesample(WaveIndex(layer, w), mms_Copy, name.c_str(), static_cast<int>(name.size()));
        wave.layout.bits = 16;
        wave.layout.bigEndian = true;
        wave.layout.isSigned = true;
        wave.rootKey = static_cast<std::uint8_t>(std::min(h.rootKey & 0xFFu, 127u));
        wave.fineTune = static_cast<std::int8_t>(h.fineTune & 0xFF);
        wave.sampleRate = RateOf(h.rateCode & 0xFF);
        if (h.loopMode < std::size(kLoopModeFlags)) wave.loopFlags = kLoopModeFlags[h.loopMode];
        const std::uint32_t start = h.start.Bytes();
        LoopPoint(h.loopStart, start, wave.loopStart, wave.loopStartFrac);
        LoopPoint(h.loopEnd, start, wave.loopEnd, wave.loopEndFrac);
        PlaceSampleData(store_, wave, reader_.Size(), data.offset, data.frames);
        return true;
    }

    WaveStore& store_;
    ByteReader reader_;
    std::uint64_t start_;
    std::uint32_t base_;
    EpsInstrument head_{};
    enum WaveState : std::uint8_t { kUnread, kRead, kShort };
    std::array<WaveState, 128> waveState_{};
    std::vector<EpsWave> waves_ = std::vector<EpsWave>(128);
};

// A disk's directory: 26-byte entries filling its blocks. Big-endian numbers.
struct DirectoryEntry {
    std::uint8_t reserved;
    std::uint8_t type;  // 2 subdirectory, 3 instrument
    char name[12];
    be16 blocks;
    be16 contiguousBlocks;
    be32 firstBlock;
    std::uint8_t reserved2[4];
};
static_assert(sizeof(DirectoryEntry) == 26);
static_assert(offsetof(DirectoryEntry, blocks) == 14 && offsetof(DirectoryEntry, firstBlock) == 18);

constexpr std::uint8_t kSubdirectory = 2;
constexpr std::uint8_t kInstrument = 3;
constexpr std::uint64_t kBlock = 512;

// The disk's identity block, 512 bytes into the image.
struct DiskId {
    std::uint8_t reserved[30];
    std::uint8_t labelMark;  // GKH images: non-zero when the label is set
    char label[7];
    std::uint8_t reserved2[2];
};
static_assert(sizeof(DiskId) == 40 && offsetof(DiskId, label) == 31);

constexpr std::uint64_t kDiskIdAt = 512;
constexpr std::uint64_t kRootAt = kDiskIdAt + sizeof(DiskId) + 502;
constexpr std::uint64_t kRootBlocks = 2;

// Walks a disk's directory tree depth first and reads every instrument in it. Each directory
// and each instrument is read once: a directory that overlaps one already read (a tree that
// loops) or lies outside the file is skipped, so the walk reads no more than the file holds.
class DiskWalk {
public:
    // An entry's data lies at its first block × 512 − `adjust`.
    DiskWalk(WaveStore& store, const File& file, std::int64_t adjust)
        : store_(store), file_(file), reader_(file), adjust_(adjust)
    {
    }

    void Walk(std::uint64_t root, std::uint64_t blocks)
    {
        Enter(root, blocks);
        while (!open_.empty()) {
            Directory& d = open_.back();
            if (d.next == d.end) {
                open_.pop_back();
                continue;
            }
            reader_.Seek(d.next);
            d.next += sizeof(DirectoryEntry);
            const auto e = reader_.Get<DirectoryEntry>();
            if (e.type == kSubdirectory) {
                Enter(PositionOf(e.firstBlock), e.blocks);  // may move `d`
            } else if (e.type == kInstrument) {
                Instrument(PositionOf(e.firstBlock));
            }
        }
        if (skipped_) store_.host.Warn("Directory entries leading outside the disk or back into its tree were skipped");
        if (tooMany_) store_.host.Warn("The disk holds more instruments than can be read; the rest were skipped");
    }

private:
    struct Directory {
        std::uint64_t next;
        std::uint64_t end;
    };

    // Past the file's end for blocks before its start.
    std::uint64_t PositionOf(std::uint32_t block) const
    {
        const std::int64_t at = std::int64_t{block} * static_cast<std::int64_t>(kBlock) - adjust_;
        return at < 0 ? reader_.Size() : static_cast<std::uint64_t>(at);
    }

    void Enter(std::uint64_t at, std::uint64_t blocks)
    {
        if (blocks == 0) return;
        const std::uint64_t size = reader_.Size();
        const std::uint64_t end = at + std::min(blocks * kBlock, size - std::min(at, size));
        const auto next = read_.lower_bound(end);
        if (at >= size || (next != read_.begin() && std::prev(next)->second > at)) {
            skipped_ = true;
            return;
        }
        if (end < at + blocks * kBlock) store_.NoteCutShort(0);
        read_.emplace(at, end);
        const std::uint64_t entries = (end - at) / sizeof(DirectoryEntry);
        open_.push_back({at, at + entries * sizeof(DirectoryEntry)});
    }

    void Instrument(std::uint64_t at)
    {
        if (counter_ * 10 > kMaxBase) {
            tooMany_ = true;
            return;
        }
        const std::uint32_t base = counter_++ * 10;
        if (!instruments_.insert(at).second) {
            skipped_ = true;
            return;
        }
        if (!ins_Read(store_, file_, at, base)) {
            store_.host.Ask({.text = LastError.message, .caption = LastError.location});
        }
    }

    WaveStore& store_;
    const File& file_;
    ByteReader reader_;
    std::int64_t adjust_;
    std::vector<Directory> open_;                  // the directories being walked, innermost last
    std::map<std::uint64_t, std::uint64_t> read_;  // the byte ranges of the directories entered
    std::set<std::uint64_t> instruments_;
    std::uint32_t counter_ = 0;
    bool skipped_ = false;
    bool tooMany_ = false;
};

// The EFE header's texts, compared in any case.
constexpr char kEpsFile[] = "EPS File:";
constexpr char kInst[] = "Inst";

struct EfeHeader {
    std::uint8_t reserved[2];
    char epsFile[9];
    std::uint8_t reserved2[19];
    char fileType[8];  // "Instr" at its start or 4 bytes in: instrument files carry either
    std::uint8_t reserved3[8];
};
static_assert(sizeof(EfeHeader) == 46 && offsetof(EfeHeader, fileType) == 30);

constexpr std::uint64_t kEfeInstrumentAt = 512;

bool IsEfe(const char* text)
{
    return strncasecmp(text, kEpsFile, sizeof kEpsFile - 1) == 0;
}

struct GkhHeader {
    char magic[4];           // "TDDF"
    std::uint8_t byteOrder;  // 'I' Intel, 'M' Motorola (not read)
    std::uint8_t reserved;
    le16 tagCount;
};
static_assert(sizeof(GkhHeader) == 8);

struct GkhTag {
    std::uint8_t number;
    std::uint8_t reserved;
    le32 a;
    le32 b;
};
static_assert(sizeof(GkhTag) == 10);

constexpr std::uint8_t kTagDiskType = 1;   // a: 1 EPS disk; b: 1 uncompressed
constexpr std::uint8_t kTagImageAt = 11;   // b: where the image starts
constexpr std::uint8_t kTagDiskName = 20;  // a: length, b: offset of the name
constexpr std::uint32_t kDefaultImageAt = 58;
constexpr std::int64_t kEuiAdjust = 2674;

// The identity block of the image at `imageAt`.
DiskId ReadDiskId(ByteReader& reader, std::uint64_t imageAt)
{
    reader.Seek(imageAt + kDiskIdAt);
    return reader.Get<DiskId>();
}

}  // namespace

bool ins_Read(WaveStore& store, const File& file, std::uint64_t start, std::uint32_t base)
{
    return InstrumentReader(store, file, start, base).Read();
}

int efe_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return IsEfe(reinterpret_cast<const char*>(head.data()) + 2) ? 2 : 0;
}

bool efe_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<EfeHeader>();
    if (!IsEfe(h.epsFile)) return Fail(kEfe, "Not an EFE file");
    if (strncasecmp(h.fileType, kInst, sizeof kInst - 1) != 0 &&
        strncasecmp(h.fileType + 4, kInst, sizeof kInst - 1) != 0) {
        return Fail(kEfe, "Not an EFE instrument file");
    }
    store.NewBank(nullptr, 0);
    return ins_Read(store, file, kEfeInstrumentAt, 1);
}

int gkh_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "TDDF", 4) == 0 ? 2 : 0;
}

bool gkh_Read(WaveStore& store, File& file)
{
    store.NewBank(nullptr, 0);
    ByteReader reader(file);
    const auto h = reader.Get<GkhHeader>();
    if (std::memcmp(h.magic, "TDDF", 4) != 0) return Fail(kGkh, "Not a GKH file");
    if (h.byteOrder == 'M') return Fail(kGkh, "Can only read Intel style GKH files");
    std::uint64_t imageAt = kDefaultImageAt;
    bool named = false;
    for (std::uint32_t i = 0; i < h.tagCount && reader.Left() >= sizeof(GkhTag); ++i) {
        const auto tag = reader.Get<GkhTag>();
        if (tag.number == kTagDiskType) {
            if (tag.a != 1) return Fail(kGkh, "Not an EPS type GKH file");
            if (tag.b != 1) return Fail(kGkh, "Not an uncompressed GKH file");
        } else if (tag.number == kTagImageAt) {
            imageAt = tag.b;
        } else if (tag.number == kTagDiskName) {
            char name[kNameSize] = {};
            ByteReader text(file);
            text.Seek(tag.b);
            text.Read(name, std::min<std::uint32_t>(tag.a, kNameSize - 1));
            store.NewBank(name, kNameSize - 1);
            named = true;
        }
    }
    const DiskId id = ReadDiskId(reader, imageAt);
    if (id.labelMark != 0 && !named) store.NewBank(id.label, sizeof id.label);
    DiskWalk(store, file, -static_cast<std::int64_t>(imageAt)).Walk(imageAt + kRootAt, kRootBlocks);
    return true;
}

bool eui_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const DiskId id = ReadDiskId(reader, 0);
    if (id.label[0] != '\0') {
        store.NewBank(id.label, sizeof id.label);
    } else {
        store.NewBank(nullptr, 0);
    }
    DiskWalk(store, file, kEuiAdjust).Walk(kRootAt, kRootBlocks);
    return true;
}
