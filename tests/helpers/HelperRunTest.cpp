// SPDX-License-Identifier: MIT
#include "HelperRun.h"
#include "FakeSugarServer.h"
#include "HelpersTestSupport.h"
#include "NoteIds.h"
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/MergeFiles.h"
#include "TempDir.h"
#include "misc/TextUtil.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTcpServer>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace
{

const QByteArray kLoginOk = R"({"id":"sess1","module_name":"Users","name_value_list":{}})";
const QByteArray kLoginRefused =
    R"({"name":"Invalid Login","number":10,"description":"Login attempt failed please check the username and password"})";

// Short pauses: the retry logic is the same, the test does not wait for it.
SugarClient::Options QuickOptions()
{
    SugarClient::Options options;
    options.nTimeoutMs = 5000;
    options.nRetries = 2;
    options.nFirstPauseMs = 10;
    return options;
}

struct Exchange
{
    TempDir dir;
    std::string kind; // "Addr", "Note"...
    SugarClient::Options options = QuickOptions();

    std::string Path(const std::string& name) const { return dir.file(name); }
    std::string DataPath() const { return Path("SG" + kind + ".dat"); }
    std::string ErrorPath() const { return Path("SG" + kind + "Err.dat"); }

    std::string Ini(const std::string& file, const char* szSection, const char* szKey) const
    {
        char szValue[1100] = {};
        plat::GetPrivateProfileString(szSection, szKey, "", szValue, sizeof szValue, Path(file).c_str());
        return szValue;
    }
    std::string Error(int n) const
    {
        return Ini("SG" + kind + "Err.dat", "Error", ("Error." + std::to_string(n)).c_str());
    }
    std::string ErrorCount() const { return Ini("SG" + kind + "Err.dat", "Error", "Error.Count"); }
    std::string NotDeleted() const { return Ini("SG" + kind + "Err.dat", "Submit", "NotDeleted"); }

    int Run(HelperKind helperKind, const QString& address, int nOperation, const char* szModules = "",
            bool bKeep = false)
    {
        CxSGParamParser params;
        const std::string operation = std::to_string(nOperation);
        params.SetParam(1000, address.toUtf8().constData());
        params.SetParam(1001, "admin");
        params.SetParam(1002, "secret");
        params.SetParam(1003, ("SG" + kind + ".dat").c_str());
        params.SetParam(1004, dir.path().c_str());
        params.SetParam(1005, operation.c_str());
        params.SetParam(1006, ("SG" + kind + "Err.dat").c_str());
        params.SetParam(1007, ("SG" + kind + "Status.dat").c_str());
        params.SetParam(1008, dir.path().c_str());
        params.SetParam(1009, szModules);
        params.SetParam(1010, "3");
        params.SetParam(1011, "1");
        if (bKeep) {
            params.SetParam(1012, ("SG" + kind + "Keep.dat").c_str());
            params.SetParam(1013, ("SG" + kind + "Merged.dat").c_str());
        }
        const std::string paramPath = Path("SG" + kind + "Param.dat");
        EXPECT_TRUE(params.SaveToFile(paramPath.c_str()));
        return RunHelper(helperKind, paramPath.c_str(), options);
    }
};

FakeSugarServer::Reply Body(const QByteArray& body, int nStatus = 200)
{
    return FakeSugarServer::Reply{nStatus, body};
}

FakeSugarServer::Reply Captured(const char* szFixture)
{
    const Capture capture = LoadCapture(szFixture);
    return FakeSugarServer::Reply{capture.nStatus, capture.body};
}

// A get_entry_list page of the records, as a server that hands out at most nCap per page does.
// Without bCounted the total is -1, as with the server's count query switched off.
FakeSugarServer::Reply ListPage(const QJsonArray& records, const FakeSugarServer::Request& request, int nCap,
                                bool bCounted = true)
{
    const int nOffset = request.args.at(4).toInt();
    const int nMax = std::min(request.args.at(7).toInt(), nCap);
    QJsonArray page;
    for (int i = nOffset; i < records.size() && page.size() < nMax; ++i)
        page.append(records.at(i));
    const QJsonObject answer{
        {QStringLiteral("result_count"), page.size()},
        {QStringLiteral("total_count"), bCounted ? QJsonValue(QString::number(records.size())) : QJsonValue(-1)},
        {QStringLiteral("next_offset"), nOffset + page.size()},
        {QStringLiteral("entry_list"), page},
        {QStringLiteral("relationship_list"), QJsonArray()}};
    return Body(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

QJsonArray Joined(std::initializer_list<const char*> fixtures)
{
    QJsonArray all;
    for (const char* szFixture : fixtures) {
        for (const QJsonValue entry : CapturedEntries(szFixture))
            all.append(entry);
    }
    return all;
}

// Contacts in three pages, accounts in two, leads in one: the captured records of a real server,
// in pages of two as it gave them.
FakeSugarServer::Reply ContactsServer(const FakeSugarServer::Request& request)
{
    static const QJsonArray contacts =
        Joined({"get_entry_list-contacts-page1.json", "get_entry_list-contacts-page2.json",
                "get_entry_list-contacts-page3.json"});
    static const QJsonArray accounts =
        Joined({"get_entry_list-accounts-page1.json", "get_entry_list-accounts-page2.json"});
    static const QJsonArray leads = Joined({"get_entry_list-leads-page1.json"});
    if (request.method == QLatin1String("login"))
        return Body(kLoginOk);
    if (request.method == QLatin1String("logout"))
        return Body("null");
    const QString module = request.args.at(1).toString();
    if (module == QLatin1String("Contacts"))
        return ListPage(contacts, request, 2);
    if (module == QLatin1String("Accounts"))
        return ListPage(accounts, request, 2);
    if (module == QLatin1String("Leads"))
        return ListPage(leads, request, 2);
    return Body("{}", 500);
}

QJsonObject ContactEntry(const QString& id, bool bLive = true)
{
    if (!bLive) {
        return QJsonObject{
            {QStringLiteral("id"), id},
            {QStringLiteral("module_name"), QStringLiteral("Contacts")},
            {QStringLiteral("name_value_list"),
             QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("warning")},
                                    {QStringLiteral("value"), QStringLiteral("Access to this object is denied since "
                                                                             "it has been deleted or does not exist")}},
                        QJsonObject{{QStringLiteral("name"), QStringLiteral("deleted")},
                                    {QStringLiteral("value"), QStringLiteral("1")}}}}};
    }
    const auto field = [](const char* szName, const QString& value) {
        return QJsonObject{{QStringLiteral("name"), QLatin1String(szName)}, {QStringLiteral("value"), value}};
    };
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("module_name"), QStringLiteral("Contacts")},
                       {QStringLiteral("name_value_list"),
                        QJsonObject{{QStringLiteral("id"), field("id", id)},
                                    {QStringLiteral("first_name"), field("first_name", QStringLiteral("Ann"))},
                                    {QStringLiteral("last_name"), field("last_name", id.toUpper())},
                                    {QStringLiteral("deleted"), field("deleted", QStringLiteral("0"))}}}};
}

