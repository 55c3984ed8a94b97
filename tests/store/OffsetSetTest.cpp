#include "store/OffsetSet.h"

#include <gtest/gtest.h>

#include <set>

namespace vellumine {
namespace {

TEST(OffsetSet, InsertsEachOffsetOnceThroughGrowth)
{
    // Offsets as a store file has them (multiples of 4 and of 512), a
    // zero, the largest offset, and enough of them to grow the table.
    std::vector<std::uint32_t> offsets = {0, 4, 0xFFFFFFFFu, 0xFFFFFFFCu};
    for (std::uint32_t i = 1; i <= 50000; ++i)
        offsets.push_back(i * 512);
    for (std::uint32_t i = 1; i <= 5000; ++i)
        offsets.push_back(i * 4 + 1);
    OffsetSet set;
    std::set<std::uint32_t> expected;
    for (const std::uint32_t offset : offsets) {
        EXPECT_EQ(set.Contains(offset), expected.count(offset) == 1) << offset;
        EXPECT_EQ(set.Insert(offset), expected.insert(offset).second) << offset;
    }
    for (const std::uint32_t offset : offsets) {
        EXPECT_TRUE(set.Contains(offset)) << offset;
        EXPECT_FALSE(set.Insert(offset)) << offset;
    }
    for (const std::uint32_t absent : {8u, 514u, 0xFFFFFFF8u})
        EXPECT_FALSE(set.Contains(absent)) << absent;
}

TEST(OffsetSet, EmptySetHoldsNothing)
{
    const OffsetSet set;
    EXPECT_FALSE(set.Contains(0));
    EXPECT_FALSE(set.Contains(1234));
}

}  // namespace
}  // namespace vellumine
