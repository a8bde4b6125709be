// SPDX-License-Identifier: MIT
// The in-memory record of each kind of SugarCRM data. The fields from nStatus to dtModified travel
// through the helper's data file; the rest live in memory only. Every member starts at zero, so a
// record made with new or on the stack is already cleared.
#pragma once

#include <cstdint>
#include <type_traits>

struct CommAddrEntry;
struct CommDateEntry;
struct CommTaskEntry;
struct CommNoteEntry;

// Bits of a record's dwFlags.
constexpr uint32_t REC_DUPLICATE = 1;
constexpr uint32_t REC_SELECTED = 2;
// Marked for deletion, but the last submission did not confirm that the server deleted it.
constexpr uint32_t REC_NOT_DELETED = 4;

// Source code of every store entry this system makes.
constexpr int32_t SOURCE_SUGARCRM = 21;

// nStatus value that asks the helper to delete the record at the next submit.
constexpr int32_t SGSTATUS_DELETE = 3;

struct SGAddrRecord
{
    int32_t nStatus = 0;
    int32_t nAux = 0;
    int32_t nType = 0;
    char szId[40] = {};
    char szSalutation[32] = {};
    char szFirstName[32] = {};
    char szLastName[32] = {};
    char szJobTitle[32] = {};
    char szDepartment[32] = {};
    uint8_t bDoNotCall = 0;
    char szWorkPhone[32] = {};
    char szHomePhone[32] = {};
    char szMobilePhone[32] = {};
    char szOtherPhone[32] = {};
    char szFax[32] = {};
    char szEmail1[64] = {};
    char szEmail2[64] = {};
    char szEmail3[64] = {};
    char szPrimaryStreet[256] = {};
    char szPrimaryCity[32] = {};
    char szPrimaryState[32] = {};
    char szPrimaryPostalCode[32] = {};
    char szPrimaryCountry[32] = {};
    char szAltStreet[256] = {};
    char szAltCity[32] = {};
    char szAltState[32] = {};
    char szAltPostalCode[32] = {};
    char szAltCountry[32] = {};
    char szAssistantName[32] = {};
    char szAssistantPhone[32] = {};
    char szLeadSource[256] = {};
    char szWebsite[256] = {};
    double dtBirthDate = 0;
    char szDescription[8192] = {};
    double dtCreated = 0;
    double dtModified = 0;
    CommAddrEntry* pCommEntry = nullptr;
    uint32_t dwFlags = 0;
    CommAddrEntry* pStoreEntry = nullptr;
    // Set by duplicate detection on a marked record: the keeper it was marked against.
    SGAddrRecord* pKeeper = nullptr;
};

struct SGDateRecord
{
    int32_t nStatus = 0;
    int32_t nAux = 0;
    int32_t nType = 0;
    char szId[40] = {};
    char szSubject[64] = {};
    double dtStart = 0;
    double dtEnd = 0;
    int32_t nAux1 = 0;
    int32_t nAux2 = 0;
    char szStatus[32] = {};
    char szAux1[32] = {};
    double dtAux = 0;
    char szContactId[64] = {};
    char szAssignedId[64] = {};
    char szLocation[256] = {};
    char szAux2[256] = {};
    char szAux3[256] = {};
    char szAux4[256] = {};
    char szDescription[8192] = {};
    double dtCreated = 0;
    double dtModified = 0;
    CommDateEntry* pCommEntry = nullptr;
    uint32_t dwFlags = 0;
    CommDateEntry* pStoreEntry = nullptr;
    // Set by duplicate detection on a marked record: the keeper it was marked against.
    SGDateRecord* pKeeper = nullptr;
};

struct SGTaskRecord
{
    int32_t nStatus = 0;
    int32_t nAux = 0;
    char szId[40] = {};
    char szSubject[64] = {};
    char szDescription[8192] = {};
    double dtAux = 0;
    double dtDue = 0;
    uint8_t byAux1 = 0;
    uint8_t byAux2 = 0;
    char szStatus[32] = {};
    char szPriority[32] = {};
    char szContactId[40] = {};
    char szAssignedId[40] = {};
    double dtCreated = 0;
    double dtModified = 0;
    CommTaskEntry* pCommEntry = nullptr;
    uint32_t dwFlags = 0;
    CommTaskEntry* pStoreEntry = nullptr;
    // Set by duplicate detection on a marked record: the keeper it was marked against.
    SGTaskRecord* pKeeper = nullptr;
};

struct SGNoteRecord
{
    int32_t nStatus = 0;
    int32_t nAux = 0;
    CommNoteEntry* pCommEntry = nullptr;
    uint32_t dwFlags = 0;
    CommNoteEntry* pStoreEntry = nullptr;
    // Set by duplicate detection on a marked record: the keeper it was marked against.
    SGNoteRecord* pKeeper = nullptr;
};

// Stores copy records byte for byte.
static_assert(std::is_trivially_copyable_v<SGAddrRecord> && std::is_trivially_copyable_v<SGDateRecord> &&
              std::is_trivially_copyable_v<SGTaskRecord> && std::is_trivially_copyable_v<SGNoteRecord>);
