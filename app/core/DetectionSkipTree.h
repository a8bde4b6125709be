// SPDX-License-Identifier: MIT
// The skip trees of one run, which let a scan pass in bulk over the records already marked and not
// newer than its keeper: visiting those changes nothing. Each entry of a bucket has a value, the
// dense rank of its record's modification time once the record is marked and kUnmarked before; a
// scan visits only the entries whose value is above its keeper's threshold. A large bucket gets a
// max tree over its blocks of entries, so that a scan finds the next block worth reading without
// reading the blocks in between.
#pragma once

#include "core/DetectionIndexTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class SkipTrees
{
public:
    static constexpr uint32_t kBlock = 16;           // bucket entries under one leaf of a skip tree
    static constexpr uint32_t kTreeMin = 2 * kBlock; // smaller buckets are scanned entry by entry
    static constexpr int32_t kUnmarked = INT32_MAX;  // never skipped
    static constexpr int32_t kPadding = INT32_MIN;   // tree leaves past a bucket's end

    // A max tree per large bucket over its blocks of entries: the highest value of a block tells
    // whether any entry in it must be visited. Every entry starts unmarked; sizeOf(b) is the number
    // of entries in bucket b.
    template <class SizeOf> void Build(uint32_t nBuckets, SizeOf sizeOf)
    {
        m_treeBegin.assign(nBuckets, kNoId);
        std::size_t nTotal = 0;
        for (uint32_t b = 0; b < nBuckets; ++b) {
            if (sizeOf(b) > kTreeMin) {
                m_treeBegin[b] = static_cast<uint32_t>(nTotal);
                nTotal += 2 * static_cast<std::size_t>(TreeLeaves(sizeOf(b)));
            }
        }
        m_tree.assign(nTotal, kPadding);
        m_unmarked.assign(nTotal / 2, 0);
        for (uint32_t b = 0; b < nBuckets; ++b) {
            if (m_treeBegin[b] == kNoId)
                continue;
            int32_t* pTree = &m_tree[m_treeBegin[b]];
            const uint32_t nLeaves = TreeLeaves(sizeOf(b));
            const uint32_t nBlocks = (sizeOf(b) + kBlock - 1) / kBlock;
            std::fill(pTree + nLeaves, pTree + nLeaves + nBlocks, kUnmarked);
            uint8_t* pUnmarked = &m_unmarked[m_treeBegin[b] / 2];
            std::fill(pUnmarked, pUnmarked + nBlocks, static_cast<uint8_t>(kBlock));
            if (sizeOf(b) % kBlock != 0)
                pUnmarked[nBlocks - 1] = static_cast<uint8_t>(sizeOf(b) % kBlock);
            for (std::size_t n = nLeaves - 1; n >= 1; --n)
                pTree[n] = std::max(pTree[2 * n], pTree[2 * n + 1]);
        }
    }

    bool Has(uint32_t nBucket) const { return m_treeBegin[nBucket] != kNoId; }

    // The first block of the bucket, of nSize entries, from nFirst on that holds a value above the
    // threshold, or kNoId.
    uint32_t FindBlock(uint32_t nBucket, uint32_t nSize, uint32_t nFirst, int32_t nThreshold) const
    {
        const int32_t* pTree = &m_tree[m_treeBegin[nBucket]];
        const uint32_t nLeaves = TreeLeaves(nSize);
        if (nFirst >= nLeaves)
            return kNoId;
        uint32_t n = nLeaves + nFirst;
        while (pTree[n] <= nThreshold) {
            // On to the subtree just right of this one.
            while ((n & 1) != 0)
                n >>= 1;
            if (n == 0)
                return kNoId;
            ++n;
        }
        while (n < nLeaves) {
            n *= 2;
            if (pTree[n] <= nThreshold)
                ++n;
        }
        return n - nLeaves;
    }

    // Counts one more entry of a block of the bucket as marked; true when it was the block's last
    // unmarked one, so that the block's highest value must be set.
    bool MarkInBlock(uint32_t nBucket, uint32_t nBlock) { return --m_unmarked[m_treeBegin[nBucket] / 2 + nBlock] == 0; }

    // Sets the highest value of a block of the bucket, of nSize entries, and updates the tree above.
    void SetBlock(uint32_t nBucket, uint32_t nSize, uint32_t nBlock, int32_t nHighest)
    {
        int32_t* pTree = &m_tree[m_treeBegin[nBucket]];
        std::size_t n = TreeLeaves(nSize) + nBlock;
        pTree[n] = nHighest;
        for (n >>= 1; n >= 1; n >>= 1) {
            const int32_t nValue = std::max(pTree[2 * n], pTree[2 * n + 1]);
            if (pTree[n] == nValue)
                break;
            pTree[n] = nValue;
        }
    }

    std::size_t Bytes() const { return VectorBytes(m_treeBegin) + VectorBytes(m_tree) + VectorBytes(m_unmarked); }

private:
    static uint32_t TreeLeaves(uint32_t nSize)
    {
        const uint32_t nBlocks = (nSize + kBlock - 1) / kBlock;
        uint32_t nLeaves = 1;
        while (nLeaves < nBlocks)
            nLeaves *= 2;
        return nLeaves;
    }

    std::vector<uint32_t> m_treeBegin; // per bucket, kNoId for a bucket without a tree
    std::vector<int32_t> m_tree;
    std::vector<uint8_t> m_unmarked; // per tree, from half its offset: the unmarked entries of each block
};