// set_entry with deleted=1 for one contact: a locked one is refused, any other goes.
QByteArray DeleteAlone(const FakeSugarServer::Request& request, std::set<QString>& live,
                       const std::set<QString>& locked, QStringList& alone)
{
    const QString id = request.args.at(2).toArray().at(0).toObject().value(QLatin1String("value")).toString();
    alone.append(id);
    if (locked.count(id) != 0)
        return R"({"name":"Access Denied","number":40,"description":"You do not have access"})";
    live.erase(id);
    return R"({"id":")" + id.toUtf8() + R"(","entry_list":{}})";
}

QJsonArray Contacts(int nCount, const char* szPrefix = "c")
{
    QJsonArray all;
    for (int i = 0; i < nCount; ++i)
        all.append(ContactEntry(QStringLiteral("%1%2").arg(QLatin1String(szPrefix)).arg(i, 3, 10, QLatin1Char('0'))));
    return all;
}

// Only contacts: the other contact modules answer an empty list.
FakeSugarServer::Reply ContactsOnly(const QJsonArray& contacts, const FakeSugarServer::Request& request, int nCap,
                                    bool bCounted = true)
{
    if (request.method == QLatin1String("login"))
        return Body(kLoginOk);
    if (request.method != QLatin1String("get_entry_list"))
        return Body("null");
    return ListPage(request.args.at(1).toString() == QLatin1String("Contacts") ? contacts : QJsonArray(), request, nCap,
                    bCounted);
}

std::vector<std::string> IdsIn(const std::string& path);

std::vector<std::unique_ptr<SGAddrRecord>> ReadContacts(const std::string& path)
{
    std::vector<std::unique_ptr<SGAddrRecord>> records;
    CxFile file;
    if (!file.Open(path.c_str(), "rb"))
        return records;
    int32_t nCount = 0;
    file.ReadInt(&nCount);
    for (int32_t i = 0; i < nCount; ++i) {
        records.push_back(std::make_unique<SGAddrRecord>());
        SGAddrKind::ReadRecord(file, *records.back());
    }
    return records;
}

std::vector<std::string> IdsIn(const std::string& path)
{
    std::vector<std::string> ids;
    for (const auto& pRecord : ReadContacts(path))
        ids.emplace_back(pRecord->szId);
    return ids;
}

void WriteContacts(const std::string& path, const std::vector<std::pair<int, const char*>>& typesAndIds,
                   const std::vector<bool>& marks)
{
    DataFileWriter<SGAddrKind> writer(path);
    ASSERT_TRUE(writer.Open());
    for (std::size_t i = 0; i < typesAndIds.size(); ++i) {
        auto pRecord = std::make_unique<SGAddrRecord>();
        pRecord->nType = typesAndIds[i].first;
        CopyText(pRecord->szId, typesAndIds[i].second);
        CopyText(pRecord->szLastName, typesAndIds[i].second);
        pRecord->nStatus = marks[i] ? SGSTATUS_DELETE : 0;
        writer.Add(*pRecord);
    }
    ASSERT_TRUE(writer.Commit());
}

} // namespace

