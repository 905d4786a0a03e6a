// The store: naming rules, defaults, and signed key order kept by its list and its index alike.
#include "store/wave_store.h"

#include <gtest/gtest.h>

#include <chrono>
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
    std::vector<ItemId> Enumerate()
    {
        std::vector<ItemId> ids;
        store.ForEachItem([&](ItemId id, void*) { ids.push_back(id); });
        return ids;
    }
};

TEST_F(WaveStoreTest, NamesAreTrimmedOrNumberedAndAClashWithinAKindIgnoringCaseGetsUnderscores)
{
    std::uint32_t index = 10;
    for (const auto& [text, length, name] :
         {std::tuple{"   Piano  ", 10, "Piano"}, {"   ", 3, " "}, {"", 0, "0 : unnamed wave"},
          {nullptr, 5, "1 : unnamed wave"}, {"Flute\0\0\0", 8, "Flute"}, {"Tuba   xyz", 4, "Tuba"},
          {"\0abc", 4, "2 : unnamed wave"}}) {
        EXPECT_EQ(NewWave(index++, text, length), name) << index;
    }
    const std::string x(100, 'x');
    EXPECT_EQ((std::vector<std::string>{NewWave(1, "Bass"), NewWave(2, "bass"), NewWave(3, "BASS"),
                                        store.NewInstrument(1, 1, "Bass", 4)->name, NewWave(4, x.c_str()),
                                        NewWave(5, x.c_str()), store.NewInstrument(0, 0, nullptr, 0)->name}),
              (std::vector<std::string>{"Bass", "_bass", "__BASS", "Bass", x.substr(0, 80), "_" + x.substr(0, 79),
                                        "0 : unnamed inst"}));
    store.DeleteItem(kWaveKind | 1);
    EXPECT_EQ(NewWave(6, "BASS"), "BASS");  // a freed name is given again
    std::strcpy(store.FetchWave(kWaveKind | 2)->name, "Drum");  // renamed on the property page
    EXPECT_EQ(NewWave(7, "_Bass"), "_Bass");
    EXPECT_EQ(NewWave(3, "__bass"), "__bass");  // the replaced record's name is free
    store.ClearStore();
    EXPECT_EQ((std::vector<std::string>{NewWave(1, nullptr), NewWave(2, "bass"), NewWave(3, "BASS")}),
              (std::vector<std::string>{"0 : unnamed wave", "bass", "_BASS"}));
}

TEST_F(WaveStoreTest, ThousandsOfOneNameStayDistinctUntilTheNameIsAllUnderscoresAndTakeLittleTime)
{
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t k = 0; k < 20000; ++k) {
        const char* text = k % 2 != 0 ? "loop" : "LOOP";
        // '_' goes in front and the end falls off past 80 characters, until 80 underscores clash.
        ASSERT_EQ(NewWave(k, text), (std::string(std::min(k, 80u), '_') + text).substr(0, 80)) << k;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // a scan per candidate is quadratic
}

TEST_F(WaveStoreTest, NewAndReplacedRecordsCarryTheDefaults)
{
    store.NewWavesample(7, nullptr, "W", 1)->pan = 0;
    const WavesampleRec& w = *store.NewWavesample(7, nullptr, "W", 1);
    EXPECT_EQ(std::tuple(w.length, w.loopEnd, w.sampleRate, w.rootKey, w.lowKey, w.highKey, w.pan, w.volume,
                         w.scaleKey, w.scaleFactor, w.owner, w.layout.bits, w.layout.channels, w.layout.bytes),
              std::tuple(0u, 0u, 22050u, 60, 0, 127, 63, 127, 60, 1024, NO_ITEM, 8, 1, 0u));
    const InstrumentRec& i = *store.NewInstrument(2, 7, "I", 1);
    EXPECT_EQ(std::tuple(i.program, i.layer.present, i.layer.volume, i.layer.keyMap[0], i.layer.keyMap[127]),
              std::tuple(255, 1u, 127, kWaveKind | 7, kWaveKind | 7));
}

// Inserts before, after and between, replacements, deletions and clears in a scrambled order,
// checked after every step against a plain map of what should be stored.
TEST_F(WaveStoreTest, TheListAndTheLookupsFollowSignedKeysThroughEveryChange)
{
    const ItemId pool[] = {kBankId,   kFolderKind, kFolderKind | 1, kInstrumentKind, kInstrumentKind | 9,
                           kWaveKind, kWaveKind | 1, kWaveKind | 2, kWaveKind | 0x5000005, kWaveKind | kIndexMask};
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
        std::vector<ItemId> expected;
        for (const auto& entry : model) expected.push_back(static_cast<ItemId>(entry.first));
        ASSERT_EQ(Enumerate(), expected) << step;
        for (ItemId probe : pool) {
            const auto at = model.find(static_cast<std::int32_t>(probe));
            void* const record = at != model.end() ? at->second : nullptr;
            ASSERT_EQ(std::tuple(store.Fetch(probe), store.FetchWave(probe), store.FetchInstrument(probe)),
                      std::tuple(record, IsWave(probe) ? record : nullptr, IsInstrument(probe) ? record : nullptr))
                << step << " " << std::hex << probe;
        }
    }
}

TEST_F(WaveStoreTest, ChangesDuringAnEnumerationNeitherSkipNorRepeatItems)
{
    for (std::uint32_t i = 1; i <= 6; ++i) NewWave(i, nullptr);
    std::vector<std::uint32_t> seen;
    ItemId id = 0;
    void* record = nullptr;
    for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
        seen.push_back(id & kIndexMask);
        // At an item, deleting it, one passed or one ahead; inserting one behind and one ahead.
        for (const auto& [at, gone] : {std::pair{1u, 1u}, {2u, 4u}, {3u, 3u}, {3u, 2u}, {5u, 6u}, {5u, 5u}}) {
            if (at == seen.back()) store.DeleteItem(kWaveKind | gone);
        }
        if (seen.back() == 2) NewWave(0, nullptr), NewWave(7, nullptr);
    }
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2, 3, 5, 7}));
    EXPECT_EQ(Enumerate(), (std::vector<ItemId>{kWaveKind, kWaveKind | 7}));
}

}  // namespace
