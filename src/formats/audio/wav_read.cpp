// RIFF WAVE reader: format, data, fact, cue points with loop labels, sampler and instrument
// chunks, INFO texts. Little-endian.
#include "formats/audio/wav_read.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

#include "formats/common/riff.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "wav_Read";

// Format tags.
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kMsAdpcm = 2;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kALaw = 6;
constexpr std::uint16_t kMuLaw = 7;
constexpr std::uint16_t kImaAdpcm = 17;
constexpr std::uint16_t kExtensible = 0xFFFE;

// LIST and RIFF nesting deeper than this is not followed (a file of nested lists must not
// exhaust the stack).
constexpr int kMaxDepth = 16;

struct CuePoint {
    std::uint32_t id;
    std::uint32_t sampleOffset;
};

struct WalkState {
    bool haveFormat = false;
    bool haveData = false;
    std::vector<CuePoint> cues;
    // For the length of compressed data that has no "fact".
    std::uint16_t blockAlign = 0;
    std::uint16_t samplesPerBlock = 0;
    std::uint16_t tag = 0;
};

const CuePoint* FindCue(const WalkState& state, std::uint32_t id)
{
    for (const CuePoint& cue : state.cues) {
        if (cue.id == id) return &cue;
    }
    return nullptr;
}

// The sub-format of WAVE_FORMAT_EXTENSIBLE: a GUID whose first two bytes are a format tag and
// whose rest is the fixed base GUID.
std::uint16_t ExtensibleTag(ByteReader format)
{
    static constexpr std::uint8_t kBaseGuid[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    format.Seek(24);
    const std::uint16_t tag = format.Le16();
    std::uint8_t rest[14];
    format.Read(rest, sizeof rest);
    return std::memcmp(rest, kBaseGuid, sizeof rest) == 0 && !format.Truncated() ? tag : 0;
}

bool ReadFormat(ByteReader body, WalkState& state, WavesampleRec& wave)
{
    std::uint16_t tag = body.Le16();
    const std::uint16_t channels = body.Le16();
    const std::uint32_t rate = body.Le32();
    body.Skip(4);  // average byte rate
    state.blockAlign = body.Le16();
    const std::uint16_t bits = body.Le16();
    if (tag == kExtensible) tag = ExtensibleTag(body);
    state.tag = tag;
    switch (tag) {
    case kPcm:
    case kFloat:
        if (bits == 0 || bits > (tag == kFloat ? 64 : 32) || (tag == kFloat && bits != 32 && bits != 64)) {
            return Fail(kWhere, "Unsupported compression type");
        }
        wave.copyRoutine = tag == kFloat ? float_Copy : std_Copy;
        wave.bits = static_cast<std::uint8_t>(bits);
        wave.bytesPerSample = tag == kFloat ? 2 : 0;
        wave.isSigned = bits > 8 ? 1 : 0;
        break;
    case kMsAdpcm:
    case kImaAdpcm:
        body.Skip(2);  // extra size
        state.samplesPerBlock = body.Le16();
        if (tag == kMsAdpcm && bits != 4) return Fail(kWhere, "Unsupported or invalid MS ADPCM file");
        if (tag == kImaAdpcm && (bits < 2 || bits > 4)) {
            return Fail(kWhere, "Unsupported or invalid Intel DVI/IMA ADPCM file");
        }
        wave.copyRoutine = tag == kMsAdpcm ? msadpcm_Copy : dviadpcm_Copy;
        wave.bits = static_cast<std::uint8_t>(bits);
        wave.bytesPerSample = 2;
        wave.isSigned = 1;
        wave.formatOffset = static_cast<std::uint32_t>(body.Offset() - body.Tell());
        break;
    case kALaw:
    case 258:
    case kMuLaw:
    case 257:
        wave.copyRoutine = tag == kALaw || tag == 258 ? alaw_Copy : mulaw_Copy;
        wave.bits = 8;
        wave.bytesPerSample = 2;
        wave.isSigned = 1;
        break;
    case 16:
    case 259:
        return Fail(kWhere, "Unsupported ADPCM compression type");
    default:
        return Fail(kWhere, "Unsupported compression type");
    }
    if (channels == 0) return Fail(kWhere, "Zero channels!");
    if (channels > 2) return Fail(kWhere, "Can't handle > 2 channels!");
    wave.channels = static_cast<std::uint8_t>(channels);
    wave.sampleRate = rate;
    state.haveFormat = true;
    return true;
}

// Frames in `bytes` of data: plain samples, or whole and partial ADPCM blocks.
std::uint32_t FramesIn(std::uint64_t bytes, const WalkState& state, const WavesampleRec& wave)
{
    const unsigned channels = std::max<unsigned>(wave.channels, 1);
    if ((state.tag == kImaAdpcm || state.tag == kMsAdpcm) && state.blockAlign != 0) {
        const unsigned header = (state.tag == kImaAdpcm ? 4u : 7u) * channels;
        const std::uint64_t blocks = bytes / state.blockAlign;
        const std::uint64_t rest = bytes % state.blockAlign;
        std::uint64_t frames = blocks * state.samplesPerBlock;
        if (rest > header) {
            frames += state.tag == kImaAdpcm ? (rest - header) * 8 / (std::uint64_t{wave.bits} * channels) + 1
                                             : (rest - header) * 2 / channels + 2;
        }
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, UINT32_MAX));
    }
    const std::uint64_t width = std::max<std::uint64_t>((wave.bits + 7u) / 8u, 1) * channels;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes / width, UINT32_MAX));
}

