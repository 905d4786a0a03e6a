// Amiga/PC tracker modules (MOD): the sample bank of a 15- or 31-sample module, found after
// the patterns the order table uses. Big-endian.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"

namespace {

struct ModSample {
    char name[22];
    be16 words;             // length in 16-bit words
    std::uint8_t finetune;  // low nibble: signed eighths of a semitone
    std::uint8_t volume;    // 0..64
    be16 loopStartWords;
    be16 loopWords;
};
static_assert(sizeof(ModSample) == 30);

// Song length, restart byte and the order table: at 950 in a 31-sample module, at 470 in a
// 15-sample one.
struct ModSong {
    std::uint8_t length;
    std::uint8_t restart;
    std::uint8_t orders[128];
};
static_assert(sizeof(ModSong) == 130);

struct ModHeader {
    char title[20];
    ModSample samples[31];
    ModSong song;
    char signature[4];
};
static_assert(sizeof(ModHeader) == 1084);
static_assert(offsetof(ModHeader, signature) == 1080);

constexpr std::uint64_t kOldHeaderEnd = 604;  // the 15-sample layout's header
constexpr std::uint64_t kOldSongAt = 470;

struct Signature {
    char text[5];
    int channels;
};
constexpr Signature kSignatures[] = {
    {"M.K.", 4},  {"M!K!", 4},  {"4CHN", 4},  {"6CHN", 6}, {"8CHN", 8}, {"10CH", 10}, {"12CH", 12}, {"14CH", 14},
    {"16CH", 16}, {"24CH", 24}, {"32CH", 32}, {"FLT4", 4}, {"FLT8", 8}, {"CD81", 8},  {"EX08", 8},  {"OCTA", 8},
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The channels a signature names, 0 for none: the listed ones, then the families other
// trackers write ("2CHN".."9CHN", "10CH".."32CH", "TDZ1".."TDZ3" of TakeTracker).
int ChannelsOf(const char (&s)[4])
{
    for (const Signature& known : kSignatures) {
        if (std::memcmp(s, known.text, 4) == 0) return known.channels;
    }
    if (IsDigit(s[0]) && s[0] != '0' && std::memcmp(s + 1, "CHN", 3) == 0) return s[0] - '0';
    if (IsDigit(s[0]) && IsDigit(s[1]) && s[2] == 'C' && s[3] == 'H') {
        const int channels = (s[0] - '0') * 10 + (s[1] - '0');
        return channels >= 10 && channels <= 32 ? channels : 0;
    }
    if (std::memcmp(s, "TDZ", 3) == 0 && s[3] >= '1' && s[3] <= '3') return s[3] - '0';
    return 0;
}

// One more than the highest pattern of order entries 0..song length (inclusive, as the
// module's players scan them), never past the table.
std::uint64_t PatternCount(const ModSong& song)
{
    const std::size_t scanned = std::min<std::size_t>(std::size_t{song.length} + 1, sizeof song.orders);
    return std::uint64_t{*std::max_element(song.orders, song.orders + scanned)} + 1;
}

void ReadSample(WaveStore& store, const ModSample& s, std::uint32_t index, std::uint64_t fileSize,
                std::uint64_t& offset)
{
    WavesampleRec& wave = *store.NewWavesample(index, mms_Copy, s.name, sizeof s.name);
    wave.loopStart = std::uint32_t{s.loopStartWords} * 2;
    wave.loopEnd = wave.loopStart + std::uint32_t{s.loopWords} * 2;
    if (wave.loopStart + 2 < wave.loopEnd) wave.loopFlags = kLoopFound;
    wave.fineTune = static_cast<std::int8_t>(s.finetune << 4);
    wave.volume = TrackerVolume(s.volume);
    offset += PlaceSampleData(store, wave, fileSize, offset, std::uint64_t{s.words} * 2);
}

}  // namespace

int mod_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    for (std::size_t i = 0; i < 15; ++i) {
        if (head[45 + 30 * i] > 64) return 0;
    }
    return 1;
}

bool mod_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    auto h = reader.Get<ModHeader>();
    int channels = ChannelsOf(h.signature);
    std::size_t sampleCount = 31;
    std::uint64_t headerEnd = sizeof(ModHeader);
    if (channels == 0) {
        channels = 4;
        sampleCount = 15;
        headerEnd = kOldHeaderEnd;
        reader.Seek(kOldSongAt);
        h.song = reader.Get<ModSong>();
    }
    store.NewBank(h.title, sizeof h.title);
    std::uint64_t offset = headerEnd + PatternCount(h.song) * static_cast<std::uint64_t>(channels) * 256;
    for (std::size_t i = 0; i < sampleCount; ++i) {
        if (h.samples[i].words != 0)
            ReadSample(store, h.samples[i], static_cast<std::uint32_t>(i), reader.Size(), offset);
    }
    return true;
}
