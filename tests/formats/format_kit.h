// What the format tests share: decoded data, raw wavesamples and instruments for the writers, written fields.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

#include "kit/capture_sink.h"
#include "kit/import_fixture.h"
#include "kit/riff_file.h"
#include "kit/tools.h"
#include "store/copy_routines.h"
#include "support/file.h"
#include "support/last_error.h"

// The item a SoundFont bank's preset becomes: the instrument kind and the preset flag.
constexpr ItemId kPreset = kInstrumentKind | 0x4000000;

inline std::string Failure()
{
    return LastError.location + ": " + LastError.message;
}

// The first bytes a detect function sees: zeros, with `text` at `at`.
inline std::array<std::uint8_t, kDetectBytes> DetectHead(std::string_view text, std::size_t at = 0)
{
    std::array<std::uint8_t, kDetectBytes> head{};
    std::memcpy(head.data() + at, text.data(), text.size());
    return head;
}

// Reads `bytes` with the read function `read` alone (not through the driver) into the cleared
// store: "read", or its failure as "location: message".
inline std::string ReadAlone(WaveStore& store, bool (*read)(WaveStore&, File&), const Bytes& bytes)
{
    const TempFile f("x", bytes);
    File file = File::OpenRead(f.Path());
    store.ClearStore();
    return read(store, file) ? "read" : Failure();
}

// What detection makes of a head, for tables of cases.
struct Detection {
    DetectFunction detect;
    std::array<std::uint8_t, kDetectBytes> head;
    int score;
};

inline void ExpectDetections(std::span<const Detection> cases)
{
    for (const Detection& c : cases) EXPECT_EQ(c.detect(c.head), c.score) << "case " << &c - cases.data();
}

// A file a read function alone must refuse with `failure` ("location: message"), leaving no wavesample.
struct Refusal {
    Bytes file;
    ReadFunction read;
    std::string failure;
};

inline void ExpectRefusals(WaveStore& store, std::span<const Refusal> cases)
{
    for (const Refusal& c : cases) {
        EXPECT_EQ(ReadAlone(store, c.read, c.file), c.failure);
        std::size_t waves = 0;
        store.ForEachItem([&](ItemId id, const void*) { waves += IsWave(id) ? 1 : 0; });
        EXPECT_EQ(waves, 0u) << c.failure;
    }
}

// A test file in the shared folder, e.g. "mod/TDZ3.MOD".
inline Bytes SharedFile(const std::string& name)
{
    return Bytes{}.Append(ReadFileBytes(std::string(KOBA_SHARED_TESTDATA) + "/" + name));
}

inline std::vector<std::uint8_t> Decoded(const WavesampleRec& wave)
{
    CaptureSink capture;
    EXPECT_TRUE(CaptureWave(wave, capture)) << Failure();
    return capture.bytes;
}

// `count` samples of `width` bytes counting up from 1 (8-bit ones wrap at 128).
inline Bytes Ramp(std::uint32_t count, int width)
{
    Bytes data;
    for (std::uint32_t i = 1; i <= count; ++i) width == 1 ? data.U8(i & 0x7F) : data.Le16(i);
    return data;
}

inline std::uint32_t LeAt(const std::vector<std::uint8_t>& f, std::size_t at, int width = 4)
{
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | f.at(at + static_cast<std::size_t>(i));
    return v;
}

// What libsndfile makes of a file (the probe's one line).
inline std::string Probe(const TempDir& dir, const std::string& file)
{
    ::Run(std::string(KOBA_SNDFILE_PROBE) + " info " + Quoted(file) + " > " + Quoted(dir / "probe.txt"));
    const std::vector<std::uint8_t> text = ReadFileBytes(dir / "probe.txt");
    return {text.begin(), text.end()};
}

// SoX's decoding as raw data `bits` wide (8: unsigned, else signed; no dither); of wider samples,
// the top two bytes. `options` stand before the file (a type SoX cannot tell by the name).
inline std::vector<std::uint8_t> SoxRaw(const TempDir& dir, const std::string& file, int bits,
                                        const std::string& options = "")
{
    const std::string raw = dir / "decoded.raw", as = std::string(bits == 8 ? " unsigned" : " signed") + " -b ";
    EXPECT_EQ(
        ::Run("sox -D " + options + " " + Quoted(file) + " -t raw -e" + as + std::to_string(bits) + " " + Quoted(raw)),
        0);
    const std::vector<std::uint8_t> all = ReadFileBytes(raw);
    if (bits <= 16) return all;
    std::vector<std::uint8_t> top;
    for (std::size_t i = bits / 8u; i <= all.size(); i += bits / 8u) top.insert(top.end(), {all[i - 2], all[i - 1]});
    return top;
}

// Writes `frames` frames of the test signal (`seed`) at `rate` as `out`, by SoX (`make`: its output
// options) or by sndfile-convert from a 16-bit WAVE (`make` starts with "sndfile-convert").
inline bool MakePeerFile(const TempDir& dir, const std::string& make, int channels, int rate, std::size_t frames,
                         int seed, const std::string& out)
{
    WriteFileBytes(dir / "in.raw", LittleEndianBytes(TestSignal(frames * static_cast<std::size_t>(channels), seed)));
    const std::string source = Quoted(dir / "source.wav");
    const std::string via = make.starts_with("sndfile") ? source + " && " + make + " " + source : make;
    const std::string sox = "sox -t raw -r " + std::to_string(rate) + " -e signed -b 16 -c " + std::to_string(channels);
    return ::Run(sox + " " + Quoted(dir / "in.raw") + " " + via + " " + Quoted(out)) == 0;
}

struct WriterFixture : ImportFixture {
    TempDir dir;
    // A PCM wavesample of `data` (its own raw file), as many frames as the data holds.
    WavesampleRec& NewWave(std::uint32_t index, const char* name, const Bytes& data, std::uint8_t bits,
                           std::uint8_t channels = 1, bool isSigned = true)
    {
        WriteFileBytes(dir / std::to_string(index), data.Data());
        WavesampleRec& w = *store.NewWavesample(index, std_Copy, name, static_cast<int>(std::strlen(name)));
        std::strcpy(w.sourcePath, (dir / std::to_string(index)).c_str());
        w.layout = {.bits = bits, .channels = channels, .isSigned = isSigned, .bytes = data.Size()};
        w.length = FramesInExtent(w.layout);
        w.loopEnd = w.length - 1;
        return w;
    }
    // An instrument playing wavesample `waveOf(key)` on each key, at volume 100 (not the default).
    template <class WaveOfKey>
    void NewInstrument(std::uint32_t index, const char* name, WaveOfKey waveOf)
    {
        InstrumentRec& inst = *store.NewInstrument(index, NO_ITEM, name, static_cast<int>(std::strlen(name)));
        for (int key = 0; key < 128; ++key) inst.layer.keyMap[key] = kWaveKind | waveOf(key);
        inst.layer.volume = 100;
        store.RecountInstrument(kInstrumentKind | index);
    }
    // Writes `id` as `name`, imports that file in place of the store's items, and returns it.
    std::vector<std::uint8_t> RoundTrip(ItemId id, const std::string& name)
    {
        EXPECT_TRUE(store.Exp(dir / name, id)) << Failure();
        EXPECT_TRUE(store.Imp(dir / name)) << Failure();
        return ReadFileBytes(dir / name);
    }
};
