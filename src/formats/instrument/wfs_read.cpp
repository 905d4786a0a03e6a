// WavePatch reader: banks, drum kits and programs of the WaveFront synthesizer. Samples are
// embedded, in WAVE files beside the bank, or held in the synthesizer's memory (and skipped);
// multisamples spread samples over the keys; aliases view another sample with a loop of their
// own; every patch becomes an instrument. Little-endian.
#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <strings.h>

#include "formats/formats.h"
#include "formats/instrument/wfs.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "wfs_Read";

bool IsWfsType(const char* text)
{
    return std::strcmp(text, "Bank") == 0 || std::strcmp(text, "DrumKit") == 0 || std::strcmp(text, "Program") == 0;
}

// The loop bits of `flags`, and a loop kept inside the sample, measured from `start`.
void SetLoop(WavesampleRec& wave, std::uint8_t flags, std::uint32_t start, std::uint32_t loopStart,
             std::uint32_t loopEnd)
{
    if ((flags & kWfsReverse) != 0) wave.loopFlags |= kLoopReverse;
    if ((flags & kWfsLoop) == 0) return;
    wave.loopFlags |= kLoopFound | ((flags & kWfsBidirectional) != 0 ? kLoopBidirectional : 0);
    const std::uint32_t from = WfsWhole(start);
    const auto inside = [&](std::uint32_t position, std::uint32_t& frames, std::uint8_t& fraction) {
        frames = WfsWhole(position) > from ? WfsWhole(position) - from : 0;
        fraction = static_cast<std::uint8_t>(WfsWhole(position) >= from ? WfsFraction(position) * 16 : 0);
        if (frames >= wave.length) frames = wave.length, fraction = 0;
    };
    inside(loopEnd, wave.loopEnd, wave.loopEndFrac);
    inside(loopStart, wave.loopStart, wave.loopStartFrac);
    if (wave.loopStart > wave.loopEnd) wave.loopStart = wave.loopEnd;
}

// Drops the first `frames` frames of PCM data; other codings start where they start.
void DropFrames(SampleLayout& layout, std::uint32_t frames)
{
    if (layout.coding != SampleCoding::Pcm) return;
    const std::uint64_t bytes = std::min(StoredBytesFor(layout, frames), layout.bytes);
    layout.offset += bytes;
    layout.bytes -= bytes;
}

// The name a referenced WAVE file has in the stored path: the text after its last separator.
std::string StoredFileName(const char* path)
{
    const std::string stored(path);
    const std::size_t separator = stored.find_last_of("\\/:");
    return separator == std::string::npos ? stored : stored.substr(separator + 1);
}

class WfsReader {
public:
    WfsReader(WaveStore& store, const File& file) : store_(store), file_(file) {}

    bool Read()
    {
        ByteReader r(file_);
        const auto header = r.Get<WfsHeader>();
        char type[sizeof header.type + 1];
        std::memcpy(type, header.type, sizeof header.type);
        type[sizeof header.type] = '\0';
        if (!IsWfsType(type)) return Fail(kWhere, "Not a WavePatch Bank, Drum or Program file");
        if (header.version < 120)
            return Fail(kWhere, "Sorry, can't read pre-v1.2 files\nOpen it in WavePatch and save again!");
        store_.NewBank(header.name, sizeof header.name);
        if (!ReadSamples(header)) return false;
        ReadPatches(header);
        return true;
    }

private:
    bool ReadSamples(const WfsHeader& header)
    {
        ByteReader r(file_);
        r.Seek(header.sampleOffset);
        for (int i = 0; i < header.samples && !r.Truncated(); ++i) {
            const auto h = r.Get<WfsSampleHeader>();
            if (r.Truncated()) break;
            if (h.kind == kWfsSample) {
                if (!ReadSample(r, h)) return false;
            } else if (h.kind == kWfsMultisample) {
                ReadMultisample(r, h);
            } else if (h.kind == kWfsAlias) {
                ReadAlias(r, h);
            } else {
                return Fail(kWhere, "Unknown sample type encountered");
            }
        }
        if (r.Truncated()) store_.NoteCutShort(0);
        return true;
    }

    bool ReadSample(ByteReader& r, const WfsSampleHeader& h)
    {
        const auto block = r.Get<WfsSampleBlock>();
        char path[kWfsPathBytes + 1];
        r.Text(path, kWfsPathBytes);
        if (r.Truncated() || strcasecmp(path, "INTERNAL") == 0) return true;
        WavesampleRec& wave = *store_.NewWavesample(h.number, std_Copy, h.name, sizeof h.name);
        const bool embedded = strcasecmp(path, "EMBEDDED") == 0;
        std::uint32_t wanted = h.length;
        if (embedded) {
            const std::uint8_t resolution = block.flags & kWfsResolution;
            if (resolution == 0 || resolution == kWfs8Bit) {
                wave.layout.bits = resolution == 0 ? 16 : 8;
            } else {
                store_.host.Warn("Warning unsupported sample type encountered");
            }
            wave.layout.isSigned = wave.layout.bits == 16;
            wave.layout.offset = r.Offset();
            wave.layout.bytes = std::min<std::uint64_t>(h.dataBytes, r.Left());
        } else if (!ReadWaveFile(path, wave, wanted)) {
            return false;
        } else {
            wanted -= std::min(wanted, WfsWhole(block.start));
        }
        if (h.channel > 2) store_.host.Warn("Warning! Can't handle stereo samples correctly in .WFx");
        DropFrames(wave.layout, WfsWhole(block.start));
        wave.length = std::min(wanted, FramesInExtent(wave.layout));
        if (embedded && wave.length < wanted) store_.NoteCutShort(wanted - wave.length);
        wave.sampleRate = h.sampleRate;
        const WfsPitch pitch = wfs_BiasToPitch(AsSigned(block.bias), wave.sampleRate);
        wave.rootKey = pitch.rootKey;
        wave.fineTune = pitch.fineTune;
        SetLoop(wave, block.flags, block.start, block.loopStart, block.loopEnd);
        r.Skip(h.dataBytes);
        return true;
    }

