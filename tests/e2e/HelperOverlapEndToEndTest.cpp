// SPDX-License-Identifier: MIT
// The helpers with several requests in flight against democrm, compared with the same helpers
// sending one request at a time: the same data files from a load, the same outcome of a deletion.
#include "DemocrmProcess.h"
#include "HelperRun.h"
#include "NoteIds.h"
#include "ServerTable.h"
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/SGParamTags.h"
#include "TempDir.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

struct Kind
{
    HelperKind kind;
    const char* szName;
};
const Kind kKinds[] = {
    {HelperKind::Addr, "Addr"}, {HelperKind::Date, "Date"}, {HelperKind::Task, "Task"}, {HelperKind::Note, "Note"}};

// One exchange folder and the helper runs in it against one democrm.
class HelperSide
{
public:
    HelperSide(const QStringList& arguments, int nInFlight)
    {
        QString error;
        m_bStarted = m_server.start(arguments, &error);
        EXPECT_TRUE(m_bStarted) << error.toStdString();
        m_options.nInFlight = nInFlight;
    }

    int Run(const Kind& kind, int nOperation, const char* szModules = "")
    {
        const std::string name = kind.szName;
        CxSGParamParser params;
        params.SetParam(SGParam::HostName, m_server.baseUrl().toUtf8().constData());
        params.SetParam(SGParam::UserName, "admin");
        params.SetParam(SGParam::Password, "admin");
        params.SetParam(SGParam::DataFile, ("SG" + name + ".dat").c_str());
        params.SetParam(SGParam::Folder, m_dir.path().c_str());
        params.SetParam(SGParam::Operation, std::to_string(nOperation).c_str());
        params.SetParam(SGParam::ErrorFile, ("SG" + name + "Err.dat").c_str());
        params.SetParam(SGParam::StatusFile, ("SG" + name + "Status.dat").c_str());
        params.SetParam(SGParam::LogLocation, m_dir.path().c_str());
        params.SetParam(SGParam::Modules, szModules);
        params.SetParam(SGParam::LogLevel, "0");
        params.SetParam(SGParam::LogEnabled, "0");
        const std::string paramPath = m_dir.file("SG" + name + "Param.dat");
        EXPECT_TRUE(params.SaveToFile(paramPath.c_str()));
        return RunHelper(kind.kind, paramPath.c_str(), m_options);
    }

    std::vector<unsigned char> Bytes(const std::string& name) const { return ReadBytes(m_dir.file(name)); }
    std::string Ini(const std::string& file, const char* szSection, const char* szKey) const
    {
        char szValue[1100] = {};
        plat::GetPrivateProfileString(szSection, szKey, "", szValue, sizeof szValue, m_dir.file(file).c_str());
        return szValue;
    }
    std::string Path(const std::string& name) const { return m_dir.file(name); }
    ServerTable Table()
    {
        ServerTable table;
        EXPECT_TRUE(ReadServerTable(m_server.baseUrl(), table));
        return table;
    }
    bool Started() const { return m_bStarted; }

private:
    TempDir m_dir;
    DemocrmProcess m_server;
    SugarClient::Options m_options;
    bool m_bStarted = false;
};

// Marks every third contact, account and lead of a contacts data file; their ids, in file order.
std::vector<std::string> MarkEveryThird(const std::string& path)
{
    std::vector<std::unique_ptr<SGAddrRecord>> records;
    {
        CxFile file;
        EXPECT_TRUE(file.Open(path.c_str(), "rb"));
        int32_t nCount = 0;
        file.ReadInt(&nCount);
        for (int32_t i = 0; i < nCount; ++i) {
            records.push_back(std::make_unique<SGAddrRecord>());
            SGAddrKind::ReadRecord(file, *records.back());
        }
    }
    std::vector<std::string> marked;
    DataFileWriter<SGAddrKind> writer(path);
    EXPECT_TRUE(writer.Open());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i % 3 == 0) {
            records[i]->nStatus = SGSTATUS_DELETE;
            marked.emplace_back(records[i]->szId);
        }
        writer.Add(*records[i]);
    }
    EXPECT_TRUE(writer.Commit());
    return marked;
}

std::set<std::string> Keys(const ServerTable& table)
{
    std::set<std::string> keys;
    for (const auto& entry : table)
        keys.insert(entry.first);
    return keys;
}

} // namespace

