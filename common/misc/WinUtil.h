// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// The folder of the running program's file, ending with the path separator, into a buffer of
// 260 characters. `hModule` is accepted for the Windows shape and must be null (the executable).
// Returns 1, or 0 for a missing buffer or an unknown program file.
int GetModuleFolder(void* hModule, char* szBuf);

// Opens a file, folder or address with the desktop. Returns 1, or 0 for a missing or empty target.
int ShellOpen(const char* szTarget);
