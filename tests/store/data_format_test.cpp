// The data format page's rules, and the raw-data import that asks for them.
#include "store/data_format.h"

#include <gtest/gtest.h>

#include "kit/import_fixture.h"
#include "store/copy_routines.h"
#include "support/last_error.h"

namespace {

using RawImport = ImportFixture;

TEST_F(RawImport, AsksThenOpensTheAdvancedPageAndRemembersTheLayoutButNotTheSize)
{
    host.OnPropertySheet([](WaveStore& s, ItemId item, int) {
        const WavesampleRec& w = *s.FetchWave(item);
        EXPECT_EQ(std::tuple(w.copyRoutine, w.layout.coding, w.layout.bits, w.layout.channels, w.layout.isSigned,
                             w.layout.offset, w.length, w.sampleRate),
                  std::tuple(&std_Copy, SampleCoding::Pcm, 8, 1, true, 0u, 1000u, 22050u));
        DataFormatApply({DataType::Pcm16, false, true, true, 44100, 4, 996}, *s.FetchWave(item), s.fileSize);
    });
    ASSERT_TRUE(Import(Bytes{}.Zeros(1000), "data.xyz")) << LastError.message;
    EXPECT_EQ(host.messages.at(0).caption, "Unknown file type!");
    EXPECT_EQ(host.sheets.at(0).firstPage, 1);  // the Advanced page
    EXPECT_EQ(Wave().length, 249u);
    host.OnPropertySheet(nullptr);
    ASSERT_TRUE(Import(Bytes{}.Zeros(2000), "data.xyz"));
    const WavesampleRec& w = Wave();
    EXPECT_EQ(std::tuple(w.copyRoutine, w.layout.bits, w.layout.channels, w.layout.bigEndian, w.layout.isSigned),
              std::tuple(&mms_Copy, 16, 2, true, false));
    EXPECT_EQ(std::tuple(w.sampleRate, w.layout.offset, w.layout.bytes, w.length), std::tuple(44100u, 4u, 1996u, 499u));
}

// What the page shows for each routine and coding, and that OK without an edit changes nothing.
TEST(DataFormatPage, ShowsTheTypeOfEachRoutineAndAppliesItUnchanged)
{
    using enum SampleCoding;
    const std::tuple<CopyRoutine, SampleCoding, int, int, bool, DataType> cases[] = {
        // routine, coding, bits, channels, big-endian, the type shown
        {std_Copy, Pcm, 8, 1, false, DataType::Pcm8},
        {std_Copy, Pcm, 16, 2, false, DataType::Pcm16},
        {mms_Copy, Pcm, 16, 1, true, DataType::Pcm16},
        {mulaw_Copy, MuLaw, 8, 1, false, DataType::MuLaw},
        {alaw_Copy, ALaw, 8, 2, false, DataType::ALaw},
        {std_Copy, Pcm, 24, 1, false, DataType::None},
        {dviadpcm_Copy, ImaAdpcm, 4, 1, false, DataType::None},
        {[](const WavesampleRec&, SampleSink&) { return true; }, Pcm, 16, 1, false, DataType::None},  // a format's own
    };
    for (const auto& [copy, coding, bits, channels, bigEndian, type] : cases) {
        WavesampleRec w{};
        w.copyRoutine = copy, w.sampleRate = 8000;
        w.layout.coding = coding, w.layout.bits = std::uint8_t(bits), w.layout.channels = std::uint8_t(channels);
        w.layout.bigEndian = bigEndian, w.layout.offset = 10, w.layout.bytes = 120, w.layout.blockAlign = 40;
        w.layout.framesPerBlock = static_cast<std::uint16_t>(MaxFramesPerBlock(w.layout));
        const std::uint32_t frames = w.length = FramesInExtent(w.layout);
        const DataFormatChoice choice = DataFormatInitial(w);
        EXPECT_EQ(std::tuple(choice.type, choice.byteSwap, choice.stereo, choice.sampleSize),
                  std::tuple(type, bigEndian, channels == 2, 120u))
            << int(coding) << " " << bits;
        DataFormatApply(choice, w, 1000);
        EXPECT_EQ(std::tuple(w.copyRoutine, w.layout.coding, w.layout.bits, w.layout.bigEndian, w.length),
                  std::tuple(copy, coding, bits, bigEndian, frames));
    }
}

TEST(DataFormatPage, ApplyingCutsTheSizeToTheFileAndCopesWithAnOffsetPastTheEnd)
{
    WavesampleRec w{};
    w.copyRoutine = delta_Copy, w.layout.coding = SampleCoding::Delta, w.layout.bits = 16;
    DataFormatApply({DataType::None, true, false, false, 8000, 90, 100}, w, 100);
    EXPECT_EQ(std::tuple(w.copyRoutine, w.layout.bytes, w.length), std::tuple(&delta_Copy, 10u, 5u));
    DataFormatApply({DataType::MuLaw, true, true, false, 8000, 200, 10}, w, 100);
    EXPECT_EQ(std::tuple(w.copyRoutine, w.layout.coding, w.layout.bytes, w.length),
              std::tuple(&mulaw_Copy, SampleCoding::MuLaw, 0u, 0u));
}

}  // namespace
