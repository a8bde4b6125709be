// SPDX-License-Identifier: MIT
#include "records/CommStores.h"

#include <cstdlib>
#include <cstring>
#include <new>

template <class Entry> CommStore<Entry>::~CommStore()
{
    ClearEntries();
}

template <class Entry> Entry* CommStore<Entry>::AddEntry(const Entry* pEntry)
{
    if (pEntry == nullptr)
        return nullptr;
    Entry* pNew = new (std::nothrow) Entry(*pEntry);
    if (pNew == nullptr)
        return nullptr;

    if (pEntry->pRecord != nullptr && pEntry->nRecordSize != 0) {
        void* pCopy = std::malloc(pEntry->nRecordSize);
        if (pCopy == nullptr) {
            delete pNew;
            return nullptr;
        }
        std::memcpy(pCopy, pEntry->pRecord, pEntry->nRecordSize);
        pNew->pRecord = static_cast<decltype(pNew->pRecord)>(pCopy);
    }

    if (m_list.AddTail(pNew) == 0) {
        FreeEntry(pNew);
        return nullptr;
    }
    return pNew;
}

template <class Entry> bool CommStore<Entry>::RemoveEntry(Entry* pEntry)
{
    if (pEntry == nullptr || !m_list.Remove(pEntry, false))
        return false;
    FreeEntry(pEntry);
    return true;
}

template <class Entry> void CommStore<Entry>::ClearEntries()
{
    for (void* p = m_list.GetFirst(); p != nullptr; p = m_list.GetNext())
        FreeEntry(static_cast<Entry*>(p));
    m_list.RemoveAll(false);
}

template <class Entry> void CommStore<Entry>::FreeEntry(Entry* pEntry)
{
    if (pEntry->pRecord != nullptr && pEntry->nRecordSize != 0)
        std::free(pEntry->pRecord);
    delete pEntry;
}

template class CommStore<CommAddrEntry>;
template class CommStore<CommDateEntry>;
template class CommStore<CommTaskEntry>;
template class CommStore<CommNoteEntry>;
