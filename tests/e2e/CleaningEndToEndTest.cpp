// SPDX-License-Identifier: MIT
// A whole cleaning against a live democrm with the real helper programs: the load fetches every
// record of a kind, detection lists the copies, the ticked ones are marked and submitted the way
// the deletion page does it, and the server is then read back through its own API. Also the ways
// a load must fail: a refused login, a server that is gone, and a stop request.
#include "DemocrmProcess.h"
#include "NoteIds.h"
#include "RestClient.h"
#include "ServerTable.h"
#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "TempDir.h"
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/WorkSet.h"
#include "misc/CxIniUtil.h"
#include "misc/CxList.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace
{

// Every module the helpers read, so that cleaning one kind is also seen to leave the others alone.
using Snapshot = ServerTable;

std::string ModuleOf(const std::string& key)
{
    return key.substr(0, key.find('/'));
}

std::set<std::string> KeysIn(const Snapshot& snapshot, const std::set<std::string>& modules)
{
    std::set<std::string> keys;
    for (const auto& record : snapshot) {
        if (modules.count(ModuleOf(record.first)) != 0)
            keys.insert(record.first);
    }
    return keys;
}

std::set<std::string> Gone(const Snapshot& before, const Snapshot& after)
{
    std::set<std::string> gone;
    for (const auto& record : before) {
        if (after.count(record.first) == 0)
            gone.insert(record.first);
    }
    return gone;
}

// Records that appeared or whose fields changed.
std::set<std::string> Altered(const Snapshot& before, const Snapshot& after)
{
    std::set<std::string> altered;
    for (const auto& record : after) {
        const auto it = before.find(record.first);
        if (it == before.end() || it->second != record.second)
            altered.insert(record.first);
    }
    return altered;
}

// The modules of each kind, with the sub-type that the contacts and calendar records carry.
struct AddrCase
{
    using Record = SGAddrRecord;
    static constexpr int32_t kFlag = DataKind::Contacts;
    static CxSGAddrUtil* Bridge() { return WorkSet.pAddrUtil; }
    static CxList* Dups() { return WorkSet.pAddrDups; }
    static bool Find() { return FindAddrDups(); }
    static std::set<std::string> Modules() { return {"Contacts", "Accounts", "Leads"}; }
    static std::string Module(const Record& record)
    {
        return record.nType == 1 ? "Contacts" : record.nType == 2 ? "Accounts" : record.nType == 3 ? "Leads" : "?";
    }
};

struct DateCase
{
    using Record = SGDateRecord;
    static constexpr int32_t kFlag = DataKind::Calendar;
    static CxSGDateUtil* Bridge() { return WorkSet.pDateUtil; }
    static CxList* Dups() { return WorkSet.pDateDups; }
    static bool Find() { return FindDateDups(); }
    static std::set<std::string> Modules() { return {"Calls", "Meetings"}; }
    static std::string Module(const Record& record)
    {
        return record.nType == 1 ? "Calls" : record.nType == 2 ? "Meetings" : "?";
    }
};

struct TaskCase
{
    using Record = SGTaskRecord;
    static constexpr int32_t kFlag = DataKind::Tasks;
    static CxSGTaskUtil* Bridge() { return WorkSet.pTaskUtil; }
    static CxList* Dups() { return WorkSet.pTaskDups; }
    static bool Find() { return FindTaskDups(); }
    static std::set<std::string> Modules() { return {"Tasks"}; }
    static std::string Module(const Record&) { return "Tasks"; }
};

struct NoteCase
{
    using Record = SGNoteRecord;
    static constexpr int32_t kFlag = DataKind::Notes;
    static CxSGNoteUtil* Bridge() { return WorkSet.pNoteUtil; }
    static CxList* Dups() { return WorkSet.pNoteDups; }
    static bool Find() { return FindNoteDups(); }
    static std::set<std::string> Modules() { return {"Notes"}; }
    static std::string Module(const Record&) { return "Notes"; }
};

class EndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedSettings = AppSettings;
        std::string root = m_dir.path();
        root.pop_back();
        plat::SetAppDataRootForTesting(root);
        SetLoadPauseForTesting([](int) {});
        char szFolder[260];
        ASSERT_TRUE(GetAppDataFolder(szFolder));
        m_folder = szFolder;
        // The settings of a first start, without a settings file.
        CxIniUtil ini(m_folder.c_str(), "quorvel.ini");
        SettingsFile = &ini;
        LoadSettings();
        SettingsFile = nullptr;
    }

    void TearDown() override
    {
        FreeWorkSet();
        SetLoadPauseForTesting(nullptr);
        plat::SetAppDataRootForTesting("");
        AppSettings = m_savedSettings;
    }

    void StartServer(const QStringList& arguments)
    {
        QString error;
        ASSERT_TRUE(m_server.start(arguments, &error)) << error.toStdString();
    }

    // The login page's fields, for the kinds in nKinds, with every contact source ticked.
    void UseServer(const char* szPassword, int32_t nKinds)
    {
        CopyText(AppSettings.HostName, m_server.baseUrl().toUtf8().constData());
        CopyText(AppSettings.UserName, "admin");
        CopyText(AppSettings.Password, szPassword);
        AppSettings.AppFlag = nKinds;
        AppSettings.AddrContact = true;
        AppSettings.AddrAccount = true;
        AppSettings.AddrLead = true;
    }

    Snapshot ReadServer()
    {
        Snapshot snapshot;
        EXPECT_TRUE(ReadServerTable(m_server.baseUrl(), snapshot));
        return snapshot;
    }

    bool InFolder(const char* szName) const { return plat::PathExists((m_folder + szName).c_str()); }

    std::string Key(const SGAddrRecord& record) const { return AddrCase::Module(record) + '/' + record.szId; }
    std::string Key(const SGDateRecord& record) const { return DateCase::Module(record) + '/' + record.szId; }
    std::string Key(const SGTaskRecord& record) const { return "Tasks/" + std::string(record.szId); }
    // A note carries no id of its own; nAux is its place in the notes helper's list of the last fetch.
    std::string Key(const SGNoteRecord& record) const
    {
        const bool bKnown = record.nAux >= 0 && static_cast<std::size_t>(record.nAux) < m_noteIds.size();
        return "Notes/" + (bKnown ? m_noteIds[static_cast<std::size_t>(record.nAux)] : std::string("?"));
    }

    // Loads the kind, finds its copies and, within each module, ticks every other listed record
    // (the first of each module included), then marks and submits the ticked ones. Checks that the
    // server lost exactly those and nothing else changed; returns the listed count per module.
    template <class Case> std::map<std::string, int> Clean()
    {
        std::map<std::string, int> listed;
        StartServer({QStringLiteral("--seed"), QStringLiteral("demo")});
        if (HasFatalFailure())
            return listed;
        const Snapshot before = ReadServer();
        UseServer("admin", Case::kFlag);
        EXPECT_TRUE(LoadSelectedData());
        auto* pBridge = Case::Bridge();
        if (pBridge == nullptr || Case::Dups() == nullptr) {
            ADD_FAILURE() << "no work set after the load";
            return listed;
        }
        EXPECT_FALSE(pBridge->HasError()) << pBridge->GetError();
        EXPECT_EQ(pBridge->GetRecordCount(), KeysIn(before, Case::Modules()).size());
        if constexpr (std::is_same_v<typename Case::Record, SGNoteRecord>) {
            // The notes helper's list of ids must name exactly the server's notes, or a tick
            // would delete a note the user never saw.
            EXPECT_TRUE(NoteIds::Load(m_folder + NoteIds::kFileName, m_noteIds));
            std::set<std::string> keys;
            for (const std::string& id : m_noteIds)
                keys.insert("Notes/" + id);
            EXPECT_EQ(keys.size(), m_noteIds.size());
            EXPECT_EQ(keys, KeysIn(before, Case::Modules()));
        }
        EXPECT_TRUE(Case::Find());

        std::set<std::string> ticked;
        CxList& dups = *Case::Dups();
        for (void* p = dups.GetFirst(); p != nullptr; p = dups.GetNext()) {
            auto* pRecord = static_cast<typename Case::Record*>(p);
            const std::string key = Key(*pRecord);
            if (listed[ModuleOf(key)]++ % 2 == 0) {
                pRecord->dwFlags |= REC_SELECTED;
                ticked.insert(key);
            }
        }
        std::size_t nMarked = 0;
        for (void* p = dups.GetFirst(); p != nullptr; p = dups.GetNext()) {
            auto* pRecord = static_cast<typename Case::Record*>(p);
            if ((pRecord->dwFlags & REC_SELECTED) == 0)
                continue;
            EXPECT_TRUE(pBridge->MarkDeleted(pRecord->pCommEntry, false));
            ++nMarked;
        }
        EXPECT_EQ(nMarked, ticked.size()) << "two listed records name the same server record";
        EXPECT_TRUE(pBridge->Submit());
        EXPECT_FALSE(pBridge->HasError()) << pBridge->GetError();

        const Snapshot after = ReadServer();
        EXPECT_EQ(Gone(before, after), ticked);
        EXPECT_EQ(Altered(before, after), std::set<std::string>());
        return listed;
    }

    TempDir m_dir;
    std::string m_folder;
    DemocrmProcess m_server;
    std::vector<std::string> m_noteIds;
    AppSettingsData m_savedSettings = {};
};