TEST(HelperRun, FetchesEveryContactModulePageByPage)
{
    Exchange exchange{{}, "Addr"};
    FakeSugarServer server(ContactsServer);
    ASSERT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 1), 0) << exchange.Error(1);

    const auto records = ReadContacts(exchange.DataPath());
    ASSERT_EQ(records.size(), 11u);
    EXPECT_STREQ(records[0]->szId, "2a0e5034-8788-6b22-94f1-6b190b2ebe4c");
    EXPECT_EQ(records[0]->nType, 1);
    EXPECT_STREQ(records[3]->szLastName, "O'Brien");
    EXPECT_STREQ(records[6]->szLastName, "Acme Corp");
    EXPECT_EQ(records[6]->nType, 2);
    EXPECT_EQ(records[8]->szLastName, Ansi("M\xC3\xBCller & S\xC3\xB6hne GmbH"));
    EXPECT_EQ(records[10]->nType, 3);
    EXPECT_EQ(records[10]->nStatus, 0);

    // Pages after the first overlap it by one record, so the server's pages of two come at
    // offsets one apart.
    const QList<FakeSugarServer::Request>& requests = server.Requests();
    ASSERT_EQ(requests.size(), 10);
    const QJsonObject auth = requests[0].args.at(0).toObject();
    EXPECT_EQ(auth.value(QLatin1String("user_name")).toString(), QStringLiteral("admin"));
    EXPECT_EQ(auth.value(QLatin1String("password")).toString(),
              QString::fromLatin1(QCryptographicHash::hash("secret", QCryptographicHash::Md5).toHex()));
    std::multiset<int> contactOffsets;
    for (const FakeSugarServer::Request& request : requests.mid(1, 5)) {
        EXPECT_EQ(request.args.at(1).toString(), QStringLiteral("Contacts"));
        EXPECT_EQ(request.args.at(8).toInt(), 0); // deleted records left out
        EXPECT_EQ(request.args.at(0).toString(), QStringLiteral("sess1"));
        contactOffsets.insert(request.args.at(4).toInt());
    }
    EXPECT_EQ(contactOffsets, (std::multiset<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(server.Methods().last(), QStringLiteral("logout"));

    EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Loaded 11 Contacts\r\n");
    EXPECT_FALSE(plat::PathExists(exchange.ErrorPath().c_str()));
    EXPECT_EQ(exchange.Ini("SGAddr.ini", "Status", "Running"), "0");
    EXPECT_TRUE(plat::FileSize(exchange.Path("SGAddrUtil.log").c_str()) > 0);
    EXPECT_EQ(ReadText(exchange.Path("SGAddrUtil.log")).find("secret"), std::string::npos);
}

TEST(HelperRun, FetchesOnlyTheChosenContactModules)
{
    Exchange exchange{{}, "Addr"};
    FakeSugarServer server(ContactsServer);
    ASSERT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 1, "Contacts,Leads"), 0);
    EXPECT_EQ(ReadContacts(exchange.DataPath()).size(), 8u);
    for (const FakeSugarServer::Request& request : server.Requests())
        EXPECT_NE(request.args.at(1).toString(), QStringLiteral("Accounts"));
}

TEST(HelperRun, ARefusedLoginLeavesNoDataFileAndIsNotRetried)
{
    Exchange exchange{{}, "Task"};
    WriteText(exchange.DataPath(), "an old load");
    FakeSugarServer server([](const FakeSugarServer::Request&) { return Body(kLoginRefused); });
    EXPECT_EQ(exchange.Run(HelperKind::Task, server.Address(), 1), 1);
    EXPECT_FALSE(plat::PathExists(exchange.DataPath().c_str()));
    EXPECT_EQ(exchange.ErrorCount(), "1");
    EXPECT_EQ(exchange.Error(1),
              "The server refused the login: Login attempt failed please check the username and password");
    EXPECT_EQ(server.Methods(), QStringList{QStringLiteral("login")});
    EXPECT_EQ(exchange.Ini("SGTask.ini", "Status", "Running"), "0");
}

TEST(HelperRun, TransientFailuresAreRetried)
{
    Exchange exchange{{}, "Task"};
    int nLogins = 0;
    FakeSugarServer server([&nLogins](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("login"))
            return ++nLogins < 3 ? Body("<html>busy</html>", 503) : Body(kLoginOk);
        if (request.method == QLatin1String("get_entry_list"))
            return Captured("get_entry_list-tasks-page1.json");
        return Body("null");
    });
    ASSERT_EQ(exchange.Run(HelperKind::Task, server.Address(), 1), 0) << exchange.Error(1);
    EXPECT_EQ(nLogins, 3);
    EXPECT_EQ(plat::FileSize(exchange.DataPath().c_str()), 4 + 76 + 36 + 10 + 11 + 4 + 36);
}

TEST(HelperRun, ClearMessagesForAWrongAddress)
{
    Exchange exchange{{}, "Date"};
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 nPort = closed.serverPort();
    closed.close();
    EXPECT_EQ(exchange.Run(HelperKind::Date, QStringLiteral("http://127.0.0.1:%1").arg(nPort), 1), 1);
    EXPECT_EQ(exchange.Error(1), "The server 127.0.0.1 refused the connection. Check the server address and that the "
                                 "server is running.");

    FakeSugarServer web([](const FakeSugarServer::Request&) { return Body("<html><body>Welcome</body></html>"); });
    EXPECT_EQ(exchange.Run(HelperKind::Date, web.Address(), 1), 1);
    EXPECT_EQ(exchange.ErrorCount(), "1");
    EXPECT_EQ(exchange.Error(1), "The address " + web.Address().toStdString() +
                                     "/service/v4_1/rest.php does not answer as a SugarCRM server does. Check the "
                                     "server address.");

    FakeSugarServer missing([](const FakeSugarServer::Request&) { return Body("Not Found", 404); });
    EXPECT_EQ(exchange.Run(HelperKind::Date, missing.Address(), 1), 1);
    EXPECT_NE(exchange.Error(1).find("HTTP 404"), std::string::npos);
    EXPECT_FALSE(plat::PathExists(exchange.DataPath().c_str()));
}

