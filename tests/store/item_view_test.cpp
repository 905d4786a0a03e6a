// The tree of an opened file, the status lines and the proposed file names.
#include "store/item_view.h"

#include <gtest/gtest.h>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"

namespace {

bool ReadKeys(WaveStore& s, File&)
{
    s.NewBank(nullptr, 0);
    WavesampleRec* low = s.NewWavesample(1, nullptr, "low", 3);
    low->length = 1500, low->sampleRate = 44100, low->layout.bits = 12, low->rootKey = 69;
    s.NewWavesample(2, nullptr, "high", 4);
    s.NewWavesample(3, nullptr, "spare", 5);
    std::fill_n(s.NewInstrument(0, 1, "Grand", 5)->layer.keyMap + 60, 10, 2u);  // "low" again above 69
    return true;
}
const ImportFormat kTestImportRows[] = {{"tst", ReadKeys, AlwaysWeak, "Test bank format", "tst_Read"}};

// The tree as text: one line per node, indented, "name#id".
std::string Flatten(const TreeNode& node, int depth = 0)
{
    char id[16];
    std::snprintf(id, sizeof id, "%08x", node.id);
    std::string out = std::string(2 * static_cast<std::size_t>(depth), ' ') + node.text + "#" + id + "\n";
    for (const TreeNode& child : node.children) out += Flatten(child, depth + 1);
    return out;
}

TEST(ItemView, TheTreeListsAWaveOnceForEachRegionThenLooseWavesAndEachKindHasItsStatusLine)
{
    ScriptedHost host;
    WaveStore store{host, kTestImportRows, {}};
    TempFile file{"bank.tst", Bytes{}.Zeros(4)};
    ASSERT_TRUE(store.Imp(file.Path()));
    EXPECT_EQ(Flatten(BuildItemTree(store)),
              "Test bank format#20000000\n  Grand#40000000\n    low#80000001\n    high#80000002\n"
              "    low#80000001\n  spare#80000003\n");
    std::vector<std::string> lines;
    for (ItemId id : {kWaveKind | 1, kInstrumentKind, kBankId, kFolderKind, kWaveKind | 9})
        lines.push_back(ItemSummary(store, id));
    EXPECT_EQ(lines, (std::vector<std::string>{"Wave: [70:69:127], 2Ks, 44kHz, 12b", "Inst: 3 waves, 6KB",
                                               "Bank: Test bank format", "Folder: Contains all wavesamples", ""}));
    // Every letter stays, in UTF-8 (a Latin-1 name too); only control characters and '/' go.
    EXPECT_EQ(ProposedFileName("\x01\xE9t/.\\:\xE9"), "_\xC3\xA9t_.\\:\xC3\xA9");
    EXPECT_EQ(ProposedFileName("Fl\xC3\xBCgel"), "Fl\xC3\xBCgel");
    EXPECT_EQ(ProposedFileName(".."), "unnamed");
}

}  // namespace
