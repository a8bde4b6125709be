// SPDX-License-Identifier: MIT
#include "misc/CxList.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

class CxListTest : public ::testing::Test
{
protected:
    void Fill(std::initializer_list<int*> elements)
    {
        for (int* p : elements)
            ASSERT_EQ(list.AddTail(p), 1);
    }

    // The indexes run 0, 1, 2... in list order, and the list holds exactly these elements.
    void ExpectOrder(std::initializer_list<int*> elements)
    {
        ASSERT_EQ(list.GetCount(), elements.size());
        uint32_t nIndex = 0;
        void* pData = list.GetFirst();
        for (int* p : elements) {
            EXPECT_EQ(pData, p) << "at " << nIndex;
            EXPECT_EQ(list.FindNode(p)->nIndex, nIndex);
            pData = list.GetNext();
            ++nIndex;
        }
        EXPECT_EQ(pData, nullptr);
    }

    int a = 1, b = 2, c = 3, d = 4;
    CxList list;
};

} // namespace

TEST_F(CxListTest, EmptyListGivesNothing)
{
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetAt(0), nullptr);
    EXPECT_EQ(list.Contains(nullptr), 0);
    EXPECT_EQ(list.Contains(&a), 0);
    EXPECT_FALSE(list.Remove(&a, false));
    EXPECT_FALSE(list.Seek(&a));
    EXPECT_EQ(list.AddTail(nullptr), 0);
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST_F(CxListTest, WalksInOrder)
{
    Fill({&a});
    EXPECT_EQ(list.GetFirst(), &a);
    EXPECT_EQ(list.GetNext(), nullptr);

    Fill({&b, &c});
    ExpectOrder({&a, &b, &c});
    EXPECT_EQ(list.GetAt(3), nullptr);
    // Positional access walks backwards from the cursor too, and moves it.
    EXPECT_EQ(list.GetAt(2), &c);
    EXPECT_EQ(list.GetAt(0), &a);
    EXPECT_EQ(list.GetNext(), &b);
}

TEST_F(CxListTest, AddTailMovesTheCursorToTheNewElement)
{
    Fill({&a, &b});
    EXPECT_EQ(list.GetFirst(), &a);
    Fill({&c});
    EXPECT_EQ(list.GetNext(), nullptr);
    ExpectOrder({&a, &b, &c});
}

TEST_F(CxListTest, RemovingTheCursorElementLeavesTheCursorOnTheFollowingOne)
{
    Fill({&a, &b, &c});
    list.GetFirst();
    ASSERT_EQ(list.GetNext(), &b);
    EXPECT_TRUE(list.Remove(&b, false));
    EXPECT_EQ(list.FindNode(&c)->nIndex, 1u);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetAt(1), &c);
    EXPECT_EQ(list.GetAt(0), &a);
    ExpectOrder({&a, &c});

    // The element after the removed one is skipped by the next GetNext.
    Fill({&b, &d});
    list.GetFirst();
    EXPECT_TRUE(list.Remove(&a, false));
    EXPECT_EQ(list.GetNext(), &b);
    ExpectOrder({&c, &b, &d});
}

TEST_F(CxListTest, RemovingTheLastElementMovesTheTail)
{
    Fill({&a, &b, &c});
    EXPECT_TRUE(list.Remove(&c, false));
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.FindNode(&b)->pNext, nullptr);
    // No cursor is left; positional access still finds both ends.
    EXPECT_EQ(list.GetAt(1), &b);
    EXPECT_TRUE(list.Remove(&b, false));
    EXPECT_EQ(list.GetAt(0), &a);
    Fill({&d});
    EXPECT_EQ(list.FindNode(&a)->pNext, list.FindNode(&d));
    ExpectOrder({&a, &d});

    EXPECT_TRUE(list.Remove(&a, false));
    EXPECT_TRUE(list.Remove(&d, false));
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetFirst(), nullptr);
    Fill({&c});
    ExpectOrder({&c});
}

TEST_F(CxListTest, ElementsAreFoundByIdentity)
{
    int aCopy = a;
    Fill({&a, &b, &a});
    EXPECT_EQ(list.Contains(&aCopy), 0);
    EXPECT_FALSE(list.Remove(&aCopy, false));
    EXPECT_EQ(list.Contains(nullptr), 0);
    EXPECT_EQ(list.Contains(&b), 1);

    // The first of two equal pointers goes first.
    EXPECT_TRUE(list.Remove(&a, false));
    EXPECT_EQ(list.Contains(&a), 1);
    EXPECT_EQ(list.FindNode(&a)->nIndex, 1u);
    ExpectOrder({&b, &a});
}

TEST_F(CxListTest, SeekPositionsTheCursor)
{
    Fill({&a, &b, &c});
    list.GetFirst();
    EXPECT_TRUE(list.Seek(&b));
    EXPECT_EQ(list.GetNext(), &c);
    EXPECT_TRUE(list.Seek(&a));
    EXPECT_FALSE(list.Seek(&d));
    EXPECT_EQ(list.GetNext(), &b);
}

TEST_F(CxListTest, ReleaseFreesOnlyWhenAsked)
{
    // Leak checking under the address sanitizer verifies that these blocks are freed.
    void* p1 = std::malloc(16);
    void* p2 = std::malloc(16);
    void* p3 = std::malloc(16);
    CxList owned;
    owned.AddTail(p1);
    owned.AddTail(p2);
    owned.AddTail(p3);
    EXPECT_TRUE(owned.Remove(p2, true));
    owned.RemoveAll(true);
    EXPECT_EQ(owned.GetCount(), 0u);
    EXPECT_EQ(owned.GetFirst(), nullptr);
    EXPECT_EQ(owned.GetNext(), nullptr);

    // Stack elements: freeing any of them would be caught by the sanitizer.
    {
        CxList borrowed;
        borrowed.AddTail(&a);
        borrowed.AddTail(&b);
        EXPECT_TRUE(borrowed.Remove(&a, false));
    }
    Fill({&c});
    list.RemoveAll(false);
    EXPECT_EQ(list.GetCount(), 0u);
    Fill({&d});
    ExpectOrder({&d});
}
