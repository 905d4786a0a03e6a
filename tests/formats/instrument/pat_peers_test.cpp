// freepats' patches through KOBA: to WAVE and back to GF1 without loss, and TiMidity playing
// the patches KOBA writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "formats/instrument/gf1.h"
#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

const char* const kPatches[] = {"Tone_000/000_Acoustic_Grand_Piano.pat", "Drum_000/038_Snare_1.pat",
                                "Tone_000/048_String_Ensemble_1_Marcato.pat"};

std::string Freepats(const char* name)
{
    return std::string("/usr/share/midi/freepats/") + name;
}

std::vector<std::uint8_t> Data(WaveStore& store, const WavesampleRec& wave)
{
    Capture capture;
    EXPECT_TRUE(CaptureWave(store, wave, capture)) << LastError.message;
    return capture.bytes;
}

// The envelope rate and offset bytes of each wave header, in file order.
std::vector<std::vector<std::uint8_t>> Envelopes(const std::vector<std::uint8_t>& f)
{
    std::vector<std::vector<std::uint8_t>> envelopes;
    std::size_t at = 129 + 63;
    const unsigned waves = f[at + 6];
    at += 47;
    for (unsigned w = 0; w < waves && at + 96 <= f.size(); ++w) {
        envelopes.emplace_back(f.begin() + static_cast<long>(at) + 37, f.begin() + static_cast<long>(at) + 49);
        at += 96 + (f[at + 8] | f[at + 9] << 8 | f[at + 10] << 16 | static_cast<std::size_t>(f[at + 11]) << 24);
    }
    return envelopes;
}

class FreepatsRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(FreepatsRoundTrip, BackToGf1KeepsKeysLoopsSamplesAndEnvelopes)
{
    const std::string original = Freepats(GetParam());
    TempDir dir;
    ScriptedHost host;
    WaveStore first(host);
    ASSERT_TRUE(first.Imp(original)) << LastError.message;
    ASSERT_TRUE(first.Exp(dir / "koba.pat", kInstrumentKind | 1)) << LastError.location << ": " << LastError.message;
    WaveStore second(host);
    ASSERT_TRUE(second.Imp(dir / "koba.pat")) << LastError.message;
    const InstrumentRec& a = *first.FetchInstrument(kInstrumentKind | 1);
    const InstrumentRec& b = *second.FetchInstrument(kInstrumentKind | 1);
    EXPECT_EQ(a.layer.regionCount, b.layer.regionCount);
    EXPECT_STREQ(a.name, b.name);
    for (int key = 0; key < 120; ++key) {
        const WavesampleRec* wa = first.FetchWave(a.layer.keyMap[key]);
        const WavesampleRec* wb = second.FetchWave(b.layer.keyMap[key]);
        if (wa == nullptr) {
            // A patch's high key is written one above the region's: a range that no other
            // wave follows reaches one key further.
            const bool extended = key > 0 && first.FetchWave(a.layer.keyMap[key - 1]) != nullptr &&
                                  b.layer.keyMap[key] == b.layer.keyMap[key - 1];
            EXPECT_TRUE(wb == nullptr || extended) << key;
            continue;
        }
        ASSERT_NE(wb, nullptr) << key;
        EXPECT_STREQ(wa->name, wb->name) << key;
        EXPECT_EQ(wa->rootKey, wb->rootKey) << key;
        EXPECT_EQ(wa->sampleRate, wb->sampleRate) << key;
        EXPECT_EQ(wa->loopStart, wb->loopStart) << key;
        EXPECT_EQ(wa->loopEnd, wb->loopEnd) << key;
        EXPECT_EQ(wa->loopFlags, wb->loopFlags) << key;
        EXPECT_EQ(wa->loopStartFrac, wb->loopStartFrac) << key;
        EXPECT_EQ(wa->loopEndFrac, wb->loopEndFrac) << key;
        EXPECT_EQ(wa->pan, wb->pan) << key;
        // A loop reaching the last sample gets one more, a copy of the first.
        const bool extra = (wa->loopFlags & kLoopFound) != 0 && wa->loopEnd >= wa->length;
        EXPECT_EQ(wb->length, wa->length + (extra ? 1 : 0)) << key;
        std::vector<std::uint8_t> data = Data(second, *wb);
        data.resize(Data(first, *wa).size());
        EXPECT_TRUE(data == Data(first, *wa)) << key;
    }
    // Envelopes of looping waves come back rate for rate (the patches have 14 voices).
    const auto before = Envelopes(ReadFileBytes(original));
    const auto after = Envelopes(ReadFileBytes(dir / "koba.pat"));
    ASSERT_EQ(before.size(), after.size());
    for (int r = 0; r < a.layer.regionCount; ++r) {
        const WavesampleRec& wave = *first.FetchWave(a.layer.regions[r].wave);
        if ((wave.loopFlags & kLoopFound) == 0) continue;
        const std::size_t index = (a.layer.regions[r].wave & kIndexMask) - 1;
        EXPECT_EQ(after[static_cast<std::size_t>(r)], before[index]) << r;
    }
}

