// SPDX-License-Identifier: MIT
// A flat hash table that hands out dense ids, 0, 1, 2..., to distinct values. It keeps only the
// hashes: the caller keeps the values and tells whether an id stands for the one looked up. With it
// the hashing, the grouping by dense id and the memory count that every part of the candidate index
// uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t kNoId = UINT32_MAX;

// The finaliser of splitmix64: spreads every input bit over the whole hash.
inline uint64_t MixHash(uint64_t h)
{
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    return h ^ (h >> 31);
}

inline uint64_t CombineHash(uint64_t h, uint64_t nValue)
{
    return MixHash(h ^ (nValue + 0x9e3779b97f4a7c15ULL + (h << 6)));
}

// The heap memory a vector holds, spare capacity included.
template <class T> std::size_t VectorBytes(const std::vector<T>& v)
{
    return v.capacity() * sizeof(T);
}

// Lists items by dense id in one counting pass. Item n has the ids ids[n * nStride] up to
// ids[n * nStride + nStride - 1], each below nIds; afterwards items[begin[id]] up to
// items[begin[id + 1] - 1] are the items having the id, in ascending order.
inline void GroupByIds(const std::vector<uint32_t>& ids, uint32_t nIds, uint32_t nStride, std::vector<uint32_t>& begin,
                       std::vector<uint32_t>& items)
{
    begin.assign(static_cast<std::size_t>(nIds) + 1, 0);
    for (uint32_t nId : ids)
        ++begin[nId + 1];
    for (std::size_t k = 0; k < nIds; ++k)
        begin[k + 1] += begin[k];
    std::vector<uint32_t> fill(begin.begin(), begin.end() - 1);
    items.resize(ids.size());
    std::size_t n = 0;
    for (uint32_t nItem = 0; n < ids.size(); ++nItem) {
        for (uint32_t s = 0; s < nStride; ++s, ++n)
            items[fill[ids[n]]++] = nItem;
    }
}

class IdTable
{
public:
    // The id whose value has the hash and satisfies same(id), or kNoId.
    template <class Same> uint32_t Find(uint64_t nHash, Same same) const
    {
        if (m_slots.empty())
            return kNoId;
        const uint32_t nSlot = m_slots[Probe(nHash, same)];
        return nSlot != 0 ? nSlot - 1 : kNoId;
    }

    // As Find, but a value not seen before gets the next id.
    template <class Same> uint32_t Intern(uint64_t nHash, Same same)
    {
        if ((m_hashes.size() + 1) * 2 > m_slots.size())
            Grow();
        const std::size_t i = Probe(nHash, same);
        if (m_slots[i] != 0)
            return m_slots[i] - 1;
        m_hashes.push_back(nHash);
        m_slots[i] = static_cast<uint32_t>(m_hashes.size());
        return m_slots[i] - 1;
    }

    uint32_t Size() const { return static_cast<uint32_t>(m_hashes.size()); }
    std::size_t Bytes() const { return VectorBytes(m_slots) + VectorBytes(m_hashes); }

private:
    // The slot holding the id whose value has the hash and satisfies same(id), or else the free slot
    // that ends the probe. The table must have slots; at most half of them are taken, so one is free.
    template <class Same> std::size_t Probe(uint64_t nHash, const Same& same) const
    {
        std::size_t i = nHash & m_nMask;
        for (;; i = (i + 1) & m_nMask) {
            const uint32_t nSlot = m_slots[i];
            if (nSlot == 0 || (m_hashes[nSlot - 1] == nHash && same(nSlot - 1)))
                return i;
        }
    }

    void Grow()
    {
        const std::size_t nSize = m_slots.empty() ? 64 : m_slots.size() * 2;
        m_slots.assign(nSize, 0);
        m_nMask = nSize - 1;
        for (std::size_t nId = 0; nId < m_hashes.size(); ++nId) {
            std::size_t i = m_hashes[nId] & m_nMask;
            while (m_slots[i] != 0)
                i = (i + 1) & m_nMask;
            m_slots[i] = static_cast<uint32_t>(nId + 1);
        }
    }

    std::vector<uint32_t> m_slots; // id + 1, 0 for a free slot
    std::vector<uint64_t> m_hashes;
    std::size_t m_nMask = 0;
};