using CleaningEndToEndTest = EndToEndTest;

// Each module must list at least two copies, so that some are deleted and some are left listed.
void ExpectListedIn(const std::map<std::string, int>& listed, const std::set<std::string>& modules)
{
    for (const std::string& module : modules) {
        const auto it = listed.find(module);
        EXPECT_GE(it == listed.end() ? 0 : it->second, 2) << module;
    }
    EXPECT_EQ(listed.size(), modules.size());
}

TEST_F(CleaningEndToEndTest, ContactsAccountsAndLeads)
{
    ExpectListedIn(Clean<AddrCase>(), AddrCase::Modules());
}

TEST_F(CleaningEndToEndTest, CalendarCallsAndMeetings)
{
    ExpectListedIn(Clean<DateCase>(), DateCase::Modules());
}

TEST_F(CleaningEndToEndTest, Tasks)
{
    ExpectListedIn(Clean<TaskCase>(), TaskCase::Modules());
}

TEST_F(CleaningEndToEndTest, Notes)
{
    ExpectListedIn(Clean<NoteCase>(), NoteCase::Modules());
}

using LoadFailureEndToEndTest = EndToEndTest;

TEST_F(LoadFailureEndToEndTest, WrongPasswordReportsTheRefusedLogin)
{
    StartServer({QStringLiteral("--seed"), QStringLiteral("demo")});
    UseServer("not-the-password", DataKind::Tasks);
    EXPECT_FALSE(LoadSelectedData());
    ASSERT_NE(WorkSet.pTaskUtil, nullptr);
    EXPECT_TRUE(WorkSet.pTaskUtil->HasError());
    const std::string error = WorkSet.pTaskUtil->GetError();
    EXPECT_NE(error.find("refused the login"), std::string::npos) << error;
    EXPECT_NE(error.find("Login attempt failed"), std::string::npos) << error;
    EXPECT_EQ(WorkSet.pTaskUtil->GetRecordCount(), 0u);
    EXPECT_FALSE(InFolder("SGTask.dat"));
}

