// SPDX-License-Identifier: MIT
#include "misc/TextUtil.h"

#include "platform/Platform.h"

#include <cstring>

std::size_t CopyText(char* dst, std::size_t capacity, const char* src)
{
    if (dst == nullptr || capacity == 0)
        return 0;
    const std::size_t n = src != nullptr ? plat::AnsiFitLength(src, capacity - 1) : 0;
    if (n > 0)
        std::memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}
