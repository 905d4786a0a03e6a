// AIFF, AIFC, 8SVX and 16SV reader: one bank, instrument and wavesample per file, the loop from
// markers and the instrument chunk or from the voice header, texts. Big-endian.
#include <strings.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/common/extended_rate.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "xiff_Read";

enum class Form { Aiff, Aifc, Svx8, Sv16 };

struct Marker {
    std::uint16_t id;
    std::uint32_t position;
};

struct WalkState {
    Form form = Form::Aiff;
    bool haveHeader = false;  // COMM or VHDR
    bool haveData = false;    // SSND or BODY
    SampleLayout layout;      // coding from the header chunk
    std::uint64_t dataOffset = 0, dataBytes = 0, declaredData = 0;
    std::uint32_t frames = 0;
    std::uint8_t channels = 1;  // of IFF, from CHAN
    std::vector<Marker> markers;
    bool haveInst = false;
    std::uint16_t sustainBegin = 0, sustainEnd = 0;  // marker ids of the sustain loop
    std::optional<std::uint32_t> namedStart, namedEnd;
};

const Marker* FindMarker(const WalkState& state, std::uint16_t id)
{
    for (const Marker& marker : state.markers) {
        if (marker.id == id) return &marker;
    }
    return nullptr;
}

// A marker name counts as `loopName` ("beg loop" or "end loop") with or without its
// terminator: KOBA has always written the terminator too, others have not.
bool NamesLoop(const char* name, std::size_t length, const char (&loopName)[9])
{
    return (length == 8 || length == 9) && std::memcmp(name, loopName, length) == 0;
}

// The compression types of AIFC that hold PCM, float or G.711 data; false for the others.
bool TakeCompression(std::string_view type, SampleLayout& layout)
{
    if (type == "NONE" || type == "twos") return true;
    if (type == "sowt") {
        layout.bigEndian = false;
        return true;
    }
    const auto is = [&](const char* name) { return strncasecmp(type.data(), name, 4) == 0; };
    if (is("fl32") || is("fl64")) {
        layout.coding = SampleCoding::Float;
        layout.bits = is("fl32") ? 32 : 64;
    } else if (is("ulaw") || is("alaw")) {
        layout.coding = is("ulaw") ? SampleCoding::MuLaw : SampleCoding::ALaw;
        layout.bits = 8;
    } else {
        return false;
    }
    return true;
}

bool ReadCommon(ByteReader body, WalkState& state, WavesampleRec& wave)
{
    const std::uint16_t channels = body.Be16();
    state.frames = body.Be32();
    const std::uint16_t bits = body.Be16();
    std::uint8_t rate[10];
    body.Read(rate, sizeof rate);
    if (channels > 2) return Fail(kWhere, "Can't handle > 2 channel files");
    if (channels == 0) return Fail(kWhere, "No channels in COMM chunk");
    SampleLayout layout;
    layout.channels = static_cast<std::uint8_t>(channels);
    layout.bits = static_cast<std::uint8_t>(std::min<std::uint16_t>(bits, 255));
    layout.bigEndian = true;
    // Only AIFC has a compression type; a COMM too short to hold one is uncompressed.
    char type[4] = {'N', 'O', 'N', 'E'};
    if (state.form == Form::Aifc && body.Left() >= 4) body.Read(type, 4);
    if (!TakeCompression({type, 4}, layout)) {
        const std::uint8_t length = body.U8();
        char name[97];
        body.Text(name, std::min<std::uint64_t>({length, body.Left(), 96}));
        return Fail(kWhere, std::string("Can't handle compression: ") + name);
    }
    if (layout.coding == SampleCoding::Pcm && (bits == 0 || bits > 32)) {
        return Fail(kWhere, "Unsupported sample size in COMM chunk");
    }
    const std::optional<std::uint32_t> hz = ExtendedToRate(rate);
    if (!hz) return Fail(kWhere, "Sample rate is 0, out of range or not a number");
    wave.sampleRate = *hz;
    state.layout = layout;
    state.haveHeader = true;
    return true;
}