TEST(HelperRun, AStopBetweenPagesLeavesNoDataFile)
{
    Exchange exchange{{}, "Addr"};
    const std::string ini = exchange.Path("SGAddr.ini");
    FakeSugarServer server([&ini](const FakeSugarServer::Request& request) {
        // The program gives up on the helper while the first page is on its way.
        if (request.method == QLatin1String("get_entry_list"))
            plat::WritePrivateProfileString("Status", "Stop", "1", ini.c_str());
        return ContactsServer(request);
    });
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 1), 1);
    EXPECT_FALSE(plat::PathExists(exchange.DataPath().c_str()));
    EXPECT_FALSE(plat::PathExists((exchange.DataPath() + ".tmp").c_str()));
    EXPECT_EQ(exchange.Error(1), "Loading was stopped; nothing was loaded.");
    EXPECT_EQ(server.Methods(),
              (QStringList{QStringLiteral("login"), QStringLiteral("get_entry_list"), QStringLiteral("logout")}));
    EXPECT_EQ(exchange.Ini("SGAddr.ini", "Status", "Running"), "0");
}

TEST(HelperRun, DeletesMarkedRecordsAndChecksAFailedAnswer)
{
    Exchange exchange{{}, "Addr"};
    WriteContacts(exchange.DataPath(), {{1, "contact-parent"}, {1, "contact-kept"}, {3, "lead-locked"}, {2, "acct-1"}},
                  {true, false, true, true});
    FakeSugarServer server([](const FakeSugarServer::Request& request) {
        const QString id = request.args.size() > 2
                               ? request.args.at(2).toArray().at(0).toObject().value(QLatin1String("value")).toString()
                               : QString();
        if (request.method == QLatin1String("login"))
            return Body(kLoginOk);
        // The server fails after deleting a contact that has activities.
        if (request.method == QLatin1String("set_entries") || id == QLatin1String("acct-1"))
            return Body("", 500);
        if (request.method == QLatin1String("get_entries"))
            return Body(QJsonDocument(QJsonObject{{QStringLiteral("entry_list"),
                                                   QJsonArray{ContactEntry(QStringLiteral("contact-parent"), false)}}})
                            .toJson());
        if (request.method == QLatin1String("get_entry"))
            return Captured("get_entry-contact-deleted.json");
        if (request.method == QLatin1String("set_entry") && id == QLatin1String("lead-locked"))
            return Body(R"({"name":"Access Denied","number":40,"description":"You do not have access"})");
        return Body("null");
    });
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2), 1);

    // Contacts go in a batch, read back; leads and accounts one by one.
    EXPECT_EQ(server.Methods(),
              (QStringList{QStringLiteral("login"), QStringLiteral("set_entries"), QStringLiteral("get_entries"),
                           QStringLiteral("set_entry"), QStringLiteral("set_entry"), QStringLiteral("get_entry"),
                           QStringLiteral("logout")}));
    const QList<FakeSugarServer::Request>& requests = server.Requests();
    EXPECT_EQ(requests[1].args.at(1).toString(), QStringLiteral("Contacts"));
    EXPECT_EQ(requests[1].args.at(2).toArray().at(0).toArray().at(1).toObject().value(QLatin1String("value")).toInt(),
              1);
    EXPECT_EQ(requests[2].args.at(2).toArray(), QJsonArray{QStringLiteral("contact-parent")});
    EXPECT_EQ(requests[3].args.at(1).toString(), QStringLiteral("Leads"));
    EXPECT_EQ(requests[4].args.at(1).toString(), QStringLiteral("Accounts"));
    EXPECT_EQ(requests[5].args.at(2).toString(), QStringLiteral("acct-1"));

    // Only the lead really failed.
    EXPECT_EQ(exchange.ErrorCount(), "1");
    EXPECT_EQ(exchange.Error(1), "Could not delete \"lead-locked\" from Leads: You do not have access");
    EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Deleted 2 of 3 Contacts\r\n");
    // The program learns which of the marked records the server kept, by data file position.
    EXPECT_EQ(exchange.NotDeleted(), "2");
}

TEST(HelperRun, AFailedDeletionThatDidNotHappenIsReported)
{
    Exchange exchange{{}, "Addr"};
    WriteContacts(exchange.DataPath(), {{1, "c1"}}, {true});
    FakeSugarServer server([](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("login"))
            return Body(kLoginOk);
        if (request.method == QLatin1String("set_entry"))
            return Body("", 500);
        if (request.method == QLatin1String("get_entry"))
            return Captured("get_entry-contact.json");
        return Body("null");
    });
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2), 1);
    EXPECT_EQ(exchange.Error(1),
              "Could not delete \"c1\" from Contacts: the server failed (HTTP 500) and the record is "
              "still there.");
    EXPECT_EQ(exchange.NotDeleted(), "0");
}

TEST(HelperRun, ADamagedDataFileDeletesNothing)
{
    Exchange exchange{{}, "Addr"};
    WriteContacts(exchange.DataPath(), {{1, "c1"}, {1, "c2"}}, {true, true});
    std::vector<unsigned char> bytes = ReadBytes(exchange.DataPath());
    bytes.resize(bytes.size() - 3);
    WriteBytes(exchange.DataPath(), bytes);
    FakeSugarServer server(ContactsServer);
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2), 1);
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_EQ(exchange.Error(1), "The data file SGAddr.dat is damaged, so nothing was deleted. Load the data again.");
}

