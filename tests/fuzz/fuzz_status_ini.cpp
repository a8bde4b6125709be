// SPDX-License-Identifier: MIT
#include "FuzzBridge.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    WriteInput("SGFuzz.ini", data, size);
    FuzzBridge bridge;
    bridge.SetWorkFolder(FuzzFolder().c_str());
    bridge.RequestStop("%sSGFuzz.ini");
    return 0;
}
