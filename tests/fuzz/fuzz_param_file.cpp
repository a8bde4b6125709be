// SPDX-License-Identifier: MIT
#include "SugarCRM/ParamFileReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    ParamFileReader reader;
    if (!reader.Parse(data, size)) {
        if (!reader.GetEntries().empty())
            std::abort();
        return 0;
    }
    std::string text;
    for (const ParamFileEntry& entry : reader.GetEntries())
        reader.GetText(entry.nTag, text);
    return 0;
}