void ReadCues(ByteReader body, WalkState& state)
{
    const std::uint32_t count = body.Le32();
    const std::uint64_t fits = std::min<std::uint64_t>(count, body.Left() / 24);
    state.cues.clear();
    state.cues.reserve(fits);
    for (std::uint64_t i = 0; i < fits; ++i) {
        const std::uint32_t id = body.Le32();
        body.Skip(16);  // position, chunk id, chunk start, block start
        state.cues.push_back({id, body.Le32()});
    }
}

void ReadLabel(ByteReader body, const WalkState& state, WavesampleRec& wave)
{
    if (Loops(wave)) return;
    const CuePoint* cue = FindCue(state, body.Le32());
    char text[17];
    body.Text(text, std::min<std::uint64_t>(body.Left(), 16));
    if (cue == nullptr) return;
    if (strcasecmp(text, "Loop Start") == 0) {
        wave.loopStart = cue->sampleOffset;
    } else if (strcasecmp(text, "Loop End") == 0) {
        wave.loopEnd = cue->sampleOffset;
        wave.loopFlags |= kLoopFound;
    }
}

void ReadLabelledText(ByteReader body, const WalkState& state, WavesampleRec& wave)
{
    if (Loops(wave)) return;
    const CuePoint* cue = FindCue(state, body.Le32());
    const std::uint32_t length = body.Le32();
    if (cue == nullptr || !body.Tag("mark")) return;
    wave.loopStart = cue->sampleOffset;
    wave.loopEnd = wave.loopStart + length;
    wave.loopFlags |= kLoopFound;
}

void ReadSampler(ByteReader body, WavesampleRec& wave)
{
    body.Skip(8);  // manufacturer, product
    // The period is the format's rate cut to whole nanoseconds: it names another rate only
    // when it differs from that (44100 Hz gives 22675 ns, which would read back as 44101).
    const std::uint32_t period = body.Le32();
    if (period != 0 && (wave.sampleRate == 0 || 1000000000u / wave.sampleRate != period)) {
        wave.sampleRate = 1000000000u / period;
    }
    wave.rootKey = static_cast<std::uint8_t>(body.Le32());
    wave.fineTune = static_cast<std::int8_t>(body.Le32() >> 25);
    body.Skip(8);  // SMPTE format and offset
    const std::uint32_t loops = body.Le32();
    body.Skip(4);  // sampler data
    if (loops == 0) return;
    body.Skip(4);  // cue identifier
    const std::uint32_t type = body.Le32();
    wave.loopStart = body.Le32();
    wave.loopEnd = body.Le32();
    wave.loopStartFrac = 0;
    wave.loopEndFrac = static_cast<std::uint8_t>(body.Le32() >> 24);
    if (type == 0) wave.loopFlags = kLoopFound;
    if (type == 1) wave.loopFlags = kLoopFound | kLoopBidirectional;
    if (type == 255) wave.loopFlags = 0;
}

void ReadInstrumentChunk(ByteReader body, WavesampleRec& wave, InstrumentRec& instrument)
{
    wave.rootKey = body.U8();
    wave.fineTune = body.S8();
    wave.volume = body.U8();
    const std::uint8_t low = body.U8();
    const std::uint8_t high = body.U8();
    for (int key = 0; key < 128; ++key) {
        if (key < low || key > high) instrument.layer.keyMap[key] = NO_ITEM;
    }
}

