// The store: naming rules, replacement, signed order and enumeration with deletion.
#include "store/wave_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kit/scripted_host.h"

namespace {

struct StoreFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};

    std::string Wave(std::uint32_t index, const char* name, int length = -1)
    {
        const int n = length >= 0 ? length : (name != nullptr ? static_cast<int>(std::strlen(name)) : 0);
        return store.NewWavesample(index, nullptr, name, n)->name;
    }
    std::vector<ItemId> Enumerate()
    {
        std::vector<ItemId> ids;
        ItemId id = 0;
        void* record = nullptr;
        for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) ids.push_back(id);
        return ids;
    }
};

using Naming = StoreFixture;

TEST_F(Naming, TrimsBlanksAndNumbersUnnamedItems)
{
    struct Case {
        const char* text;
        int length;
        const char* name;
    };
    const Case cases[] = {
        {"   Piano  ", 10, "Piano"},
        {"   ", 3, " "},
        {"", 0, "0 : unnamed wave"},
        {nullptr, 5, "1 : unnamed wave"},
        {"Flute\0\0\0", 8, "Flute"},
        {"Tuba   xyz", 4, "Tuba"},
        {"\0abc", 4, "2 : unnamed wave"},
    };
    std::uint32_t index = 0;
    for (const Case& c : cases) EXPECT_EQ(Wave(index++, c.text, c.length), c.name) << index;
    EXPECT_EQ(store.unnamedWaves, 3u);
    EXPECT_STREQ(store.NewInstrument(0, 0, nullptr, 0)->name, "0 : unnamed inst");
}

TEST_F(Naming, ClashesIgnoringCaseGetUnderscores)
{
    EXPECT_EQ(Wave(1, "Bass"), "Bass");
    EXPECT_EQ(Wave(2, "bass"), "_bass");
    EXPECT_EQ(Wave(3, "BASS"), "__BASS");
    // Only items of the same kind clash.
    EXPECT_STREQ(store.NewInstrument(1, 1, "Bass", 4)->name, "Bass");
}

TEST_F(Naming, LongNamesAreCutTo80AndAClashLosesTheLastCharacter)
{
    const std::string text(100, 'x');
    EXPECT_EQ(Wave(1, text.c_str()), std::string(80, 'x'));
    EXPECT_EQ(Wave(2, text.c_str()), "_" + std::string(79, 'x'));
}

TEST_F(Naming, A80UnderscoreNameClashDoesNotHang)
{
    const std::string text(80, '_');
    Wave(1, text.c_str());
    EXPECT_EQ(Wave(2, text.c_str()), text);
}

TEST_F(Naming, ClearStoreRestartsTheCounters)
{
    Wave(1, nullptr);
    store.ClearStore();
    EXPECT_EQ(Wave(1, nullptr), "0 : unnamed wave");
}

using Records = StoreFixture;

TEST_F(Records, NewRecordsCarryTheirDefaults)
{
    const WavesampleRec& w = *store.NewWavesample(7, nullptr, "W", 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.sampleRate, 22050u);
    EXPECT_EQ(w.rootKey, 60);
    EXPECT_EQ(w.lowKey, 0);
    EXPECT_EQ(w.highKey, 127);
    EXPECT_EQ(w.pan, 63);
    EXPECT_EQ(w.volume, 127);
    EXPECT_EQ(w.scaleKey, 60);
    EXPECT_EQ(w.scaleFactor, 1024);
    EXPECT_EQ(w.owner, NO_ITEM);
    EXPECT_EQ(w.loopEnd, 0u);
    EXPECT_EQ(w.bytesPerSample, 0);
    const InstrumentRec& i = *store.NewInstrument(2, 7, "I", 1);
    EXPECT_EQ(i.program, 255);
    EXPECT_EQ(i.layer.present, 1u);
    EXPECT_EQ(i.layer.volume, 127);
    for (ItemId entry : i.layer.keyMap) EXPECT_EQ(entry, 0x80000007u);
    EXPECT_EQ(store.FetchInstrument(0x40000002), &i);
}

TEST_F(Records, StoringUnderAnIndexInUseReplacesTheRecord)
{
    Wave(1, "Old");
    Wave(1, "Old");  // the first record is gone before the name is checked
    EXPECT_STREQ(store.FetchWave(0x80000001)->name, "Old");
    EXPECT_EQ(Enumerate().size(), 1u);
}

TEST_F(Records, BankIsNamedAfterTheImportRowWithoutAName)
{
    store.formatIndex = 52;
    EXPECT_STREQ(store.NewBank(nullptr, 0)->name, "Ms Windows wave file");
    EXPECT_STREQ(store.NewBank("My bank", 7)->name, "My bank");
    EXPECT_EQ(Enumerate().size(), 1u);
    EXPECT_STREQ(store.NewFolder(0, "All Wavesamples")->name, "All Wavesamples");
    EXPECT_NE(store.FetchFolder(0x10000000), nullptr);
}

TEST_F(Records, LookupChecksTheKind)
{
    Wave(1, "W");
    EXPECT_EQ(store.FetchInstrument(0x80000001), nullptr);
    EXPECT_EQ(store.FetchWave(0x80000002), nullptr);
    EXPECT_EQ(store.FetchBank(), nullptr);
}

using Enumeration = StoreFixture;

TEST_F(Enumeration, FollowsSignedKeyOrder)
{
    Wave(3, "w3");
    Wave(1, "w1");
    store.NewInstrument(0, 1, "i0", 2);
    store.NewBank(nullptr, 0);
    EXPECT_EQ(Enumerate(), (std::vector<ItemId>{0x80000001, 0x80000003, 0x20000000, 0x40000000}));
}

TEST_F(Enumeration, DeletingTheCurrentItemNeitherSkipsNorRepeats)
{
    for (std::uint32_t i = 1; i <= 4; ++i) Wave(i, nullptr);
    std::vector<ItemId> seen;
    ItemId id = 0;
    void* record = nullptr;
    for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
        seen.push_back(id);
        if (id == 0x80000001 || id == 0x80000002 || id == 0x80000004) store.DeleteItem(id);
    }
    EXPECT_EQ(seen, (std::vector<ItemId>{0x80000001, 0x80000002, 0x80000003, 0x80000004}));
    EXPECT_EQ(Enumerate(), (std::vector<ItemId>{0x80000003}));
}

TEST_F(Enumeration, DeletingAnotherItemLeavesTheCursorAlone)
{
    for (std::uint32_t i = 1; i <= 3; ++i) Wave(i, nullptr);
    ItemId id = 0;
    void* record = nullptr;
    ASSERT_TRUE(store.NextItem(0, id, record));
    store.DeleteItem(0x80000002);
    store.DeleteItem(0x80000009);  // absent: nothing happens
    ASSERT_TRUE(store.NextItem(1, id, record));
    EXPECT_EQ(id, 0x80000003u);
    EXPECT_FALSE(store.NextItem(2, id, record));
}

}  // namespace