TEST(HelperOverlap, LoadsEveryKindAsOneRequestAtATimeDoes)
{
    // A little latency lets the pages overtake each other.
    for (const QStringList& seed : {QStringList{QStringLiteral("--seed"), QStringLiteral("demo")},
                                    QStringList{QStringLiteral("--seed"), QStringLiteral("2345")}}) {
        const QStringList arguments = seed + QStringList{QStringLiteral("--latency-ms"), QStringLiteral("3")};
        HelperSide together(arguments, 4);
        HelperSide inTurn(arguments, 1);
        ASSERT_TRUE(together.Started() && inTurn.Started());
        const bool bDemo = seed.last() == QLatin1String("demo");
        for (const Kind& kind : kKinds) {
            // A number seeds contacts alone.
            if (!bDemo && kind.kind != HelperKind::Addr)
                continue;
            SCOPED_TRACE(kind.szName);
            const std::string data = std::string("SG") + kind.szName + ".dat";
            ASSERT_EQ(together.Run(kind, 1), 0)
                << together.Ini(std::string("SG") + kind.szName + "Err.dat", "Error", "Error.1");
            ASSERT_EQ(inTurn.Run(kind, 1), 0);
            EXPECT_GT(together.Bytes(data).size(), 4u);
            EXPECT_EQ(together.Bytes(data), inTurn.Bytes(data));
        }
        if (bDemo) {
            EXPECT_EQ(together.Bytes(NoteIds::kFileName), inTurn.Bytes(NoteIds::kFileName));
        }
    }
}

TEST(HelperOverlap, DeletesInBatchesWhatOneAtATimeDeletes)
{
    // Some demo contacts are the parents of activities: the server dies after deleting them, in a
    // batch as alone.
    const QStringList arguments{QStringLiteral("--seed"), QStringLiteral("demo")};
    HelperSide together(arguments, 4);
    HelperSide inTurn(arguments, 1);
    ASSERT_TRUE(together.Started() && inTurn.Started());
    const Kind& contacts = kKinds[0];
    ASSERT_EQ(together.Run(contacts, 1), 0);
    ASSERT_EQ(inTurn.Run(contacts, 1), 0);
    const std::vector<std::string> marked = MarkEveryThird(together.Path("SGAddr.dat"));
    ASSERT_EQ(MarkEveryThird(inTurn.Path("SGAddr.dat")), marked);
    ASSERT_GT(marked.size(), 60u);

    EXPECT_EQ(together.Run(contacts, 2), 0) << together.Ini("SGAddrErr.dat", "Error", "Error.1");
    EXPECT_EQ(inTurn.Run(contacts, 2), 0);
    EXPECT_EQ(together.Bytes("SGAddrStatus.dat"), inTurn.Bytes("SGAddrStatus.dat"));
    EXPECT_EQ(together.Bytes("SGAddrErr.dat"), inTurn.Bytes("SGAddrErr.dat"));
    const ServerTable left = together.Table();
    EXPECT_EQ(Keys(left), Keys(inTurn.Table()));
    for (const auto& entry : left) {
        const std::string id = entry.first.substr(entry.first.find('/') + 1);
        EXPECT_EQ(std::find(marked.begin(), marked.end(), id), marked.end()) << entry.first;
    }
}

TEST(HelperOverlap, ARecordABatchLeavesIsDeletedAloneAndReportedAlone)
{
    // The first set_entry fails without being carried out. Of contacts alone, only a record that a
    // batch left is sent alone: one after a contact with activities, where the server died.
    HelperSide side({QStringLiteral("--seed"), QStringLiteral("demo"), QStringLiteral("--fault-method"),
                     QStringLiteral("set_entry"), QStringLiteral("--fail-request"), QStringLiteral("1")},
                    4);
    ASSERT_TRUE(side.Started());
    ASSERT_EQ(side.Run(kKinds[0], 1, "Contacts"), 0);
    const std::vector<std::string> marked = MarkEveryThird(side.Path("SGAddr.dat"));
    EXPECT_EQ(side.Run(kKinds[0], 2, "Contacts"), 1);

    const ServerTable left = side.Table();
    std::vector<std::size_t> stayed;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        for (const auto& entry : left) {
            if (entry.first.substr(entry.first.find('/') + 1) == marked[i])
                stayed.push_back(i);
        }
    }
    ASSERT_EQ(stayed.size(), 1u);
    EXPECT_EQ(side.Ini("SGAddrErr.dat", "Error", "Error.Count"), "1");
    const std::string error = side.Ini("SGAddrErr.dat", "Error", "Error.1");
    EXPECT_NE(error.find("the server failed (HTTP 500) and the record is still there."), std::string::npos) << error;
    EXPECT_EQ(side.Ini("SGAddrErr.dat", "Submit", "NotDeleted"), std::to_string(stayed[0] * 3));
    EXPECT_EQ(ReadText(side.Path("SGAddrStatus.dat")), "Deleted " + std::to_string(marked.size() - 1) + " of " +
                                                           std::to_string(marked.size()) + " Contacts\r\n");
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
