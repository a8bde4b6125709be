// SPDX-License-Identifier: MIT
// The bridges and duplicate lists of the current load. A load builds them, the review and deletion
// pages work on them, and the next load or shutdown frees them.
#pragma once

#include <string>

class CxList;
class CxSGAddrUtil;
class CxSGDateUtil;
class CxSGTaskUtil;
class CxSGNoteUtil;

// Slots in the order Contacts, Calendar, Tasks, Notes. The bridges own their records; the lists
// only borrow records of the bridge of the same kind and never free them.
struct WorkSetData
{
    CxSGAddrUtil* pAddrUtil = nullptr;
    CxSGDateUtil* pDateUtil = nullptr;
    CxSGTaskUtil* pTaskUtil = nullptr;
    CxSGNoteUtil* pNoteUtil = nullptr;
    CxList* pAddrDups = nullptr;
    CxList* pDateDups = nullptr;
    CxList* pTaskDups = nullptr;
    CxList* pNoteDups = nullptr;
};

extern WorkSetData WorkSet;

// Destroys every bridge (records and store with it), then empties and destroys every list.
void FreeWorkSet();

// Frees the old set, creates the four bridges, loads each kind chosen in AppSettings.AppFlag
// through its helper and creates the four empty lists. True only when every chosen kind loaded.
// Without an application data folder nothing is loaded and the result is false.
bool LoadSelectedData();

// Why the last LoadSelectedData failed, as far as the helpers or their runner said: one line per
// kind that failed with a reason, empty when none was given.
const std::string& LoadFailureReason();

// Deletes the parameter files that a run which did not end cleanly left in the folder: they hold
// the password in clear text.
void DeleteLeftoverParamFiles(const char* szFolder);

// The pause after each wait message, so the wait window can show it before the helper starts.
using LoadPauseFunc = void (*)(int nMilliseconds);
// The real pause behind that seam and the deletion page's: a plain sleep.
void SleepPause(int nMilliseconds);
// Tests replace the pause; null restores the real one.
void SetLoadPauseForTesting(LoadPauseFunc pfnPause);
