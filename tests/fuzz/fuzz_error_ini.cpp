// SPDX-License-Identifier: MIT
#include "FuzzBridge.h"
#include "FuzzSupport.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    WriteInput("SGFuzzErr.dat", data, size);
    FuzzBridge bridge;
    bridge.SetWorkFolder(FuzzFolder().c_str());
    bridge.SetErrorFileName("SGFuzzErr.dat");
    bridge.ReadErrorFile();
    // The error text must stay a terminated string within its field.
    if (std::memchr(bridge.GetError(), '\0', 1024) == nullptr)
        std::abort();
    if (!bridge.HasError() && bridge.GetError()[0] != '\0')
        std::abort();
    return 0;
}
