// Item ids and the four item records of the store: plain structures owned by its list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "store/sample_layout.h"

class SampleSink;
struct WavesampleRec;

using ItemId = std::uint32_t;

constexpr ItemId kKindMask = 0xF8000000;
constexpr ItemId kIndexMask = 0x07FFFFFF;
constexpr ItemId kWaveKind = 0x80000000;
constexpr ItemId kInstrumentKind = 0x40000000;
constexpr ItemId kBankId = 0x20000000;
constexpr ItemId kFolderKind = 0x10000000;
constexpr ItemId NO_ITEM = 0x07FFFFFF;

constexpr bool IsWave(ItemId id) { return (id & kWaveKind) != 0; }
constexpr bool IsInstrument(ItemId id) { return (id & kKindMask) == kInstrumentKind; }
constexpr bool IsBank(ItemId id) { return id == kBankId; }
constexpr bool IsFolder(ItemId id) { return (id & kKindMask) == kFolderKind; }

constexpr std::size_t kNameSize = 81;  // 80 characters and the terminator
// Paths hold what the system allows (PATH_MAX); a cut path would name another file.
constexpr std::size_t kPathSize = 4096;

// Fetches and decodes a wavesample's data and hands all `length` frames to `sink`, in pieces
// of bounded size; false with LastError, or as soon as the sink fails.
using CopyRoutine = bool (*)(const WavesampleRec& wave, SampleSink& sink);

// loopFlags bits (the GF1 patch mode byte's values).
constexpr std::uint8_t kLoopOn = 4;
constexpr std::uint8_t kLoopBidirectional = 8;
constexpr std::uint8_t kLoopReverse = 16;
constexpr std::uint8_t kLoopSustain = 32;
constexpr std::uint8_t kLoopRelease = 64;
constexpr std::uint8_t kLoopFound = kLoopOn | kLoopSustain;  // what readers set for a loop

struct WavesampleRec {
    char name[kNameSize];
    char sourcePath[kPathSize];  // empty after reading: the opened file
    CopyRoutine copyRoutine;
    SampleLayout layout;   // where and how the data is stored
    std::uint32_t length;  // frames; never more than the stored data decodes to
    std::uint32_t sampleRate;
    std::uint32_t loopStart;
    std::uint32_t loopEnd;  // 0 with loopEndFrac 0 after reading: the last frame
    std::uint8_t loopStartFrac;  // 1/256 frame
    std::uint8_t loopEndFrac;
    std::uint8_t loopFlags;
    std::uint8_t rootKey;
    std::uint8_t lowKey;
    std::uint8_t highKey;
    std::int8_t fineTune;  // 1/128 semitone
    std::uint8_t pan;      // 0..127, 63 centre
    std::uint8_t volume;
    std::uint8_t scaleKey;  // GF1 scale frequency, passed from the GF1 reader to its writer
    std::uint16_t scaleFactor;
    std::uint32_t hasEnvelope;
    std::uint32_t envTime[7];
    std::uint8_t envLevel[8];
    ItemId owner;  // the last instrument whose layer uses this wavesample
    std::uint32_t exportIndex;   // a bank writer's scratch number
};

struct KeyRegion {
    ItemId wave;
    std::uint8_t lowKey;
    std::uint8_t highKey;
};

struct LayerRec {
    std::uint32_t present;
    ItemId keyMap[128];  // a reader may store plain wavesample indices or NO_ITEM
    std::uint8_t volume;
    std::int32_t regionCount;
    KeyRegion regions[128];
    std::uint32_t layerBytes;
};

struct InstrumentRec {
    char name[kNameSize];
    char note[kNameSize];
    std::uint8_t program;  // above 127: unassigned, numbered at import completion
    LayerRec layer;
    std::uint32_t waveCount;
    std::uint32_t totalBytes;
};

struct BankRec {
    char name[kNameSize];
    char path[kPathSize];
};

struct FolderRec {
    char name[kNameSize];
};

static_assert(std::is_trivially_copyable_v<WavesampleRec> && std::is_trivially_copyable_v<InstrumentRec>);
// Every record starts with its name, so that a name can be reached whatever the item's kind.
static_assert(offsetof(WavesampleRec, name) == 0 && offsetof(InstrumentRec, name) == 0 &&
              offsetof(BankRec, name) == 0 && offsetof(FolderRec, name) == 0);

// A loop counts as on when either of its two bits is set.
constexpr bool Loops(const WavesampleRec& wave)
{
    return (wave.loopFlags & kLoopFound) != 0;
}

// The PCM a wavesample's copy routine delivers.
inline PcmFormat Delivered(const WavesampleRec& wave)
{
    return DeliveredFormat(wave.layout);
}

// Bytes of a wavesample's data as delivered, saturated at 32 bits.
std::uint32_t WaveBytes(const WavesampleRec& wave);
