// SPDX-License-Identifier: MIT
// Copies into the fixed-capacity text fields that records and objects hold.
#pragma once

#include <cstddef>

// Copies `src` into `dst` of `capacity` bytes, cut at capacity - 1 bytes but never inside a
// multi-byte character, always NUL-terminated. A null `src` gives the empty text.
// Returns the number of bytes copied.
std::size_t CopyText(char* dst, std::size_t capacity, const char* src);

template <std::size_t N> std::size_t CopyText(char (&dst)[N], const char* src)
{
    return CopyText(dst, N, src);
}
