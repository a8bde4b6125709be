// SPDX-License-Identifier: MIT
// <windows.h> for the Windows sources of the platform layer. Windows maps several of its names to
// their ANSI or wide variants by macros (DeleteFile to DeleteFileA...); the layer's own functions
// of the same names would be renamed with them, so those macros are removed here.
#pragma once

#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef GetModuleFileName
#undef GetPrivateProfileString
#undef ReplaceFile
#undef WritePrivateProfileString