TEST_P(FreepatsRoundTrip, ToWaveKeepsEverySample)
{
    TempDir dir;
    ScriptedHost host;
    WaveStore store(host);
    ASSERT_TRUE(store.Imp(Freepats(GetParam())));
    ItemId id;
    void* record;
    for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
        if (!IsWave(id)) continue;
        const WavesampleRec& wave = *static_cast<const WavesampleRec*>(record);
        ASSERT_TRUE(store.Exp(dir / "wave.wav", id)) << LastError.message;
        WaveStore back(host);
        ASSERT_TRUE(back.Imp(dir / "wave.wav"));
        const WavesampleRec& w = *back.FetchWave(kWaveKind | 1);
        EXPECT_EQ(w.length, wave.length);
        EXPECT_EQ(w.rootKey, wave.rootKey);
        EXPECT_EQ(w.loopStart, wave.loopStart);
        EXPECT_EQ(w.loopEnd, wave.loopEnd);
        std::vector<std::uint8_t> original = Data(store, wave);
        if (wave.bits == 8 && wave.isSigned != 0) {
            for (std::uint8_t& b : original) b = static_cast<std::uint8_t>(b + 0x80);  // WAVE's 8 bits are unsigned
        }
        EXPECT_TRUE(Data(back, w) == original) << wave.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Freepats, FreepatsRoundTrip, ::testing::ValuesIn(kPatches),
                         [](const auto& info) { return std::to_string(info.index); });

// A one-second note, format 0, 96 ticks per quarter at 120 beats per minute.
Bytes OneNote(int key)
{
    const Bytes track = Bytes{}.U8(0, 0xC0, 0).U8(0, 0x90, key, 100).U8(0x81, 0x40, 0x80, key, 0).U8(0, 0xFF, 0x2F, 0);
    return Bytes{}.Tag("MThd").Be32(6).Be16(0, 1, 96).Tag("MTrk").Be32(track.Size()).Append(track);
}

struct Render {
    double rms = 0;
    int crossings = 0;
};

// TiMidity renders the note with only `patch` as program 0.
Render Play(const TempDir& dir, const std::string& patch, int key)
{
    const std::string cfg = dir / "timidity.cfg";
    WriteFileBytes(cfg, Bytes{}.Tag("dir " + dir.Path() + "\nbank 0\n0 " + patch + "\n").Data());
    WriteFileBytes(dir / "note.mid", OneNote(key).Data());
    const std::string out = dir / (patch + ".raw");
    EXPECT_EQ(::Run("timidity -c " + Quoted(cfg) + " -Or1sl -s 22050 --output-mono -o " + Quoted(out) + " " +
                    Quoted(dir / "note.mid") + " >/dev/null 2>&1"),
              0);
    const std::vector<std::int16_t> samples = Samples16(ReadFileBytes(out));
    Render render;
    double sum = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        sum += double(samples[i]) * samples[i];
        if (i > 0 && (samples[i - 1] < 0) != (samples[i] < 0)) ++render.crossings;
    }
    render.rms = samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
    return render;
}

TEST(TimidityPlays, APatchKobaWroteSoundsAsTheOriginal)
{
    for (const char* name : {"Tone_000/048_String_Ensemble_1_Marcato.pat", "Tone_000/000_Acoustic_Grand_Piano.pat"}) {
        TempDir dir;
        ScriptedHost host;
        WaveStore store(host);
        ASSERT_TRUE(store.Imp(Freepats(name)));
        ASSERT_TRUE(store.Exp(dir / "koba.pat", kInstrumentKind | 1)) << LastError.message;
        WriteFileBytes(dir / "original.pat", ReadFileBytes(Freepats(name)));
        const int key = store.FetchWave(store.FetchInstrument(kInstrumentKind | 1)->layer.keyMap[60])->rootKey;
        const Render original = Play(dir, "original.pat", key);
        const Render koba = Play(dir, "koba.pat", key);
        EXPECT_GT(koba.rms, 100.0) << name;
        EXPECT_NEAR(koba.rms, original.rms, original.rms * 0.05) << name;
        EXPECT_NEAR(koba.crossings, original.crossings, original.crossings * 0.01 + 2) << name;
    }
}

}  // namespace
