// SPDX-License-Identifier: MIT
#include "records/CommStores.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CommStores, AddWalkAndSeek)
{
    CommTaskMgr store;
    EXPECT_EQ(store.GetFirstEntry(), nullptr);
    EXPECT_EQ(store.GetNextEntry(), nullptr);
    EXPECT_EQ(store.GetEntryCount(), 0u);
    EXPECT_EQ(store.AddEntry(nullptr), nullptr);

    SGTaskRecord records[3];
    CommTaskEntry* pEntries[3];
    for (int i = 0; i < 3; ++i) {
        CommTaskEntry entry;
        entry.nSource = SOURCE_SUGARCRM;
        entry.pRecord = &records[i];
        pEntries[i] = store.AddEntry(&entry);
        ASSERT_NE(pEntries[i], nullptr);
        EXPECT_NE(pEntries[i], &entry);
        EXPECT_EQ(pEntries[i]->nSource, 21);
        EXPECT_EQ(pEntries[i]->pRecord, &records[i]);
    }
    EXPECT_EQ(store.GetEntryCount(), 3u);
    EXPECT_EQ(store.GetFirstEntry(), pEntries[0]);
    EXPECT_EQ(store.GetNextEntry(), pEntries[1]);
    EXPECT_EQ(store.GetNextEntry(), pEntries[2]);
    EXPECT_EQ(store.GetNextEntry(), nullptr);

    EXPECT_TRUE(store.SeekEntry(pEntries[1]));
    EXPECT_EQ(store.GetNextEntry(), pEntries[2]);
    CommTaskEntry foreign;
    EXPECT_FALSE(store.SeekEntry(&foreign));
}

TEST(CommStores, OwnedCopyGoesWithItsEntry)
{
    SGNoteRecord record;
    record.nStatus = 4;
    record.nAux = 77;
    CommNoteMgr store;
    CommNoteEntry entry;
    entry.pRecord = &record;
    entry.nRecordSize = sizeof record;

    CommNoteEntry* pAdded = store.AddEntry(&entry);
    ASSERT_NE(pAdded, nullptr);
    ASSERT_NE(pAdded->pRecord, &record);
    record.nAux = 1;
    EXPECT_EQ(pAdded->pRecord->nStatus, 4);
    EXPECT_EQ(pAdded->pRecord->nAux, 77);
    // The sanitizer run checks that the copy is freed exactly once, here.
    EXPECT_TRUE(store.RemoveEntry(pAdded));
    EXPECT_EQ(record.nAux, 1);
}

TEST(CommStores, RemovingAndClearingFreeOnlyTheStoresOwn)
{
    // Heap records, so that the sanitizer run would catch a store freeing one of them.
    auto* pFirst = new SGAddrRecord();
    auto* pSecond = new SGAddrRecord();
    std::strcpy(pFirst->szLastName, "Lovelace");
    {
        CommAddrMgr store;
        CommAddrMgr other;
        CommAddrEntry entry;
        entry.pRecord = pFirst;
        CommAddrEntry* pMine = store.AddEntry(&entry);
        CommAddrEntry* pTheirs = other.AddEntry(&entry);
        EXPECT_FALSE(store.RemoveEntry(nullptr));
        EXPECT_FALSE(store.RemoveEntry(&entry));
        EXPECT_FALSE(store.RemoveEntry(pTheirs));
        EXPECT_EQ(other.GetFirstEntry(), pTheirs);
        EXPECT_TRUE(store.RemoveEntry(pMine));
        EXPECT_EQ(store.GetEntryCount(), 0u);

        entry.pRecord = pSecond;
        store.AddEntry(&entry);
        store.AddEntry(&entry);
        store.ClearEntries();
        EXPECT_EQ(store.GetEntryCount(), 0u);
        EXPECT_EQ(store.GetFirstEntry(), nullptr);
    }
    EXPECT_STREQ(pFirst->szLastName, "Lovelace");
    delete pFirst;
    delete pSecond;
}
