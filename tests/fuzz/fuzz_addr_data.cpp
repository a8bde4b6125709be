// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGAddr.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return FuzzDataFile<CxSGAddrUtil>("SGAddr.dat", data, size);
}