    // Looked up beside the bank in any letter case, then by the path as stored. `wanted`
    // becomes the frames the file holds.
    bool ReadWaveFile(const char* stored, WavesampleRec& wave, std::uint32_t& wanted)
    {
        const std::string folder = std::filesystem::path(store_.ImportPath()).parent_path().string();
        File file;
        std::string path;
        for (const std::string& candidate : {FindAnyCase(folder, StoredFileName(stored)), std::string(stored)}) {
            if (!candidate.empty() && (file = File::OpenRead(candidate)).IsOpen()) {
                path = candidate;
                break;
            }
        }
        if (!file.IsOpen()) return Fail(kWhere, "Referenced .WAV filed can't be found");
        WavesampleRec scratch{};
        InstrumentRec scratchInstrument{};
        if (!wav_Read(store_, file, 0, scratch, scratchInstrument, 0, file.Size())) return false;
        if (scratch.copyRoutine == nullptr) return Fail("wav_Read", "No wave data found!");
        wave.layout = scratch.layout;
        wave.copyRoutine = scratch.copyRoutine;
        path.copy(wave.sourcePath, sizeof wave.sourcePath - 1);
        wanted = scratch.length;
        return true;
    }

    void ReadMultisample(ByteReader& r, const WfsSampleHeader& h)
    {
        const auto body = r.Get<WfsMultisample>();
        if (r.Truncated()) return;
        std::array<ItemId, 128> keys;
        keys.fill(NO_ITEM);
        const int used = 1 << std::min<int>(body.keysLog2, 7);
        for (int key = 0; key < used; ++key) {
            const std::int16_t sample = AsSigned(body.samples[key]);
            if (sample >= 0) keys[key] = static_cast<ItemId>(sample);
        }
        multisamples_[h.number] = keys;
    }

    // A copy of its base sample read before it; an alias of a sample not read yet (or of an
    // alias of itself) names nothing and is left out.
    void ReadAlias(ByteReader& r, const WfsSampleHeader& h)
    {
        const auto alias = r.Get<WfsAlias>();
        const WavesampleRec* base = store_.FetchWave(kWaveKind | alias.base);
        if (r.Truncated() || base == nullptr) return;
        const WavesampleRec copy = *base;
        WavesampleRec& wave = *store_.NewWavesample(h.number, std_Copy, copy.name, sizeof copy.name);
        wave = copy;
        const WfsPitch pitch = wfs_BiasToPitch(AsSigned(alias.bias), wave.sampleRate);
        wave.rootKey = pitch.rootKey;
        wave.fineTune = pitch.fineTune;
        SetLoop(wave, alias.flags, alias.start, alias.loopStart, alias.loopEnd);
    }

    void ReadPatches(const WfsHeader& header)
    {
        ByteReader r(file_);
        r.Seek(header.patchOffset);
        for (int i = 0; i < header.patches; ++i) {
            const auto patch = r.Get<WfsPatch>();
            if (r.Truncated()) {
                store_.NoteCutShort(0);
                break;
            }
            InstrumentRec& instrument = *store_.NewInstrument(patch.number, NO_ITEM, patch.name, sizeof patch.name);
            instrument.layer.volume = patch.level & 127;
            const std::uint32_t sample = patch.sample | (patch.sampleHigh & 0x10u) << 4;
            const auto table = multisamples_.find(sample);
            if (store_.FetchWave(kWaveKind | sample) != nullptr) {
                std::fill(std::begin(instrument.layer.keyMap), std::end(instrument.layer.keyMap), sample);
            } else if (table != multisamples_.end()) {
                std::copy(table->second.begin(), table->second.end(), instrument.layer.keyMap);
            } else {
                store_.host.Warn("Warning! Missing sample");
            }
        }
    }

    WaveStore& store_;
    const File& file_;
    std::map<std::uint32_t, std::array<ItemId, 128>> multisamples_;  // by sample number
};

}  // namespace

int wfs_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    char type[33] = {};
    std::memcpy(type, head.data() + offsetof(WfsHeader, type), 32);
    return IsWfsType(type) ? 2 : 1;
}

bool wfs_Read(WaveStore& store, File& file)
{
    return WfsReader(store, file).Read();
}
