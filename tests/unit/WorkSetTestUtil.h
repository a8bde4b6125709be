// SPDX-License-Identifier: MIT
// Puts records into a WorkSet the way a load does: through each bridge's own data file.
#pragma once

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "TempDir.h"
#include "core/AppSettings.h"
#include "core/WorkSet.h"
#include "misc/CxFile.h"
#include "misc/CxIniUtil.h"
#include "misc/CxList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Writes the records in the kind's data file layout.
template <class Kind> bool WriteRecords(const std::string& path, const std::vector<typename Kind::Record>& records)
{
    CxFile file;
    if (!file.Open(path.c_str(), "wb"))
        return false;
    file.WriteInt(static_cast<int32_t>(records.size()));
    for (const auto& record : records)
        Kind::WriteRecord(file, record);
    return file.Close();
}

// Reads the records into the bridge through its data file in the folder, replacing what it held.
template <class Kind>
bool FillBridge(CxSGRecordBridge<Kind>& bridge, const std::string& folder,
                const std::vector<typename Kind::Record>& records)
{
    if (!WriteRecords<Kind>(folder + Kind::kInfo.szDataFile, records))
        return false;
    bridge.SetWorkFolder(folder.c_str());
    bridge.Clear();
    return bridge.ReadDataFile();
}

// The settings as a first start without a settings file gives them.
inline void LoadDefaultSettings(const std::string& folder)
{
    CxIniUtil ini(folder.c_str(), "quorvel.ini");
    SettingsFile = &ini;
    LoadSettings();
    SettingsFile = nullptr;
}

template <class Record> std::vector<Record*> ListRecords(CxList* pList)
{
    std::vector<Record*> records;
    for (void* p = pList->GetFirst(); p != nullptr; p = pList->GetNext())
        records.push_back(static_cast<Record*>(p));
    return records;
}

// Four empty bridges working in the folder and four empty lists, as a load with nothing chosen
// leaves them; the caller frees the old set first.
inline void MakeEmptyWorkSet(const char* szFolder)
{
    WorkSet.pAddrUtil = new CxSGAddrUtil();
    WorkSet.pDateUtil = new CxSGDateUtil();
    WorkSet.pTaskUtil = new CxSGTaskUtil();
    WorkSet.pNoteUtil = new CxSGNoteUtil();
    for (CxSGBaseUtil* pBridge :
         {static_cast<CxSGBaseUtil*>(WorkSet.pAddrUtil), static_cast<CxSGBaseUtil*>(WorkSet.pDateUtil),
          static_cast<CxSGBaseUtil*>(WorkSet.pTaskUtil), static_cast<CxSGBaseUtil*>(WorkSet.pNoteUtil)})
        pBridge->SetWorkFolder(szFolder);
    WorkSet.pAddrDups = new CxList();
    WorkSet.pDateDups = new CxList();
    WorkSet.pTaskDups = new CxList();
    WorkSet.pNoteDups = new CxList();
}

// A WorkSet with four empty bridges working in a temporary folder and four empty lists, under the
// default rules; settings and WorkSet are put back afterwards.
class WorkSetFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedSettings = AppSettings;
        FreeWorkSet();
        LoadDefaultSettings(m_dir.path());
        MakeEmptyWorkSet(m_dir.path().c_str());
    }

    void TearDown() override
    {
        FreeWorkSet();
        AppSettings = m_savedSettings;
    }

    template <class Kind> void Fill(CxSGRecordBridge<Kind>* pBridge, const std::vector<typename Kind::Record>& records)
    {
        ASSERT_TRUE(FillBridge(*pBridge, m_dir.path(), records));
        ASSERT_EQ(pBridge->GetRecordCount(), records.size());
    }

    TempDir m_dir;
    AppSettingsData m_savedSettings = {};
};
