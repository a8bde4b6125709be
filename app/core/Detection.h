// SPDX-License-Identifier: MIT
// Duplicate detection: which loaded records are redundant copies of another. A run marks each of
// them with REC_DUPLICATE, points its pKeeper at the keeper it was compared with and lists it in the
// kind's DuplicateList, keeping the most recently modified record of every set. The rules are read from AppSettings at
// each comparison.
#pragma once

#include "core/MatchText.h"
#include "records/SGRecords.h"

#include <cstdint>

// 0 when the two texts count as the same under CompareEmpty, CaseSensitive and NormaliseCompare, read
// as plain texts (core/MatchText.h); otherwise their order by the first unit that differs.
int CompareText(const char* szText1, const char* szText2);

// The match rule of each kind, as its table in core/DetectionRuleTable.h lays it down; false when
// either record is null.
bool IsSameAddr(const SGAddrRecord* pRecord1, const SGAddrRecord* pRecord2);
bool IsSameDate(const SGDateRecord* pRecord1, const SGDateRecord* pRecord2);
bool IsSameTask(const SGTaskRecord* pRecord1, const SGTaskRecord* pRecord2);
bool IsSameNote(const SGNoteRecord* pRecord1, const SGNoteRecord* pRecord2);

// True when the first record is to be kept rather than the second; false when either is null.
bool IsNewerAddr(const SGAddrRecord* pRecord1, const SGAddrRecord* pRecord2);
bool IsNewerDate(const SGDateRecord* pRecord1, const SGDateRecord* pRecord2);
bool IsNewerTask(const SGTaskRecord* pRecord1, const SGTaskRecord* pRecord2);
bool IsNewerNote(const SGNoteRecord* pRecord1, const SGNoteRecord* pRecord2);

// One scan from the start record over every record after it. False, with nothing done, for a null
// start record, one that already carries REC_DUPLICATE, or a kind without a DuplicateList.
bool ScanAddrDups(SGAddrRecord* pStart);
bool ScanDateDups(SGDateRecord* pStart);
bool ScanTaskDups(SGTaskRecord* pStart);
bool ScanNoteDups(SGNoteRecord* pStart);

// A whole run over the kind, replacing the previous result. False, with nothing done, when the
// WorkSet has no bridge or no DuplicateList of the kind. Contacts, calendar events and tasks go
// through the candidate index (core/DetectionIndex.h), which marks and lists exactly what the
// pairwise scan would; the pairwise scan remains for notes, for rules that require no field and
// when memory for the index runs out. Either way the kind's cursor ends on its last record.
bool FindAddrDups();
bool FindDateDups();
bool FindTaskDups();
bool FindNoteDups();

// The same runs by the pairwise scan alone, ScanDups from every record the walk finds unmarked.
bool FindAddrDupsStraight();
bool FindDateDupsStraight();
bool FindTaskDupsStraight();

// The record that a marked record is merged into: the keeper it was marked against, followed on
// while that keeper is itself marked. Null for a record that is not marked or whose chain ends in no
// unmarked record.
SGAddrRecord* GetKeptAddr(const SGAddrRecord* pRecord);
SGDateRecord* GetKeptDate(const SGDateRecord* pRecord);
SGTaskRecord* GetKeptTask(const SGTaskRecord* pRecord);
SGNoteRecord* GetKeptNote(const SGNoteRecord* pRecord);

// How many times the match rules have been called since the last reset: the measure of a run's
// work, independent of the machine it runs on.
uint64_t GetMatchRuleCalls();
void ResetMatchRuleCalls();
