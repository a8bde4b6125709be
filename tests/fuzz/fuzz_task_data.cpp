// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGTask.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return FuzzDataFile<CxSGTaskUtil>("SGTask.dat", data, size);
}
