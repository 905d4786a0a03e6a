// freepats' GF1 patches to SoundFont banks and back: key for key the same sounds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

std::vector<std::uint8_t> Data(WaveStore& store, const WavesampleRec& wave)
{
    Capture capture;
    EXPECT_TRUE(CaptureWave(store, wave, capture)) << LastError.message;
    return capture.bytes;
}

class PatchToBank : public ::testing::TestWithParam<const char*> {};

TEST_P(PatchToBank, KeepsEveryKeyLoopAndSample)
{
    const std::string patch = std::string("/usr/share/midi/freepats/") + GetParam();
    TempDir dir;
    ScriptedHost host;
    WaveStore gf1(host);
    ASSERT_TRUE(gf1.Imp(patch)) << LastError.message;
    ASSERT_TRUE(gf1.Exp(dir / "bank.sbk", kBankId)) << LastError.location << ": " << LastError.message;
    WaveStore sbk(host);
    ASSERT_TRUE(sbk.Imp(dir / "bank.sbk")) << LastError.message;
    const InstrumentRec& a = *gf1.FetchInstrument(kInstrumentKind | 1);
    const InstrumentRec* b = nullptr;
    ItemId id;
    void* record;
    for (std::uint32_t n = 0; sbk.NextItem(n, id, record); ++n) {
        if (IsInstrument(id)) b = static_cast<const InstrumentRec*>(record);
    }
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(a.name, b->name);
    EXPECT_EQ(a.layer.regionCount, b->layer.regionCount);
    for (int key = 0; key < 128; ++key) {
        const WavesampleRec* wa = gf1.FetchWave(a.layer.keyMap[key]);
        const WavesampleRec* wb = sbk.FetchWave(b->layer.keyMap[key]);
        ASSERT_EQ(wa == nullptr, wb == nullptr) << key;
        if (wa == nullptr) continue;
        EXPECT_STREQ(wa->name, wb->name) << key;
        EXPECT_EQ(wa->rootKey, wb->rootKey) << key;
        EXPECT_EQ(wa->loopStart, wb->loopStart) << key;
        EXPECT_EQ(wa->loopEnd, wb->loopEnd) << key;
        EXPECT_EQ((wa->loopFlags & kLoopFound) != 0, (wb->loopFlags & kLoopFound) != 0) << key;
        EXPECT_EQ(wb->length, wa->length + 1) << key;  // the first guard sample
        EXPECT_NEAR(double(wb->sampleRate), double(wa->sampleRate), wa->sampleRate * 0.001) << key;
        EXPECT_EQ(wb->pan, 63) << key;
        std::vector<std::uint8_t> data = Data(sbk, *wb);
        ASSERT_EQ(data.size(), (std::size_t{wa->length} + 1) * 2);
        EXPECT_EQ(data[data.size() - 1], 0);  // the guard sample is silence
        data.resize(data.size() - 2);
        EXPECT_TRUE(data == Data(gf1, *wa)) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Freepats, PatchToBank,
                         ::testing::Values("Tone_000/000_Acoustic_Grand_Piano.pat", "Drum_000/038_Snare_1.pat",
                                           "Tone_000/048_String_Ensemble_1_Marcato.pat", "Tone_000/040_Violin.pat"),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
