// The tree of an opened file, the status lines and the proposed file names.
#include "store/item_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"

namespace {

std::function<bool(WaveStore&)> gReader;
bool Read(WaveStore& store, File&)
{
    return gReader(store);
}
int Never(std::span<const std::uint8_t, kDetectBytes>)
{
    return 0;
}
const ImportFormat kRows[] = {{"tst", Read, Never, "Test bank format", "tst_Read"}};

// The tree as text: one line per node, indented, "name#id".
void Flatten(const TreeNode& node, int depth, std::string& out)
{
    char id[16];
    std::snprintf(id, sizeof id, "%08x", node.id);
    out += std::string(2 * static_cast<std::size_t>(depth), ' ') + node.text + "#" + id + "\n";
    for (const TreeNode& child : node.children) Flatten(child, depth + 1, out);
}

struct TreeFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host, kRows};
    TempFile file{"bank.tst", Bytes{}.Zeros(4)};

    std::string Tree(std::function<bool(WaveStore&)> reader)
    {
        gReader = std::move(reader);
        EXPECT_TRUE(store.Imp(file.Path()));
        std::string out;
        Flatten(BuildItemTree(store), 0, out);
        return out;
    }
};

using ItemTree = TreeFixture;

TEST_F(ItemTree, LooseWavesamplesHangUnderTheBank)
{
    EXPECT_EQ(Tree([](WaveStore& s) {
                  s.NewBank(nullptr, 0);
                  s.NewWavesample(1, nullptr, "solo", 4);
                  return true;
              }),
              "Test bank format#20000000\n  solo#80000001\n");
}

TEST_F(ItemTree, OneInstrumentListsItsRegionsAndNoFolder)
{
    EXPECT_EQ(Tree([](WaveStore& s) {
                  s.NewBank("Piano", 5);
                  s.NewWavesample(1, nullptr, "low", 3);
                  s.NewWavesample(2, nullptr, "high", 4);
                  s.NewWavesample(3, nullptr, "spare", 5);
                  InstrumentRec* i = s.NewInstrument(0, 1, "Grand", 5);
                  std::fill(i->layer.keyMap + 60, i->layer.keyMap + 70, 2u);  // "low" again above 69
                  return true;
              }),
              "Piano#20000000\n  Grand#40000000\n    low#80000001\n    high#80000002\n    low#80000001\n"
              "  spare#80000003\n");
    EXPECT_EQ(store.FetchFolder(kFolderKind), nullptr);
}

TEST_F(ItemTree, TwoInstrumentsAddAllWavesamples)
{
    EXPECT_EQ(Tree([](WaveStore& s) {
                  s.NewBank("Kit", 3);
                  s.NewWavesample(1, nullptr, "kick", 4);
                  s.NewWavesample(2, nullptr, "snare", 5);
                  s.NewInstrument(0, 1, "A", 1);
                  s.NewInstrument(1, 2, "B", 1);
                  return true;
              }),
              "Kit#20000000\n  A#40000000\n    kick#80000001\n  B#40000001\n    snare#80000002\n"
              "  All Wavesamples#10000000\n    kick#80000001\n    snare#80000002\n");
    ASSERT_NE(store.FetchFolder(kFolderKind), nullptr);
}

using StatusLine = TreeFixture;

TEST_F(StatusLine, EachKindHasItsSummary)
{
    Tree([](WaveStore& s) {
        s.NewBank(nullptr, 0);
        WavesampleRec* w = s.NewWavesample(1, nullptr, "w", 1);
        w->length = 1500, w->sampleRate = 44100, w->bits = 16, w->rootKey = 69;
        s.NewInstrument(0, 1, "i", 1);
        return true;
    });
    InstrumentRec& i = *store.FetchInstrument(kInstrumentKind);
    i.waveCount = 3, i.totalBytes = 1536000;
    EXPECT_EQ(ItemSummary(store, 0x80000001), "Wave: [0:69:127], 2Ks, 44kHz, 16b");
    EXPECT_EQ(ItemSummary(store, kInstrumentKind), "Inst: 3 waves, 1500KB");
    EXPECT_EQ(ItemSummary(store, kBankId), "Bank: Test bank format");
    EXPECT_EQ(ItemSummary(store, kFolderKind), "Folder: Contains all wavesamples");
    EXPECT_EQ(ItemSummary(store, 0x80000009), "");
}

TEST(ProposedFileName, DropsWhatAFileNameCannotCarry)
{
    EXPECT_EQ(ProposedFileName("0 : unnamed wave"), "0  unnamed wave");
    EXPECT_EQ(ProposedFileName("a/b.c\\d:e"), "abcde");
    EXPECT_EQ(ProposedFileName("\x01\xE9t\xE9"), "t");
    EXPECT_EQ(ProposedFileName("..."), "unnamed");
    EXPECT_EQ(ProposedFileName(""), "unnamed");
}

TEST(KindWord, NamesEachKind)
{
    EXPECT_STREQ(KindWord(kBankId), "bank file");
    EXPECT_STREQ(KindWord(kFolderKind), "folder");
    EXPECT_STREQ(KindWord(kInstrumentKind | 4), "instrument");
    EXPECT_STREQ(KindWord(kWaveKind | 4), "wavesample");
}

}  // namespace
