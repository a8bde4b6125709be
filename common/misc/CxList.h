// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

struct CxListNode
{
    void* pData;
    uint32_t nIndex;
    CxListNode* pPrev;
    CxListNode* pNext;
};

// A doubly linked list of untyped element pointers with a built-in cursor. Elements are found by
// identity. AddTail moves the cursor to the new node, and Remove leaves it on the node that
// followed the removed one: walks rely on both.
class CxList
{
public:
    CxList() = default;
    ~CxList();
    CxList(const CxList&) = delete;
    CxList& operator=(const CxList&) = delete;

    void* GetFirst();
    void* GetNext();
    void* GetAt(uint32_t nIndex);
    int AddTail(void* pData);
    // bRelease frees the element with free(): only for elements allocated with malloc().
    bool Remove(void* pData, bool bRelease);
    void RemoveAll(bool bRelease);
    uint32_t GetCount() const { return m_nCount; }
    int Contains(void* pData) const;
    bool Seek(void* pData);
    CxListNode* FindNode(void* pData) const;

private:
    CxListNode* m_pHead = nullptr;
    CxListNode* m_pTail = nullptr;
    CxListNode* m_pCurr = nullptr;
    uint32_t m_nCount = 0;
    uint32_t m_nFindIndex = 0;
};
