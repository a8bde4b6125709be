// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <sys/mman.h>

namespace plat
{

void* AllocResidentBlock(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    // MAP_POPULATE faults the whole block in one call instead of one trap a page on first touch.
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return block != MAP_FAILED ? block : nullptr;
}

void FreeResidentBlock(void* block, std::size_t bytes)
{
    if (block != nullptr)
        munmap(block, bytes);
}

} // namespace plat