TEST_F(LoadFailureEndToEndTest, StoppedServerLeavesNoStaleData)
{
    StartServer({QStringLiteral("--seed"), QStringLiteral("demo")});
    UseServer("admin", DataKind::Tasks);
    ASSERT_TRUE(LoadSelectedData());
    ASSERT_GT(WorkSet.pTaskUtil->GetRecordCount(), 0u);
    ASSERT_TRUE(InFolder("SGTask.dat"));

    ASSERT_EQ(m_server.stop(), 0);
    EXPECT_FALSE(LoadSelectedData());
    ASSERT_NE(WorkSet.pTaskUtil, nullptr);
    EXPECT_EQ(WorkSet.pTaskUtil->GetRecordCount(), 0u);
    EXPECT_FALSE(InFolder("SGTask.dat"));
    const std::string error = WorkSet.pTaskUtil->GetError();
    EXPECT_NE(error.find("refused the connection"), std::string::npos) << error;
}

TEST_F(LoadFailureEndToEndTest, StopRequestEndsTheHelperEarly)
{
    StartServer({QStringLiteral("--seed"), QStringLiteral("10000")});
    UseServer("admin", DataKind::Contacts);

    // The load blocks this thread, as it blocks the program's; the request comes from another one
    // as soon as the helper says it is running.
    const std::string statusIni = m_folder + "SGAddr.ini";
    std::atomic<bool> bLoadEnded{false};
    std::atomic<bool> bStopWritten{false};
    std::thread stopper([&] {
        CxIniUtil ini(nullptr, nullptr);
        ini.SetIniPath(statusIni.c_str());
        while (!bLoadEnded) {
            if (ini.ReadIniInt("Status", "Running", 0) == 1) {
                bStopWritten = ini.WriteIniString("Status", "Stop", "1") != 0;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const bool bLoaded = LoadSelectedData();
    bLoadEnded = true;
    stopper.join();

    ASSERT_TRUE(bStopWritten);
    EXPECT_FALSE(bLoaded);
    ASSERT_NE(WorkSet.pAddrUtil, nullptr);
    EXPECT_EQ(WorkSet.pAddrUtil->GetRecordCount(), 0u);
    const std::string error = WorkSet.pAddrUtil->GetError();
    EXPECT_NE(error.find("stopped"), std::string::npos) << error;
    EXPECT_FALSE(InFolder("SGAddr.dat"));
    EXPECT_FALSE(InFolder("SGAddr.dat.tmp"));
}

} // namespace
