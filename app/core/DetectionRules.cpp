// SPDX-License-Identifier: MIT
// The comparison rules: texts, the match rule of each kind and the keeper rule.
#include "core/AppSettings.h"
#include "core/Detection.h"

namespace
{

// Plain counter: detection runs on the user-interface thread only.
uint64_t g_nMatchRuleCalls = 0;

bool SameText(const char* szText1, const char* szText2)
{
    return CompareText(szText1, szText2) == 0;
}

// Dates have no empty-value rule: a missing date (0) never equals a real one.
bool SameDate(double dDate1, double dDate2)
{
    return dDate1 == dDate2;
}

// On equal times the first record is kept; a NaN on either side keeps neither as the newer.
bool KeepFirst(double dModified1, double dModified2)
{
    return dModified1 >= dModified2;
}

} // namespace

int CompareText(const char* szText1, const char* szText2)
{
    const unsigned char* p1 = reinterpret_cast<const unsigned char*>(szText1 != nullptr ? szText1 : "");
    const unsigned char* p2 = reinterpret_cast<const unsigned char*>(szText2 != nullptr ? szText2 : "");
    if (!AppSettings.CompareEmpty && (*p1 == '\0' || *p2 == '\0'))
        return 0;
    const bool bCase = AppSettings.CaseSensitive;
    for (;; ++p1, ++p2) {
        const unsigned char c1 = bCase ? *p1 : FoldCase(*p1);
        const unsigned char c2 = bCase ? *p2 : FoldCase(*p2);
        if (c1 != c2 || c1 == '\0')
            return static_cast<int>(c1) - static_cast<int>(c2);
    }
}

bool IsSameAddr(const SGAddrRecord* a, const SGAddrRecord* b)
{
    ++g_nMatchRuleCalls;
    if (a == nullptr || b == nullptr)
        return false;
    if (a->nType != b->nType)
        return false;
    if (AppSettings.AddrDisplayName &&
        !(SameText(a->szFirstName, b->szFirstName) && SameText(a->szLastName, b->szLastName)))
        return false;
    if (AppSettings.AddrFirstName && !SameText(a->szFirstName, b->szFirstName))
        return false;
    if (AppSettings.AddrLastName && !SameText(a->szLastName, b->szLastName))
        return false;
    if (AppSettings.AddrDepartment && !SameText(a->szDepartment, b->szDepartment))
        return false;
    if (AppSettings.AddrTitle && !SameText(a->szJobTitle, b->szJobTitle))
        return false;
    // Each e-mail slot is compared only with the same slot of the other record.
    if (AppSettings.AddrEmail && !(SameText(a->szEmail1, b->szEmail1) || SameText(a->szEmail2, b->szEmail2) ||
                                   SameText(a->szEmail3, b->szEmail3)))
        return false;
    if (AppSettings.AddrPhone &&
        !(SameText(a->szWorkPhone, b->szWorkPhone) && SameText(a->szFax, b->szFax) &&
          (SameText(a->szHomePhone, b->szHomePhone) || SameText(a->szMobilePhone, b->szMobilePhone) ||
           SameText(a->szOtherPhone, b->szOtherPhone))))
        return false;
    if (AppSettings.AddrAddress &&
        !(SameText(a->szPrimaryStreet, b->szPrimaryStreet) && SameText(a->szPrimaryCity, b->szPrimaryCity) &&
          SameText(a->szPrimaryState, b->szPrimaryState) && SameText(a->szPrimaryPostalCode, b->szPrimaryPostalCode) &&
          SameText(a->szPrimaryCountry, b->szPrimaryCountry) && SameText(a->szAltStreet, b->szAltStreet) &&
          SameText(a->szAltCity, b->szAltCity) && SameText(a->szAltState, b->szAltState) &&
          SameText(a->szAltPostalCode, b->szAltPostalCode) && SameText(a->szAltCountry, b->szAltCountry)))
        return false;
    if (AppSettings.AddrBirthday && !SameDate(a->dtBirthDate, b->dtBirthDate))
        return false;
    if (AppSettings.AddrNote && !SameText(a->szDescription, b->szDescription))
        return false;
    return true;
}

bool IsSameDate(const SGDateRecord* a, const SGDateRecord* b)
{
    ++g_nMatchRuleCalls;
    if (a == nullptr || b == nullptr)
        return false;
    if (a->nType != b->nType)
        return false;
    if (AppSettings.DateSubject && !SameText(a->szSubject, b->szSubject))
        return false;
    if (AppSettings.DateStartTime && !SameDate(a->dtStart, b->dtStart))
        return false;
    if (AppSettings.DateEndTime && !SameDate(a->dtEnd, b->dtEnd))
        return false;
    if (AppSettings.DateLocation && !SameText(a->szLocation, b->szLocation))
        return false;
    if (AppSettings.DateContactID && !SameText(a->szContactId, b->szContactId))
        return false;
    if (AppSettings.DateAssignedID && !SameText(a->szAssignedId, b->szAssignedId))
        return false;
    if (AppSettings.DateNote && !SameText(a->szDescription, b->szDescription))
        return false;
    return true;
}

bool IsSameTask(const SGTaskRecord* a, const SGTaskRecord* b)
{
    ++g_nMatchRuleCalls;
    if (a == nullptr || b == nullptr)
        return false;
    if (AppSettings.TaskSubject && !SameText(a->szSubject, b->szSubject))
        return false;
    if (AppSettings.TaskImportance && !SameText(a->szPriority, b->szPriority))
        return false;
    if (AppSettings.TaskDueDate && !SameDate(a->dtDue, b->dtDue))
        return false;
    if (AppSettings.TaskStatus && !SameText(a->szStatus, b->szStatus))
        return false;
    if (AppSettings.TaskContactID && !SameText(a->szContactId, b->szContactId))
        return false;
    if (AppSettings.TaskAssignedID && !SameText(a->szAssignedId, b->szAssignedId))
        return false;
    if (AppSettings.TaskNote && !SameText(a->szDescription, b->szDescription))
        return false;
    return true;
}

// Notes carry no content to compare: any two match.
bool IsSameNote(const SGNoteRecord* a, const SGNoteRecord* b)
{
    ++g_nMatchRuleCalls;
    return a != nullptr && b != nullptr;
}

bool IsNewerAddr(const SGAddrRecord* a, const SGAddrRecord* b)
{
    return a != nullptr && b != nullptr && KeepFirst(a->dtModified, b->dtModified);
}

bool IsNewerDate(const SGDateRecord* a, const SGDateRecord* b)
{
    return a != nullptr && b != nullptr && KeepFirst(a->dtModified, b->dtModified);
}

bool IsNewerTask(const SGTaskRecord* a, const SGTaskRecord* b)
{
    return a != nullptr && b != nullptr && KeepFirst(a->dtModified, b->dtModified);
}

// Notes have no modification time: the earlier note always stays.
bool IsNewerNote(const SGNoteRecord* a, const SGNoteRecord* b)
{
    return a != nullptr && b != nullptr;
}

uint64_t GetMatchRuleCalls()
{
    return g_nMatchRuleCalls;
}

void ResetMatchRuleCalls()
{
    g_nMatchRuleCalls = 0;
}