bool ReadVoiceHeader(ByteReader body, WalkState& state, WavesampleRec& wave, InstrumentRec& instrument)
{
    const std::uint32_t oneShot = body.Be32();
    const std::uint32_t repeat = body.Be32();
    const std::uint32_t cycle = body.Be32();
    wave.sampleRate = body.Be16();
    body.Skip(1);  // octaves
    if (body.U8() != 0) return Fail(kWhere, "Can't handle compressed IFF:8SVX");
    const std::uint32_t volume = body.Be32();
    state.layout = SampleLayout{};
    state.layout.bits = state.form == Form::Sv16 ? 16 : 8;
    state.layout.bigEndian = true;
    state.frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{oneShot} + repeat, UINT32_MAX));
    // KOBA keeps the loop's length in samplesPerHiCycle; other writers loop the whole repeat part
    // and leave that field 0 or give the waveform's period there.
    const std::uint32_t loopLength = cycle != 0 ? cycle : repeat;
    wave.loopStart = oneShot;
    wave.loopEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{oneShot} + loopLength, UINT32_MAX));
    if (wave.loopEnd > std::uint64_t{wave.loopStart} + 1 && std::uint64_t{wave.loopStart} + 1 < state.frames) {
        wave.loopFlags = kLoopFound;
    }
    instrument.layer.volume = static_cast<std::uint8_t>(std::min<std::uint32_t>((volume * 127u) >> 16, 127));
    state.haveHeader = true;
    return true;
}

void ReadMarkers(ByteReader body, WalkState& state)
{
    static constexpr char kBegin[9] = {'b', 'e', 'g', ' ', 'l', 'o', 'o', 'p', 0};
    static constexpr char kEnd[9] = {'e', 'n', 'd', ' ', 'l', 'o', 'o', 'p', 0};
    const std::uint16_t count = body.Be16();
    state.markers.clear();
    state.markers.reserve(std::min<std::uint64_t>(count, body.Left() / 8));  // 8 bytes the least
    for (std::uint16_t i = 0; i < count && body.Left() >= 7; ++i) {
        const Marker marker{body.Be16(), body.Be32()};
        const std::uint8_t length = body.U8();
        char name[256];
        body.Text(name, length);
        if (length % 2 == 0) body.Skip(1);  // the name's count and text are padded to even
        state.markers.push_back(marker);
        if (NamesLoop(name, length, kBegin)) {
            state.namedStart = marker.position;
        } else if (NamesLoop(name, length, kEnd)) {
            state.namedEnd = marker.position;
        }
    }
}

void ReadInstrumentChunk(ByteReader body, WalkState& state, WavesampleRec& wave, InstrumentRec& instrument)
{
    wave.rootKey = body.U8();
    wave.fineTune = static_cast<std::int8_t>(std::clamp(body.S8() * 128 / 100, -128, 127));
    const std::uint8_t low = body.U8();
    const std::uint8_t high = body.U8();
    for (int key = 0; key < 128; ++key) {
        if (key < low || key > high) instrument.layer.keyMap[key] = NO_ITEM;
    }
    body.Skip(4);  // velocities, gain
    const std::uint16_t mode = body.Be16();
    state.sustainBegin = body.Be16();
    state.sustainEnd = body.Be16();
    if (mode == 1) wave.loopFlags |= kLoopFound;
    if (mode == 2) wave.loopFlags |= kLoopFound | kLoopBidirectional;
    state.haveInst = true;
}

// At most 80 characters of text into a name field, terminated.
void ReadText(ByteReader body, char (&field)[kNameSize])
{
    body.Text(field, std::min<std::uint64_t>(body.Left(), kNameSize - 1));
}

class IffWalk {
public:
    IffWalk(WaveStore& store, WalkState& state, WavesampleRec& wave, InstrumentRec& instrument)
        : store_(store), state_(state), wave_(wave), instrument_(instrument)
    {
    }

    bool Handle(Chunk& chunk)
    {
        const bool aiff = state_.form == Form::Aiff || state_.form == Form::Aifc;
        if (chunk.Is("COMM") && aiff) return ReadCommon(chunk.body, state_, wave_);
        if (chunk.Is("VHDR") && !aiff) return ReadVoiceHeader(chunk.body, state_, wave_, instrument_);
        if (chunk.Is("SSND") && aiff) return SoundData(chunk);
        if (chunk.Is("BODY") && !aiff) {
            Data(chunk.body, chunk.declaredSize);
        } else if (chunk.Is("MARK")) {
            ReadMarkers(chunk.body, state_);
        } else if (chunk.Is("INST")) {
            ReadInstrumentChunk(chunk.body, state_, wave_, instrument_);
        } else if (chunk.Is("CHAN")) {
            state_.channels = static_cast<std::uint8_t>(std::popcount(chunk.body.Be32()));
        } else if (chunk.Is("NAME")) {
            ReadText(chunk.body, instrument_.name);
        } else if (chunk.Is("ANNO")) {
            ReadText(chunk.body, instrument_.note);
        } else if (chunk.Is("AUTH") || chunk.Is("(c) ")) {
            ReadText(chunk.body, store_.FetchBank()->name);
        }
        return true;
    }

private:
    bool SoundData(Chunk& chunk)
    {
        ByteReader body = chunk.body;
        const std::uint32_t offset = body.Be32();
        body.Skip(4);  // block size
        if (chunk.declaredSize < 8 || offset > chunk.declaredSize - 8) {
            return Fail(kWhere, "Sample data offset lies past the SSND chunk");
        }
        body.Skip(offset);
        Data(body, chunk.declaredSize - 8 - offset);
        return true;
    }