TEST(HelperRun, AMergeThatCannotBeDoneLeavesItsDuplicateAndADamagedKeepFileDeletesNothing)
{
    Exchange exchange{{}, "Addr"};
    WriteContacts(exchange.DataPath(), {{1, "c1"}, {3, "l1"}, {1, "c2"}}, {true, false, true});
    const auto writeKeep = [&exchange](std::size_t nCut) {
        CxFile file;
        ASSERT_TRUE(file.Open(exchange.Path("SGAddrKeep.dat").c_str(), "wb"));
        file.WriteInt(MERGE_MOVE_RELATED);
        file.WriteInt(1);
        file.WriteString("c1");
        file.WriteString("l1");
        ASSERT_TRUE(file.Finish());
        std::vector<unsigned char> bytes = ReadBytes(exchange.Path("SGAddrKeep.dat"));
        bytes.resize(bytes.size() - nCut);
        WriteBytes(exchange.Path("SGAddrKeep.dat"), bytes);
    };
    const auto report = [&exchange] { return ReadBytes(exchange.Path("SGAddrMerged.dat")); };
    const std::vector<unsigned char> kEmptyReport = {0, 0, 0, 0};
    FakeSugarServer server([](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("login"))
            return Body(kLoginOk);
        if (request.method == QLatin1String("set_entry"))
            return Body(R"({"id":"c2","entry_list":{}})");
        return Body("null");
    });

    // Nothing is sent for a keep file cut short, and the program learns that every marked record stays.
    writeKeep(1);
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2, "", true), 1);
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_EQ(exchange.Error(1), "The keep file SGAddrKeep.dat is damaged, so nothing was deleted.");
    EXPECT_EQ(exchange.NotDeleted(), "0,2");
    EXPECT_EQ(report(), kEmptyReport);

    // A contact is not merged into a lead: their links differ. It stays; the one without a record
    // kept is deleted plainly.
    writeKeep(0);
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2, "", true), 1);
    EXPECT_EQ(server.Methods(),
              (QStringList{QStringLiteral("login"), QStringLiteral("set_entry"), QStringLiteral("logout")}));
    EXPECT_EQ(exchange.ErrorCount(), "1");
    EXPECT_NE(exchange.Error(1).find("c1"), std::string::npos) << exchange.Error(1);
    EXPECT_NE(exchange.Error(1).find("not a record of Contacts"), std::string::npos) << exchange.Error(1);
    EXPECT_EQ(exchange.NotDeleted(), "0");
    EXPECT_EQ(report(), kEmptyReport);
}

