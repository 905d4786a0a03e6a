// Chain lists: signed key order, replacement, unlinking.
#include "support/chain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/memory.h"

namespace {

std::vector<std::int32_t> Keys(const ChainLink* list)
{
    std::vector<std::int32_t> keys;
    for (const ChainLink* l = C_NEXT(list); l != nullptr; l = C_NEXT(l)) keys.push_back(l->key);
    return keys;
}

struct ListFixture : ::testing::Test {
    ChainLink* list = C_ALLOC();
    ~ListFixture() override { C_FREE(list); }
};

using ChainList = ListFixture;

TEST_F(ChainList, KeepsSignedAscendingOrder)
{
    C_ASTORE(4, 5, list);
    C_ASTORE(4, static_cast<std::int32_t>(0xFFFFFFFD), list);
    C_ASTORE(4, 0x40000000, list);
    C_ASTORE(4, static_cast<std::int32_t>(0x80000001), list);
    EXPECT_EQ(Keys(list), (std::vector<std::int32_t>{static_cast<std::int32_t>(0x80000001), -3, 5,
                                                     0x40000000}));
    EXPECT_EQ(C_LENGTH(list), 4u);
}

TEST_F(ChainList, StoringUnderAnUsedKeyReplacesTheBlock)
{
    auto* first = static_cast<char*>(C_ASTORE(8, 7, list));
    std::strcpy(first, "first");
    auto* second = static_cast<char*>(M_ALLOC(8));
    std::strcpy(second, "second");
    C_STORE(second, 7, list);  // the first block is freed; a leak here shows under the sanitizers
    EXPECT_EQ(C_LENGTH(list), 1u);
    EXPECT_STREQ(static_cast<char*>(C_FETCH(7, list)), "second");
}

TEST_F(ChainList, UnlinkReturnsThePrecedingLink)
{
    C_ASTORE(4, 1, list);
    C_ASTORE(4, 2, list);
    EXPECT_EQ(C_UNLINK(1, list), list);
    EXPECT_EQ(C_UNLINK(9, list), nullptr);
    ChainLink* before = C_NEXT(list);
    C_ASTORE(4, 3, list);
    EXPECT_EQ(C_UNLINK(3, list), before);
    EXPECT_EQ(Keys(list), (std::vector<std::int32_t>{2}));
}

TEST_F(ChainList, ClearLeavesAnEmptyUsableHead)
{
    C_ASTORE(4, 1, list);
    C_ASTORE(4, 2, list);
    C_CLEAR(list);
    EXPECT_EQ(C_LENGTH(list), 0u);
    EXPECT_EQ(C_FETCH(1, list), nullptr);
    C_ASTORE(4, 3, list);
    EXPECT_EQ(Keys(list), (std::vector<std::int32_t>{3}));
    EXPECT_EQ(C_NEXT(nullptr), nullptr);
}

}  // namespace
