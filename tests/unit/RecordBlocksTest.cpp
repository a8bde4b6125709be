// SPDX-License-Identifier: MIT
#include "records/RecordBlocks.h"
#include "records/SGRecords.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <set>
#include <vector>

namespace
{

bool IsZero(const SGAddrRecord& record)
{
    const auto* pBytes = reinterpret_cast<const unsigned char*>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i) {
        if (pBytes[i] != 0)
            return false;
    }
    return true;
}

TEST(RecordBlocksTest, RecordsComeZeroedApartAndAlignedAcrossBlocksAndAfterReuse)
{
    RecordBlocks<SGAddrRecord> blocks;
    // A few thousand contacts fill the growing blocks and several of the largest.
    std::vector<SGAddrRecord*> records;
    std::set<std::uintptr_t> starts;
    for (int i = 0; i < 3000; ++i) {
        SGAddrRecord* pRecord = blocks.New();
        ASSERT_NE(pRecord, nullptr);
        ASSERT_TRUE(IsZero(*pRecord)) << "record " << i;
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(pRecord) % alignof(SGAddrRecord), 0u);
        // Every byte written: a record that overlapped another would break the check above.
        std::memset(static_cast<void*>(pRecord), 0xA5, sizeof *pRecord);
        starts.insert(reinterpret_cast<std::uintptr_t>(pRecord));
        records.push_back(pRecord);
    }
    EXPECT_EQ(starts.size(), records.size());
    for (auto it = starts.begin(); std::next(it) != starts.end(); ++it)
        EXPECT_GE(*std::next(it) - *it, sizeof(SGAddrRecord));

    // The room of a freed record serves the next one, which must not show the old one's bytes.
    blocks.Free(records[17]);
    blocks.Free(records[2999]);
    for (int i = 0; i < 3; ++i) {
        SGAddrRecord* pRecord = blocks.New();
        ASSERT_NE(pRecord, nullptr);
        EXPECT_TRUE(IsZero(*pRecord));
    }

    blocks.Clear();
    SGAddrRecord* pAfter = blocks.New();
    ASSERT_NE(pAfter, nullptr);
    EXPECT_TRUE(IsZero(*pAfter));
    blocks.Free(nullptr);
}

} // namespace
