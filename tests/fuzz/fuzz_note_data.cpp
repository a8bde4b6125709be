// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGNote.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return FuzzDataFile<CxSGNoteUtil>("SGNote.dat", data, size);
}