    // The data as far as the file holds it: nothing after it is read as audio.
    void Data(ByteReader body, std::uint64_t declared)
    {
        state_.dataOffset = body.Offset();
        state_.dataBytes = body.Left();
        state_.declaredData = declared;
        state_.haveData = true;
    }

    WaveStore& store_;
    WalkState& state_;
    WavesampleRec& wave_;
    InstrumentRec& instrument_;
};

// The loop points: the markers the instrument chunk names, or else those named as loop points.
void PlaceLoop(const WalkState& state, WavesampleRec& wave)
{
    const Marker* begin = state.haveInst ? FindMarker(state, state.sustainBegin) : nullptr;
    const Marker* end = state.haveInst ? FindMarker(state, state.sustainEnd) : nullptr;
    if (begin != nullptr && end != nullptr) {
        wave.loopStart = begin->position;
        wave.loopEnd = end->position;
        return;
    }
    if (state.namedStart) wave.loopStart = *state.namedStart;
    if (state.namedEnd) wave.loopEnd = *state.namedEnd;
}

bool Finish(WaveStore& store, WalkState& state, WavesampleRec& wave)
{
    if (!state.haveHeader) return Fail(kWhere, "No COMM or VHDR chunk found");
    if (!state.haveData) return Fail(kWhere, "No SSND or BODY chunk found");
    SampleLayout layout = state.layout;
    // IFF voices keep their channels one after the other, the left first.
    if (state.form == Form::Svx8 || state.form == Form::Sv16) {
        layout.channels = state.channels;
        layout.planar = state.channels == 2;
    }
    layout.offset = state.dataOffset;
    layout.bytes = state.dataBytes;
    wave.layout = layout;
    wave.copyRoutine = GeneralCopyRoutine(layout);
    // Never more frames than the data holds; a file that ends inside them is cut short.
    wave.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(state.frames, FramesInExtent(layout)));
    const std::uint64_t declared = std::min<std::uint64_t>(state.frames, FramesIn(layout, state.declaredData));
    if (state.dataBytes < state.declaredData && declared > wave.length) store.NoteCutShort(declared - wave.length);
    PlaceLoop(state, wave);
    return true;
}

std::optional<Form> FormOf(std::string_view type)
{
    if (type == "AIFF") return Form::Aiff;
    if (type == "AIFC") return Form::Aifc;
    if (type == "8SVX") return Form::Svx8;
    if (type == "16SV") return Form::Sv16;
    return std::nullopt;
}

bool ReadForm(WaveStore& store, const File& file)
{
    ByteReader header(file, 0, 12);
    if (!header.Tag("FORM")) return Fail(kWhere, "No FORM starting IFF file");
    header.Skip(4);  // the form's size: the chunks are walked to the end of the file
    char type[4];
    header.Read(type, 4);
    WalkState state;
    if (const std::optional<Form> form = FormOf({type, 4})) {
        state.form = *form;
    } else {
        return Fail(kWhere, "Not an AIFF, AIFC, 8SVX or 16SV type FORM IFF");
    }
    store.NewBank(nullptr, 0);
    InstrumentRec& instrument = *store.NewInstrument(1, 1, nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, std_Copy, nullptr, 0);
    IffWalk walk(store, state, wave, instrument);
    const ByteReader chunks(file, 12, file.Size() > 12 ? file.Size() - 12 : 0);
    return WalkChunks(
               chunks, ChunkOrder::Iff, [&](Chunk& chunk) { return walk.Handle(chunk); }, PadBytes::OrMissing) &&
           Finish(store, state, wave);
}

int DetectForm(std::span<const std::uint8_t, kDetectBytes> head, std::string_view a, std::string_view b)
{
    if (std::memcmp(head.data(), "FORM", 4) != 0) return 0;
    const std::string_view type(reinterpret_cast<const char*>(head.data()) + 8, 4);
    return type == a || type == b ? 2 : 0;
}

}  // namespace

bool xiff_Read(WaveStore& store, File& file)
{
    if (ReadForm(store, file)) return true;
    store.DeleteItem(kBankId);
    store.DeleteItem(kInstrumentKind | 1);
    store.DeleteItem(kWaveKind | 1);
    return false;
}

int aiff_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return DetectForm(head, "AIFF", "AIFF");
}

int aifc_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return DetectForm(head, "AIFC", "AIFC");
}

int iff_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return DetectForm(head, "8SVX", "16SV");
}