TEST(HelperRun, NotesAreDeletedThroughTheIdsOfTheirLoad)
{
    Exchange exchange{{}, "Note"};
    FakeSugarServer server([](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("login"))
            return Body(kLoginOk);
        if (request.method == QLatin1String("get_entry_list"))
            return Captured("get_entry_list-notes-page1.json");
        if (request.method == QLatin1String("set_entry"))
            return Captured("set_entry-contacts-delete.json").nStatus == 200
                       ? Body(R"({"id":"6929c8c7-36db-5c76-6d50-6b190b0c50bb","entry_list":{}})")
                       : Body("", 500);
        return Body("null");
    });
    ASSERT_EQ(exchange.Run(HelperKind::Note, server.Address(), 1), 0) << exchange.Error(1);
    EXPECT_EQ(ReadBytes(exchange.DataPath()), (std::vector<unsigned char>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<std::string> ids;
    ASSERT_TRUE(NoteIds::Load(exchange.Path(NoteIds::kFileName), ids));
    EXPECT_EQ(ids, std::vector<std::string>{"6929c8c7-36db-5c76-6d50-6b190b0c50bb"});

    // The program marks the note and writes the file back.
    WriteBytes(exchange.DataPath(), {1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(exchange.Run(HelperKind::Note, server.Address(), 2), 0) << exchange.Error(1);
    const FakeSugarServer::Request& deletion = server.Requests().at(server.Requests().size() - 2);
    EXPECT_EQ(deletion.method, QStringLiteral("set_entry"));
    EXPECT_EQ(deletion.args.at(1).toString(), QStringLiteral("Notes"));
    EXPECT_EQ(deletion.args.at(2).toArray().at(0).toObject().value(QLatin1String("value")).toString(),
              QStringLiteral("6929c8c7-36db-5c76-6d50-6b190b0c50bb"));

    // A data file that does not belong to the ids' load is refused.
    WriteBytes(exchange.DataPath(), {2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(exchange.Run(HelperKind::Note, server.Address(), 2), 1);
    EXPECT_NE(exchange.Error(1).find("does not match"), std::string::npos);
}

TEST(HelperRun, AnExpiredSessionIsRenewedOnce)
{
    Exchange exchange{{}, "Task"};
    int nLists = 0;
    FakeSugarServer server([&nLists](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("login"))
            return Body(kLoginOk);
        if (request.method == QLatin1String("get_entry_list"))
            return ++nLists == 1 ? Captured("get_entry_list-invalid-session.json")
                                 : Captured("get_entry_list-tasks-page1.json");
        return Body("null");
    });
    ASSERT_EQ(exchange.Run(HelperKind::Task, server.Address(), 1), 0) << exchange.Error(1);
    EXPECT_EQ(server.Methods(),
              (QStringList{QStringLiteral("login"), QStringLiteral("get_entry_list"), QStringLiteral("login"),
                           QStringLiteral("get_entry_list"), QStringLiteral("logout")}));
}

TEST(HelperRun, PagesFetchedTogetherGiveTheDataFileOfAFetchPageByPage)
{
    const QJsonArray contacts = Contacts(57);
    // Later pages are answered sooner, so the answers arrive out of order.
    FakeSugarServer together([&contacts](const FakeSugarServer::Request& request) {
        FakeSugarServer::Reply reply = ContactsOnly(contacts, request, 5);
        reply.nDelayMs = std::max(0, 60 - request.args.at(4).toInt());
        return reply;
    });
    FakeSugarServer uncounted(
        [&contacts](const FakeSugarServer::Request& request) { return ContactsOnly(contacts, request, 5, false); });
    Exchange first{{}, "Addr"};
    Exchange second{{}, "Addr"};
    Exchange third{{}, "Addr"};
    third.options.nInFlight = 1;
    ASSERT_EQ(first.Run(HelperKind::Addr, together.Address(), 1), 0) << first.Error(1);
    ASSERT_EQ(second.Run(HelperKind::Addr, uncounted.Address(), 1), 0) << second.Error(1);
    ASSERT_EQ(third.Run(HelperKind::Addr, together.Address(), 1), 0) << third.Error(1);
    EXPECT_EQ(IdsIn(first.DataPath()), IdsIn(second.DataPath()));
    EXPECT_EQ(IdsIn(first.DataPath()).size(), 57u);
    EXPECT_EQ(ReadBytes(first.DataPath()), ReadBytes(second.DataPath()));
    EXPECT_EQ(ReadBytes(first.DataPath()), ReadBytes(third.DataPath()));
    EXPECT_EQ(ReadText(first.Path("SGAddrStatus.dat")), "Loaded 57 Contacts\r\n");
    EXPECT_GE(together.MostOpen(), 2);
    EXPECT_LE(together.MostOpen(), 4);
    EXPECT_EQ(uncounted.MostOpen(), 1);
}

TEST(HelperRun, PagesThatDoNotJoinUpAreFetchedAgainWithoutLosingOrRepeatingARecord)
{
    // Once the first page is out, a record already read is deleted and one is added at the end:
    // the count stays, but every later record moves one place forward.
    QJsonArray contacts = Contacts(30);
    bool bChanged = false;
    FakeSugarServer server([&](const FakeSugarServer::Request& request) {
        FakeSugarServer::Reply reply = ContactsOnly(contacts, request, 5);
        if (request.method == QLatin1String("get_entry_list") && !bChanged &&
            request.args.at(1).toString() == QLatin1String("Contacts")) {
            bChanged = true;
            contacts.removeAt(2);
            contacts.append(ContactEntry(QStringLiteral("new")));
        }
        return reply;
    });
    Exchange exchange{{}, "Addr"};
    ASSERT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 1), 0) << exchange.Error(1);
    std::vector<std::string> expected;
    for (int i = 0; i < 30; ++i)
        expected.push_back(QStringLiteral("c%1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
    expected.emplace_back("new");
    EXPECT_EQ(IdsIn(exchange.DataPath()), expected);
    EXPECT_NE(ReadText(exchange.Path("SGAddrUtil.log")).find("do not join up"), std::string::npos);
}

TEST(HelperRun, APageFailingMidWalkFailsTheFetch)
{
    const QJsonArray contacts = Contacts(40);
    FakeSugarServer server([&contacts](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("get_entry_list") && request.args.at(4).toInt() == 12)
            return Body("", 500);
        return ContactsOnly(contacts, request, 5);
    });
    Exchange exchange{{}, "Addr"};
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 1), 1);
    EXPECT_FALSE(plat::PathExists(exchange.DataPath().c_str()));
    EXPECT_FALSE(plat::PathExists((exchange.DataPath() + ".tmp").c_str()));
    EXPECT_EQ(exchange.ErrorCount(), "1");
    EXPECT_EQ(exchange.Error(1),
              "Loading Contacts failed: The server 127.0.0.1 failed while answering get_entry_list (HTTP 500).");
    EXPECT_EQ(server.Methods().last(), QStringLiteral("logout"));
    EXPECT_EQ(exchange.Ini("SGAddr.ini", "Status", "Running"), "0");
}

TEST(HelperRun, ABatchCountsOnlyWhatItsReadBackShowsDeletedAndRetriesTheRestAlone)
{
    // 250 contacts in batches of 100, 100 and 50. c010 and c210 may not be deleted, yet
    // set_entries lists them; c160 it lists without deleting; c030 is deleted and then the server
    // dies, so the rest of its batch is never reached.
    std::set<QString> live;
    for (int i = 0; i < 250; ++i)
        live.insert(QStringLiteral("c%1").arg(i, 3, 10, QLatin1Char('0')));
    const std::set<QString> locked{QStringLiteral("c010"), QStringLiteral("c210")};
    QStringList alone;
    FakeSugarServer server([&](const FakeSugarServer::Request& request) {
        const QString method = request.method;
        FakeSugarServer::Reply reply = Body("null");
        reply.nDelayMs = 5;
        if (method == QLatin1String("login"))
            reply.body = kLoginOk;
        if (method == QLatin1String("set_entries")) {
            QJsonArray ids;
            for (const QJsonValue list : request.args.at(2).toArray()) {
                const QString id = list.toArray().at(0).toObject().value(QLatin1String("value")).toString();
                ids.append(id);
                if (locked.count(id) == 0 && id != QLatin1String("c160"))
                    live.erase(id);
                if (id == QLatin1String("c030"))
                    return Body("", 500);
            }
            reply.body = QJsonDocument(QJsonObject{{QStringLiteral("ids"), ids}}).toJson();
        }
        if (method == QLatin1String("get_entries")) {
            QJsonArray entries;
            for (const QJsonValue id : request.args.at(2).toArray())
                entries.append(ContactEntry(id.toString(), live.count(id.toString()) != 0));
            reply.body = QJsonDocument(QJsonObject{{QStringLiteral("entry_list"), entries}}).toJson();
        }
        if (method == QLatin1String("set_entry"))
            reply.body = DeleteAlone(request, live, locked, alone);
        return reply;
    });
    Exchange exchange{{}, "Addr"};
    std::vector<std::pair<int, const char*>> records;
    std::vector<std::string> names;
    for (int i = 0; i < 250; ++i)
        names.push_back(QStringLiteral("c%1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
    for (const std::string& name : names)
        records.emplace_back(1, name.c_str());
    WriteContacts(exchange.DataPath(), records, std::vector<bool>(250, true));
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2), 1);

    QStringList expectedAlone{QStringLiteral("c010")};
    for (int i = 31; i < 100; ++i)
        expectedAlone.append(QStringLiteral("c%1").arg(i, 3, 10, QLatin1Char('0')));
    expectedAlone << QStringLiteral("c160") << QStringLiteral("c210");
    EXPECT_EQ(alone, expectedAlone);
    EXPECT_EQ(live, locked);
    EXPECT_EQ(exchange.ErrorCount(), "2");
    EXPECT_EQ(exchange.Error(1), "Could not delete \"c010\" from Contacts: You do not have access");
    EXPECT_EQ(exchange.Error(2), "Could not delete \"c210\" from Contacts: You do not have access");
    EXPECT_EQ(exchange.NotDeleted(), "10,210");
    EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Deleted 248 of 250 Contacts\r\n");
    EXPECT_EQ(server.Methods().count(QStringLiteral("set_entries")), 3);
    EXPECT_LE(server.MostOpen(), 4);
}

TEST(HelperRun, ABatchSentBeforeAStopIsReadBackAndCounted)
{
    Exchange exchange{{}, "Addr"};
    WriteContacts(exchange.DataPath(), {{1, "c1"}, {1, "c2"}, {1, "c3"}}, {true, false, true});
    const std::string ini = exchange.Path("SGAddr.ini");
    FakeSugarServer server([&ini](const FakeSugarServer::Request& request) {
        if (request.method == QLatin1String("login"))
            return Body(kLoginOk);
        if (request.method == QLatin1String("set_entries")) {
            // The program gives up on the helper while the batch is on its way.
            plat::WritePrivateProfileString("Status", "Stop", "1", ini.c_str());
            return Body(R"({"ids":["c1","c3"]})");
        }
        if (request.method == QLatin1String("get_entries"))
            return Body(QJsonDocument(QJsonObject{{QStringLiteral("entry_list"),
                                                   QJsonArray{ContactEntry(QStringLiteral("c1"), false),
                                                              ContactEntry(QStringLiteral("c3"), false)}}})
                            .toJson());
        return Body("null");
    });
    EXPECT_EQ(exchange.Run(HelperKind::Addr, server.Address(), 2), 0) << exchange.Error(1);
    EXPECT_EQ(server.Methods(), (QStringList{QStringLiteral("login"), QStringLiteral("set_entries"),
                                             QStringLiteral("get_entries"), QStringLiteral("logout")}));
    EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Deleted 2 of 2 Contacts\r\n");
    EXPECT_EQ(exchange.NotDeleted(), "");
}

namespace
{

QString ContactId(int n)
{
    return QStringLiteral("c%1").arg(n, 3, 10, QLatin1Char('0'));
}

// Contacts deleted through set_entries and set_entry and read back through get_entries. Each
// answer waits as long as delay gives for the request's number, so answers overtake each other
// while deletions and read-backs interleave. It notes any read-back that asks for a record before
// the answer of the set_entries that deleted it left.
struct DeletingServer
{
    std::set<QString> live;
    std::set<QString> locked; // set_entries lists them without deleting; set_entry refuses them
    std::function<int(int)> delay = [](int) { return 0; };
    std::function<bool(const QJsonArray& ids)> failReadBack = [](const QJsonArray&) { return false; };
    std::function<void(int nBatch)> onBatch = [](int) {};
    QStringList alone;
    QList<QJsonArray> readBacks;
    int nRequests = 0;
    int nBatches = 0;
    bool bEarlyReadBack = false;
    std::map<QString, qint64> answeredAt;
    QElapsedTimer clock;

    explicit DeletingServer(int nCount)
    {
        for (int i = 0; i < nCount; ++i)
            live.insert(ContactId(i));
        clock.start();
    }

    FakeSugarServer::Reply Serve(const FakeSugarServer::Request& request)
    {
        FakeSugarServer::Reply reply = Body("null");
        reply.nDelayMs = delay(nRequests++);
        const QString method = request.method;
        if (method == QLatin1String("login"))
            reply.body = kLoginOk;
        if (method == QLatin1String("set_entries")) {
            onBatch(nBatches++);
            QJsonArray ids;
            for (const QJsonValue list : request.args.at(2).toArray()) {
                const QString id = list.toArray().at(0).toObject().value(QLatin1String("value")).toString();
                ids.append(id);
                if (locked.count(id) == 0)
                    live.erase(id);
                answeredAt[id] = clock.elapsed() + reply.nDelayMs;
            }
            reply.body = QJsonDocument(QJsonObject{{QStringLiteral("ids"), ids}}).toJson();
        }
        if (method == QLatin1String("get_entries")) {
            const QJsonArray ids = request.args.at(2).toArray();
            readBacks.append(ids);
            QJsonArray entries;
            for (const QJsonValue id : ids) {
                const auto answered = answeredAt.find(id.toString());
                bEarlyReadBack = bEarlyReadBack || answered == answeredAt.end() || answered->second > clock.elapsed();
                entries.append(ContactEntry(id.toString(), live.count(id.toString()) != 0));
            }
            reply.body = QJsonDocument(QJsonObject{{QStringLiteral("entry_list"), entries}}).toJson();
            if (failReadBack(ids))
                reply.nStatus = 500;
        }
        if (method == QLatin1String("set_entry"))
            reply.body = DeleteAlone(request, live, locked, alone);
        return reply;
    }
};

// Writes nCount contacts, every one marked, and deletes them through the server.
int DeleteAll(Exchange& exchange, DeletingServer& state, int nCount)
{
    FakeSugarServer server([&state](const FakeSugarServer::Request& request) { return state.Serve(request); });
    std::vector<std::string> names;
    for (int i = 0; i < nCount; ++i)
        names.push_back(ContactId(i).toStdString());
    std::vector<std::pair<int, const char*>> records;
    for (const std::string& name : names)
        records.emplace_back(1, name.c_str());
    WriteContacts(exchange.DataPath(), records, std::vector<bool>(names.size(), true));
    const int nExit = exchange.Run(HelperKind::Addr, server.Address(), 2);
    EXPECT_LE(server.MostOpen(), 4);
    return nExit;
}

} // namespace

TEST(HelperRun, BatchesGiveTheSameFilesWhateverOrderTheirAnswersComeIn)
{
    // 730 contacts in eight batches; the server lies about c150 and c705. Answers wait from 0 to
    // 24 ms in patterns that let deletions and read-backs overtake each other in different ways.
    const std::vector<std::function<int(int)>> delays{[](int) { return 0; }, [](int n) { return n % 5 * 6; },
                                                      [](int n) { return 24 - n % 7 * 4; },
                                                      [](int n) { return n % 2 * 20; }};
    std::string firstErrors;
    for (std::size_t i = 0; i < delays.size(); ++i) {
        SCOPED_TRACE(i);
        DeletingServer state(730);
        state.locked = {ContactId(150), ContactId(705)};
        state.delay = delays[i];
        Exchange exchange{{}, "Addr"};
        EXPECT_EQ(DeleteAll(exchange, state, 730), 1);
        EXPECT_FALSE(state.bEarlyReadBack);
        EXPECT_EQ(state.live, state.locked);
        EXPECT_EQ(state.alone, (QStringList{ContactId(150), ContactId(705)}));
        EXPECT_EQ(state.nBatches, 8);
        // One read-back may take several batches, never ask twice for a record, nor skip one.
        std::set<QString> readBack;
        for (const QJsonArray& ids : state.readBacks) {
            for (const QJsonValue id : ids)
                EXPECT_TRUE(readBack.insert(id.toString()).second) << id.toString().toStdString();
        }
        EXPECT_EQ(readBack.size(), 730U);
        const std::string errors = ReadText(exchange.ErrorPath());
        EXPECT_EQ(exchange.NotDeleted(), "150,705");
        EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Deleted 728 of 730 Contacts\r\n");
        if (i == 0)
            firstErrors = errors;
        EXPECT_EQ(errors, firstErrors);
    }
}

TEST(HelperRun, TheRecordsOfAFailedReadBackAreDeletedAloneWhileLaterBatchesGoOn)
{
    DeletingServer state(650);
    state.delay = [](int n) { return n % 3 * 4; };
    state.failReadBack = [](const QJsonArray& ids) { return ids.contains(QJsonValue(QStringLiteral("c000"))); };
    Exchange exchange{{}, "Addr"};
    EXPECT_EQ(DeleteAll(exchange, state, 650), 0) << exchange.Error(1);
    // Every batch the failed read-back took, and only those, is retried one record at a time, in
    // the order of the data file.
    QStringList failed;
    for (const QJsonArray& ids : state.readBacks) {
        if (ids.contains(QJsonValue(ContactId(0)))) {
            for (const QJsonValue id : ids)
                failed.append(id.toString());
            break;
        }
    }
    ASSERT_FALSE(failed.isEmpty());
    failed.sort(); // the read-back lists its batches in the order their answers came
    EXPECT_EQ(state.alone, failed);
    EXPECT_TRUE(state.live.empty());
    EXPECT_EQ(state.nBatches, 7);
    EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Deleted 650 of 650 Contacts\r\n");
}

TEST(HelperRun, AStopInThePipelineReadsBackEveryBatchSentAndCountsIt)
{
    // The stop comes while the first batches are on their way (how many went out before it is the
    // network's timing, at most four); the server lists c050 without deleting it, so the stop is
    // found when c050 is tried alone, with batches behind it not yet read back.
    DeletingServer state(430);
    state.locked = {ContactId(50)};
    Exchange exchange{{}, "Addr"};
    const std::string ini = exchange.Path("SGAddr.ini");
    state.delay = [](int n) { return 2 + n % 4 * 5; };
    state.onBatch = [&ini](int nBatch) {
        if (nBatch == 0)
            plat::WritePrivateProfileString("Status", "Stop", "1", ini.c_str());
    };
    EXPECT_EQ(DeleteAll(exchange, state, 430), 1);
    ASSERT_GE(state.nBatches, 1);
    ASSERT_LE(state.nBatches, 4);
    const int nSent = state.nBatches * 100;
    std::set<QString> readBack;
    for (const QJsonArray& ids : state.readBacks) {
        for (const QJsonValue id : ids)
            readBack.insert(id.toString());
    }
    EXPECT_EQ(readBack.size(), static_cast<std::size_t>(nSent));
    EXPECT_EQ(state.live.size(), static_cast<std::size_t>(430 - nSent + 1));
    EXPECT_TRUE(state.alone.empty());
    EXPECT_FALSE(state.bEarlyReadBack);
    const std::string deleted = std::to_string(nSent - 1) + " of 430 Contacts";
    EXPECT_EQ(exchange.Error(1), "Deleting was stopped after " + deleted + ".");
    std::string left = "50";
    for (int i = nSent; i < 430; ++i)
        left += "," + std::to_string(i);
    EXPECT_EQ(exchange.NotDeleted(), left);
    EXPECT_EQ(ReadText(exchange.Path("SGAddrStatus.dat")), "Deleted " + deleted + "\r\n");
}
