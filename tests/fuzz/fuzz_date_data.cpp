// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGDate.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return FuzzDataFile<CxSGDateUtil>("SGDate.dat", data, size);
}
