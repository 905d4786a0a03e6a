// RIFF WAVE reader: format, data, fact, cue points with loop labels, sampler and instrument
// chunks, INFO texts. Little-endian.
#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/formats.h"
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

struct CuePoint {
    std::uint32_t id;
    std::uint32_t sampleOffset;
};

struct WalkState {
    bool haveFormat = false;
    bool haveData = false;
    std::vector<CuePoint> cues;
    std::uint32_t fact = 0;  // frames a "fact" chunk claims; 0 for none
    std::uint64_t declaredData = 0;  // bytes the "data" chunk says it holds
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

const char* AdpcmInvalid(SampleCoding coding)
{
    return coding == SampleCoding::MsAdpcm ? "Unsupported or invalid MS ADPCM file"
                                           : "Unsupported or invalid Intel DVI/IMA ADPCM file";
}

// The codec fields of an ADPCM "fmt " body after the 16 common bytes.
bool ReadAdpcmFormat(ByteReader& body, std::uint16_t tag, SampleLayout& layout)
{
    layout.coding = tag == kMsAdpcm ? SampleCoding::MsAdpcm : SampleCoding::ImaAdpcm;
    body.Skip(2);  // extra size
    layout.framesPerBlock = body.Le16();
    if (tag == kMsAdpcm) {
        const std::uint16_t count = body.Le16();
        layout.coefficientCount = static_cast<std::uint8_t>(std::min<std::uint16_t>(count, 7));
        for (MsAdpcmCoefficient& c : std::span(layout.coefficients, layout.coefficientCount)) {
            c.first = AsSigned(body.Le16());
            c.second = AsSigned(body.Le16());
        }
    }
    const bool validBits = tag == kMsAdpcm ? layout.bits == 4 : layout.bits >= 2 && layout.bits <= 4;
    return validBits || Fail(kWhere, AdpcmInvalid(layout.coding));
}

// A block holds its headers and the codes after them, no more: a larger count would invent
// frames the file does not have.
bool CheckBlocks(const SampleLayout& layout)
{
    if (layout.coding != SampleCoding::ImaAdpcm && layout.coding != SampleCoding::MsAdpcm) return true;
    if (layout.blockAlign == 0 || layout.framesPerBlock == 0) return Fail(kWhere, AdpcmInvalid(layout.coding));
    return layout.framesPerBlock <= MaxFramesPerBlock(layout) ||
           Fail(kWhere, "More samples per block than the block size holds");
}

bool ReadFormat(ByteReader body, WalkState& state, WavesampleRec& wave)
{
    std::uint16_t tag = body.Le16();
    const std::uint16_t channels = body.Le16();
    const std::uint32_t rate = body.Le32();
    body.Skip(4);  // average byte rate
    SampleLayout layout;
    layout.blockAlign = body.Le16();
    const std::uint16_t bits = body.Le16();
    if (tag == kExtensible) tag = ExtensibleTag(body);
    layout.bits = static_cast<std::uint8_t>(std::min<std::uint16_t>(bits, 255));
    switch (tag) {
    case kPcm:
        if (bits == 0 || bits > 32) return Fail(kWhere, "Unsupported compression type");
        layout.isSigned = bits > 8;
        break;
    case kFloat:
        if (bits != 32 && bits != 64) return Fail(kWhere, "Unsupported compression type");
        layout.coding = SampleCoding::Float;
        break;
    case kMsAdpcm:
    case kImaAdpcm:
        if (!ReadAdpcmFormat(body, tag, layout)) return false;
        break;
    case kALaw:
    case 258:
    case kMuLaw:
    case 257:
        layout.coding = tag == kALaw || tag == 258 ? SampleCoding::ALaw : SampleCoding::MuLaw;
        layout.bits = 8;
        break;
    case 16:
    case 259:
        return Fail(kWhere, "Unsupported ADPCM compression type");
    default:
        return Fail(kWhere, "Unsupported compression type");
    }
    if (channels == 0) return Fail(kWhere, "Zero channels!");
    if (channels > 2) return Fail(kWhere, "Can't handle > 2 channels!");
    layout.channels = static_cast<std::uint8_t>(channels);
    if (!CheckBlocks(layout)) return false;
    // The data chunk may have come first.
    layout.offset = wave.layout.offset;
    layout.bytes = wave.layout.bytes;
    wave.layout = layout;
    wave.copyRoutine = GeneralCopyRoutine(layout);
    wave.sampleRate = rate;
    state.haveFormat = true;
    return true;
}

// The frames the data holds; a "fact" count may shorten that, never lengthen it. For ADPCM a
// "fact" counts the frames of the last block too, and some writers put other counts there
// (half the frames of stereo data): one that is more than a block short is not believed.
std::uint32_t LengthOf(const WalkState& state, const SampleLayout& layout)
{
    const std::uint32_t frames = FramesInExtent(layout);
    if (state.fact == 0 || state.fact > frames) return frames;
    const bool adpcm = layout.coding == SampleCoding::ImaAdpcm || layout.coding == SampleCoding::MsAdpcm;
    return !adpcm || frames - state.fact <= layout.framesPerBlock ? state.fact : frames;
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
    WaveWalk(WaveStore& store, WavesampleRec& wave, InstrumentRec& instrument)
        : store_(store), wave_(wave), instrument_(instrument)
    {
    }

    bool Walk(ByteReader range)
    {
        return WalkChunks(range, ChunkOrder::Riff, [this](Chunk& chunk) { return Handle(chunk); });
    }

private:
    bool Handle(Chunk& chunk)
    {
        if (chunk.Is("RIFF")) return Riff(chunk);
        if (chunk.Is("LIST")) return WalkInside(chunk, [this](Chunk& inner) { return Handle(inner); });
        if (chunk.Is("fmt ")) return ReadFormat(chunk.body, state_, wave_);
        if (chunk.Is("data")) {
            // The body as far as the file holds it: nothing after it is read as audio.
            wave_.layout.offset = chunk.body.Offset();
            wave_.layout.bytes = chunk.body.Size();
            state_.declaredData = chunk.declaredSize;
            state_.haveData = true;
        } else if (chunk.Is("fact")) {
            state_.fact = chunk.body.Le32();
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

    bool Riff(Chunk& chunk)
    {
        state_.haveFormat = false;
        state_.haveData = false;
        state_.fact = 0;
        const bool walked = WalkInside(chunk, [this](Chunk& inner) { return Handle(inner); });
        state_.cues = {};
        if (!walked) return false;
        if (chunk.depth + 1 >= kMaxChunkDepth) return true;
        if (!state_.haveFormat || !state_.haveData) return Fail(kWhere, "No wave data found!");
        wave_.length = LengthOf(state_, wave_.layout);
        // A data chunk the file ends inside: the frames it should have had are missing.
        const std::uint64_t declared = FramesIn(wave_.layout, state_.declaredData);
        const std::uint64_t wanted = state_.fact != 0 ? std::min<std::uint64_t>(declared, state_.fact) : declared;
        if (wave_.layout.bytes < state_.declaredData && wanted > wave_.length)
            store_.NoteCutShort(wanted - wave_.length);
        return true;
    }

    WaveStore& store_;
    WavesampleRec& wave_;
    InstrumentRec& instrument_;
    WalkState state_;
};

}  // namespace

bool wav_Read(WaveStore& store, const File& file, std::uint32_t, WavesampleRec& wave, InstrumentRec& instrument,
              std::uint64_t start, std::uint64_t end)
{
    WaveWalk walk(store, wave, instrument);
    return walk.Walk(ByteReader(file, start, end > start ? end - start : 0));
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