// At most 80 bytes of text into a name field, terminated.
void ReadText(ByteReader body, char (&field)[kNameSize])
{
    body.Text(field, std::min<std::uint64_t>(body.Left(), kNameSize - 1));
}

class WaveWalk {
public:
    WaveWalk(WavesampleRec& wave, InstrumentRec& instrument) : wave_(wave), instrument_(instrument) {}

    bool Walk(ByteReader range, int depth)
    {
        return WalkChunks(range, SizeOrder::LittleEndian, [&](Chunk& chunk) { return Handle(chunk, depth); });
    }

private:
    bool Handle(Chunk& chunk, int depth)
    {
        if (chunk.Is("RIFF")) return Riff(chunk.body, depth);
        if (chunk.Is("LIST")) {
            chunk.body.Skip(4);  // list type
            return depth >= kMaxDepth || Walk(chunk.body, depth + 1);
        }
        if (chunk.Is("fmt ")) return ReadFormat(chunk.body, state_, wave_);
        if (chunk.Is("data")) {
            wave_.dataOffset = static_cast<std::uint32_t>(chunk.body.Offset());
            dataSize_ = chunk.body.Size();
            state_.haveData = true;
        } else if (chunk.Is("fact")) {
            wave_.length = chunk.body.Le32();
        } else if (chunk.Is("cue ")) {
            ReadCues(chunk.body, state_);
        } else if (chunk.Is("labl")) {
            ReadLabel(chunk.body, state_, wave_);
        } else if (chunk.Is("ltxt")) {
            ReadLabelledText(chunk.body, state_, wave_);
        } else if (chunk.Is("smpl")) {
            ReadSampler(chunk.body, wave_);
        } else if (chunk.Is("inst")) {
            ReadInstrumentChunk(chunk.body, wave_, instrument_);
        } else if (chunk.Is("INAM")) {
            ReadText(chunk.body, wave_.name);
        } else if (chunk.Is("ICMT")) {
            ReadText(chunk.body, instrument_.name);
        } else if (chunk.Is("ISFT")) {
            ReadText(chunk.body, instrument_.note);
        }
        return true;
    }

    bool Riff(ByteReader body, int depth)
    {
        if (depth >= kMaxDepth) return true;
        body.Skip(4);  // form type
        state_.haveFormat = false;
        state_.haveData = false;
        const bool walked = Walk(body, depth + 1);
        state_.cues = {};
        if (!walked) return false;
        if (!state_.haveFormat || !state_.haveData) return Fail(kWhere, "No wave data found!");
        // The data's own length unless "fact" gave one; worked out once the format is known,
        // wherever the chunks stand.
        if (wave_.length == 0 || !PlausibleAdpcmLength(wave_.length)) wave_.length = FramesIn(dataSize_, state_, wave_);
        return true;
    }

    // A "fact" of ADPCM data counts frames of its last block; some writers put other counts
    // there (half the frames of stereo data), and then the blocks say how long the sound is.
    bool PlausibleAdpcmLength(std::uint32_t length) const
    {
        if (state_.tag != kImaAdpcm && state_.tag != kMsAdpcm) return true;
        const std::uint32_t blockFrames = FramesIn(dataSize_, state_, wave_);
        return length <= blockFrames && blockFrames - length <= state_.samplesPerBlock;
    }

    WavesampleRec& wave_;
    InstrumentRec& instrument_;
    WalkState state_;
    std::uint64_t dataSize_ = 0;
};

}  // namespace

bool wav_Read(WaveStore&, const File& file, std::uint32_t, WavesampleRec& wave, InstrumentRec& instrument,
              std::uint64_t start, std::uint64_t end)
{
    WaveWalk walk(wave, instrument);
    return walk.Walk(ByteReader(file, start, end > start ? end - start : 0), 0);
}

bool wav_ReadFile(WaveStore& store, File& file)
{
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, nullptr, 0);
    InstrumentRec& instrument = *store.NewInstrument(1, 1, nullptr, 0);
    if (wav_Read(store, file, 0, wave, instrument, 0, file.Size())) return true;
    store.DeleteItem(kBankId);
    store.DeleteItem(kInstrumentKind | 1);
    store.DeleteItem(kWaveKind | 1);
    return false;
}

int wav_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    if (std::memcmp(head.data(), "RIFF", 4) != 0) return 0;
    return std::memcmp(head.data() + 8, "WAVE", 4) == 0 ? 2 : 1;
}
