// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

namespace plat
{

void* AllocResidentBlock(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    // Committed memory is zeroed and charged at once; Windows brings its pages in cheaply on touch.
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeResidentBlock(void* block, std::size_t)
{
    if (block != nullptr)
        VirtualFree(block, 0, MEM_RELEASE);
}

} // namespace plat
