// SPDX-License-Identifier: MIT
// The numbers of the parameters in a helper's parameter file: the program writes them, the helpers
// (and the tests' stand-in) read them.
#pragma once

#include <cstdint>

namespace SGParam
{

enum Tag : int32_t
{
    HostName = 1000,
    UserName = 1001,
    Password = 1002,
    DataFile = 1003,
    Folder = 1004,
    Operation = 1005, // 1 fetch, 2 apply the marks
    ErrorFile = 1006,
    StatusFile = 1007, // the progress file
    LogLocation = 1008,
    Modules = 1009, // the contact modules to fetch, empty for all
    LogLevel = 1010,
    LogEnabled = 1011,
    // Written only when the program asks for a merge of the duplicates it deletes.
    KeepFile = 1012,    // the keep file's name, without folder
    MergeReport = 1013, // the merge report's name, without folder
    // Calendar events only.
    CalendarAux1 = 1201,
    CalendarAux2 = 1202,
    CalendarFlag1 = 1203,
    CalendarFlag2 = 1204,
};

} // namespace SGParam
