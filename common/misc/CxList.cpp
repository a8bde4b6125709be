// SPDX-License-Identifier: MIT
#include "misc/CxList.h"

#include <cassert>
#include <cstdlib>
#include <new>

CxList::~CxList()
{
    RemoveAll(false);
}

void* CxList::GetFirst()
{
    m_nFindIndex = 0;
    m_pCurr = m_pHead;
    return m_pCurr != nullptr ? m_pCurr->pData : nullptr;
}

void* CxList::GetNext()
{
    // m_nCount - 1 wraps round on an empty list.
    if (m_nCount == 0 || m_nFindIndex >= m_nCount - 1)
        return nullptr;
    return GetAt(m_nFindIndex + 1);
}

void* CxList::GetAt(uint32_t nIndex)
{
    if (nIndex >= m_nCount)
        return nullptr;

    CxListNode* pNode = m_pCurr;
    if (pNode == nullptr) {
        // Removing the last node leaves no cursor: start from whichever end is nearer.
        pNode = nIndex < m_nCount / 2 ? m_pHead : m_pTail;
    }
    else {
        assert(m_pCurr->nIndex == m_nFindIndex);
    }
    while (pNode != nullptr && pNode->nIndex < nIndex)
        pNode = pNode->pNext;
    while (pNode != nullptr && pNode->nIndex > nIndex)
        pNode = pNode->pPrev;
    if (pNode == nullptr)
        return nullptr;

    m_pCurr = pNode;
    m_nFindIndex = nIndex;
    return pNode->pData;
}

int CxList::AddTail(void* pData)
{
    if (pData == nullptr)
        return 0;
    CxListNode* pContainer = new (std::nothrow) CxListNode{pData, m_nCount, m_pTail, nullptr};
    assert(pContainer);
    // Without a node the list cannot go on, in release builds either.
    if (pContainer == nullptr)
        std::abort();

    if (m_pTail != nullptr)
        m_pTail->pNext = pContainer;
    else
        m_pHead = pContainer;
    m_pTail = pContainer;
    m_pCurr = pContainer;
    m_nFindIndex = pContainer->nIndex;
    ++m_nCount;
    return 1;
}

bool CxList::Remove(void* pData, bool bRelease)
{
    CxListNode* pNode = FindNode(pData);
    if (pNode == nullptr)
        return false;

    for (CxListNode* pNext = pNode->pNext; pNext != nullptr; pNext = pNext->pNext)
        --pNext->nIndex;
    if (pNode->pPrev != nullptr)
        pNode->pPrev->pNext = pNode->pNext;
    else
        m_pHead = pNode->pNext;
    if (pNode->pNext != nullptr)
        pNode->pNext->pPrev = pNode->pPrev;
    else
        m_pTail = pNode->pPrev;

    m_pCurr = pNode->pNext;
    m_nFindIndex = pNode->nIndex;
    if (bRelease)
        std::free(pNode->pData);
    delete pNode;
    --m_nCount;
    return true;
}

void CxList::RemoveAll(bool bRelease)
{
    CxListNode* pNode = m_pHead;
    while (pNode != nullptr) {
        CxListNode* pNext = pNode->pNext;
        if (bRelease)
            std::free(pNode->pData);
        delete pNode;
        pNode = pNext;
    }
    m_pHead = nullptr;
    m_pTail = nullptr;
    m_pCurr = nullptr;
    m_nCount = 0;
    m_nFindIndex = 0;
}

int CxList::Contains(void* pData) const
{
    return pData != nullptr && FindNode(pData) != nullptr ? 1 : 0;
}

bool CxList::Seek(void* pData)
{
    CxListNode* pNode = FindNode(pData);
    if (pNode == nullptr)
        return false;
    m_pCurr = pNode;
    m_nFindIndex = pNode->nIndex;
    return true;
}

CxListNode* CxList::FindNode(void* pData) const
{
    CxListNode* pNode = m_pHead;
    while (pNode != nullptr && pNode->pData != pData)
        pNode = pNode->pNext;
    return pNode;
}
