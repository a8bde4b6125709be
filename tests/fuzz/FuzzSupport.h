// SPDX-License-Identifier: MIT
// Shared by the fuzz targets: a private exchange folder and an input written into it.
#pragma once

#include "misc/CxDebugUtil.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A folder of this process's own, created once. Log lines go nowhere: the folder for the log does
// not exist, so every line is dropped instead of growing a file across millions of runs.
inline const std::string& FuzzFolder()
{
    static const std::string folder = [] {
        char templ[] = "/tmp/veltrane-fuzz-XXXXXX";
        const char* made = mkdtemp(templ);
        if (made == nullptr)
            std::abort();
        DebugLog.SetLogFolder("/nonexistent-veltrane-fuzz-log/");
        return std::string(made) + "/";
    }();
    return folder;
}

inline void WriteInput(const std::string& name, const uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen((FuzzFolder() + name).c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}

// Reads the input as a kind's data file, then writes the records back out.
template <class Bridge> int FuzzDataFile(const char* szDataFile, const uint8_t* data, std::size_t size)
{
    WriteInput(szDataFile, data, size);
    Bridge bridge;
    bridge.SetWorkFolder(FuzzFolder().c_str());
    if (bridge.ReadDataFile())
        bridge.WriteDataFile();
    return 0;
}
