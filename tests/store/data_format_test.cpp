// The data format page's rules and the raw-data import.
#include "store/data_format.h"

#include <gtest/gtest.h>

#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

struct RawFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};
    TempDir dir;

    std::string Raw(std::size_t size)
    {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
        WriteFileBytes(dir / "data.xyz", bytes);
        return dir / "data.xyz";
    }
};

using RawImport = RawFixture;

TEST_F(RawImport, AsksThenOpensTheAdvancedPageWithTheDefaults)
{
    ASSERT_TRUE(store.Imp(Raw(1000))) << LastError.message;
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Unknown file type!");
    EXPECT_EQ(host.messages[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(host.messages[0].text,
              "The selected file can not be detected\nas any of the supported import types.\n\n"
              "Select OK to manually supply additional\ninformation and treat it as raw data.");
    ASSERT_EQ(host.sheets.size(), 1u);
    EXPECT_EQ(host.sheets[0].item, 0x80000001u);
    EXPECT_EQ(host.sheets[0].firstPage, 1);
    EXPECT_EQ(store.formatIndex, 58);
    EXPECT_STREQ(store.FetchBank()->name, "Generic Raw Audio File");
    const WavesampleRec& w = *store.FetchWave(0x80000001);
    EXPECT_STREQ(w.name, "0 : unnamed wave");
    EXPECT_EQ(w.copyRoutine, std_Copy);
    EXPECT_EQ(w.bits, 8);
    EXPECT_EQ(w.bytesPerSample, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.isSigned, 1u);
    EXPECT_EQ(w.length, 1000u);
    EXPECT_EQ(w.sampleRate, 22050u);
}

TEST_F(RawImport, CancelFailsAndLeavesTheStoreEmpty)
{
    host.QueueAnswer(Answer::Cancel);
    EXPECT_FALSE(store.Imp(Raw(1000)));
    EXPECT_EQ(LastError.location, "*_Read");
    EXPECT_EQ(LastError.message, "Cancelled");
    ItemId id;
    void* record;
    EXPECT_FALSE(store.NextItem(0, id, record));
}

TEST_F(RawImport, AnOffsetCutsTheSizeToTheFile)
{
    host.OnPropertySheet([](WaveStore& s, ItemId item, int) {
        WavesampleRec& w = *s.FetchWave(item);
        DataFormatChoice choice = DataFormatInitial(w);
        choice.dataOffset = 200;
        choice.sampleSize = 1000;
        DataFormatApply(choice, w, s.fileSize);
    });
    ASSERT_TRUE(store.Imp(Raw(1000)));
    const WavesampleRec& w = *store.FetchWave(0x80000001);
    EXPECT_EQ(w.length, 800u);
    Capture c;
    ASSERT_TRUE(CaptureWave(store, w, c));
    ASSERT_EQ(c.bytes.size(), 800u);
    EXPECT_EQ(c.bytes[0], 200);
}

TEST_F(RawImport, RemembersTheLayoutForTheNextImport)
{
    host.OnPropertySheet([](WaveStore& s, ItemId item, int) {
        WavesampleRec& w = *s.FetchWave(item);
        DataFormatApply({DataType::Pcm16, false, true, true, 44100, 4, 996}, w, s.fileSize);
    });
    ASSERT_TRUE(store.Imp(Raw(1000)));
    EXPECT_EQ(store.FetchWave(0x80000001)->length, 249u);
    host.OnPropertySheet(nullptr);
    ASSERT_TRUE(store.Imp(Raw(1000)));
    const WavesampleRec& w = *store.FetchWave(0x80000001);
    EXPECT_EQ(w.copyRoutine, mms_Copy);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.isSigned, 0u);
    EXPECT_EQ(w.sampleRate, 44100u);
    EXPECT_EQ(w.dataOffset, 4u);
    EXPECT_EQ(w.length, 250u);  // the whole file's size, as the page shows it first
}

TEST(DataFormatPage, ShowsTheDataTypeOfEachCopyRoutine)
{
    struct Case {
        CopyRoutine copy;
        std::uint8_t bytesPerSample;
        DataType type;
        bool swap;
    };
    for (const Case& c : {Case{std_Copy, 1, DataType::Pcm8, false}, Case{std_Copy, 2, DataType::Pcm16, false},
                          Case{mms_Copy, 2, DataType::Pcm16, true}, Case{mulaw_Copy, 2, DataType::MuLaw, false},
                          Case{alaw_Copy, 2, DataType::ALaw, false}, Case{delta_Copy, 1, DataType::None, false},
                          Case{dviadpcm_Copy, 2, DataType::None, false}}) {
        WavesampleRec w{};
        w.copyRoutine = c.copy;
        w.bytesPerSample = c.bytesPerSample;
        const DataFormatChoice choice = DataFormatInitial(w);
        EXPECT_EQ(choice.type, c.type);
        EXPECT_EQ(choice.byteSwap, c.swap);
    }
    WavesampleRec adpcm{};
    adpcm.bits = 4, adpcm.channels = 2, adpcm.length = 3;
    EXPECT_EQ(DataFormatInitial(adpcm).sampleSize, 3u);  // 24 bits
}

TEST(DataFormatPage, ApplyingKeepsAnUnchosenTypeAndCopesWithAnOffsetPastTheEnd)
{
    WavesampleRec w{};
    w.copyRoutine = delta_Copy, w.bits = 16, w.bytesPerSample = 2, w.channels = 1, w.length = 10;
    DataFormatApply({DataType::None, true, false, false, 8000, 2, 10}, w, 100);
    EXPECT_EQ(w.copyRoutine, delta_Copy);
    EXPECT_EQ(w.length, 5u);
    DataFormatApply({DataType::MuLaw, true, true, false, 8000, 200, 10}, w, 100);
    EXPECT_EQ(w.copyRoutine, mulaw_Copy);
    EXPECT_EQ(w.bytesPerSample, 2);
    EXPECT_EQ(w.length, 0u);
}

}  // namespace
