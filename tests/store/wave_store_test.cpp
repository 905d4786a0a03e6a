// The store: naming rules, and signed key order kept by its list and its index alike.
#include "store/wave_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "kit/import_fixture.h"

namespace {

struct WaveStoreTest : ImportFixture {
    std::string NewWave(std::uint32_t index, const char* name, int length = -1)
    {
        if (length < 0) length = name != nullptr ? static_cast<int>(std::strlen(name)) : 0;
        return store.NewWavesample(index, nullptr, name, length)->name;
    }
};

TEST_F(WaveStoreTest, NamesAreTrimmedOrNumberedAndAClashWithinAKindIgnoringCaseGetsUnderscores)
{
    EXPECT_EQ((std::vector<std::string>{NewWave(10, "   Piano  ", 10), NewWave(11, "   ", 3), NewWave(12, "", 0),
                                        NewWave(13, nullptr, 5), NewWave(14, "Flute\0\0\0", 8),
                                        NewWave(15, "Tuba   xyz", 4), NewWave(16, "\0abc", 4)}),
              (std::vector<std::string>{"Piano", " ", "0 : unnamed wave", "1 : unnamed wave", "Flute", "Tuba",
                                        "2 : unnamed wave"}));
    const std::string x(100, 'x');
    EXPECT_EQ((std::vector<std::string>{NewWave(1, "Bass"), NewWave(2, "bass"), NewWave(3, "BASS"),
                                        store.NewInstrument(1, 1, "Bass", 4)->name, NewWave(4, x.c_str()),
                                        NewWave(5, x.c_str()), store.NewInstrument(0, 0, nullptr, 0)->name}),
              (std::vector<std::string>{"Bass", "_bass", "__BASS", "Bass", x.substr(0, 80), "_" + x.substr(0, 79),
                                        "0 : unnamed inst"}));
    store.DeleteItem(kWaveKind | 1);
    EXPECT_EQ(NewWave(6, "BASS"), "BASS");                      // a freed name is given again
    std::strcpy(store.FetchWave(kWaveKind | 2)->name, "Drum");  // renamed on the property page
    EXPECT_EQ(NewWave(7, "_Bass"), "_Bass");
    store.FetchWave(kWaveKind | 3)->length = 5;
    EXPECT_EQ(NewWave(3, "__bass"), "__bass");              // the replaced record's name is free
    EXPECT_EQ(store.FetchWave(kWaveKind | 3)->length, 0u);  // and it starts afresh
    store.ClearStore();
    EXPECT_EQ((std::vector<std::string>{NewWave(1, nullptr), NewWave(2, "bass"), NewWave(3, "BASS")}),
              (std::vector<std::string>{"0 : unnamed wave", "bass", "_BASS"}));
}

// (The cost of many items of one name is measured by the store benchmark.)
TEST_F(WaveStoreTest, ThousandsOfOneNameStayDistinctUntilTheNameIsAllUnderscores)
{
    // '_' goes in front and the end falls off past 80 characters, until 80 underscores clash.
    for (std::uint32_t k = 0; k < 20000; ++k) {
        const std::string text = k % 2 != 0 ? "loop" : "LOOP";
        ASSERT_EQ(NewWave(k, text.c_str()), (std::string(std::min(k, 80u), '_') + text).substr(0, 80)) << k;
    }
}

// Inserts before, after and between, replacements, deletions and clears in a scrambled order,
// checked after every step against a plain map of what should be stored.
TEST_F(WaveStoreTest, TheListAndTheLookupsFollowSignedKeysThroughEveryChange)
{
    const ItemId pool[] = {kBankId,   kFolderKind,   kFolderKind | 1, kInstrumentKind,       kInstrumentKind | 9,
                           kWaveKind, kWaveKind | 1, kWaveKind | 2,   kWaveKind | 0x5000005, kWaveKind | kIndexMask};
    std::map<std::int32_t, void*> model;
    std::mt19937 random(7);
    for (int step = 0; step < 3000; ++step) {
        const ItemId id = pool[random() % std::size(pool)];
        const unsigned action = random() % 100;
        if (action == 0) store.ClearStore(), model.clear();
        if (action > 0 && action < 40) store.DeleteItem(id), model.erase(static_cast<std::int32_t>(id));
        if (action >= 40) {
            model[static_cast<std::int32_t>(id)] =
                IsWave(id)         ? static_cast<void*>(store.NewWavesample(id & kIndexMask, nullptr, "w", 1))
                : IsInstrument(id) ? static_cast<void*>(store.NewInstrument(id & kIndexMask, 0, "i", 1))
                : IsBank(id)       ? static_cast<void*>(store.NewBank("b", 1))
                                   : static_cast<void*>(store.NewFolder(id & kIndexMask, "f"));
        }
        std::vector<ItemId> expected, listed;
        for (const auto& entry : model) expected.push_back(static_cast<ItemId>(entry.first));
        store.ForEachItem([&](ItemId id, void*) { listed.push_back(id); });
        ASSERT_EQ(listed, expected) << step;
        for (ItemId probe : pool) {
            const auto at = model.find(static_cast<std::int32_t>(probe));
            void* const record = at != model.end() ? at->second : nullptr;
            ASSERT_EQ(std::tuple(store.Fetch(probe), store.FetchWave(probe), store.FetchInstrument(probe)),
                      std::tuple(record, IsWave(probe) ? record : nullptr, IsInstrument(probe) ? record : nullptr))
                << step << " " << std::hex << probe;
        }
    }
}

}  // namespace
