// SPDX-License-Identifier: MIT
// The room a bridge's records live in: blocks of many records, made resident at once. A load of
// 100,000 contacts takes a gigabyte; taken one record at a time from the heap, its first touch
// faults the pages in one by one, which costs more than reading the data file.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <new>
#include <type_traits>
#include <vector>

// Under the address sanitizer, freed records and a gap after each record stay poisoned, so a
// write past a record or into a freed one is caught as it was on the heap.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define VELTRANE_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define VELTRANE_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
inline constexpr std::size_t kRecordRedZone = 64;
#else
#define VELTRANE_POISON(p, n) static_cast<void>(0)
#define VELTRANE_UNPOISON(p, n) static_cast<void>(0)
inline constexpr std::size_t kRecordRedZone = 0;
#endif

template <class Record> class RecordBlocks
{
public:
    RecordBlocks() = default;
    RecordBlocks(const RecordBlocks&) = delete;
    RecordBlocks& operator=(const RecordBlocks&) = delete;
    ~RecordBlocks() { Clear(); }

    // A value-initialised record; null when no memory is left.
    Record* New()
    {
        void* pSlot = nullptr;
        if (!m_freed.empty()) {
            pSlot = m_freed.back();
            m_freed.pop_back();
        }
        else {
            if (m_nLeft == 0 && !AddBlock())
                return nullptr;
            pSlot = m_pNext;
            m_pNext += kSlotBytes;
            --m_nLeft;
        }
        VELTRANE_UNPOISON(pSlot, sizeof(Record));
        return new (pSlot) Record();
    }

    // Ends a record of New; its room serves the next New. A record of another owner is a fault.
    void Free(Record* pRecord)
    {
        if (pRecord == nullptr)
            return;
        pRecord->~Record();
        VELTRANE_POISON(pRecord, sizeof(Record));
        m_freed.push_back(pRecord);
    }

    // Ends every record at once and gives the blocks back to the system.
    void Clear()
    {
        for (const Block& block : m_blocks) {
            VELTRANE_UNPOISON(block.pStart, block.nBytes);
            plat::FreeResidentBlock(block.pStart, block.nBytes);
        }
        m_blocks.clear();
        m_freed.clear();
        m_pNext = nullptr;
        m_nLeft = 0;
    }

private:
    struct Block
    {
        void* pStart;
        std::size_t nBytes;
    };

    // Small loads take small blocks; from 4 MiB on the blocks stay that size.
    static constexpr std::size_t kFirstBlockBytes = std::size_t{64} << 10;
    static constexpr std::size_t kLargestBlockBytes = std::size_t{4} << 20;
    // Records follow each other at a multiple of their alignment.
    static constexpr std::size_t kSlotBytes =
        sizeof(Record) + (kRecordRedZone + alignof(Record) - 1) / alignof(Record) * alignof(Record);

    bool AddBlock()
    {
        std::size_t nBytes = kFirstBlockBytes << (m_blocks.size() < 6 ? m_blocks.size() : 6);
        if (nBytes > kLargestBlockBytes)
            nBytes = kLargestBlockBytes;
        if (nBytes < kSlotBytes)
            nBytes = kSlotBytes;
        void* pStart = plat::AllocResidentBlock(nBytes);
        if (pStart == nullptr)
            return false;
        m_blocks.push_back({pStart, nBytes});
        VELTRANE_POISON(pStart, nBytes);
        m_pNext = static_cast<unsigned char*>(pStart);
        m_nLeft = nBytes / kSlotBytes;
        return true;
    }

    static_assert(alignof(Record) <= 4096, "a block starts on a page");
    static_assert(std::is_trivially_destructible_v<Record>, "Clear ends records without their destructors");

    std::vector<Block> m_blocks;
    std::vector<void*> m_freed;
    unsigned char* m_pNext = nullptr;
    std::size_t m_nLeft = 0;
};

#undef VELTRANE_POISON
#undef VELTRANE_UNPOISON
