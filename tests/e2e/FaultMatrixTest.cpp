// SPDX-License-Identifier: MIT
// The fault matrix: whole cleanings through the real pages, with the real helpers against democrm,
// each with one thing gone wrong: a helper that is missing, will not run, crashes or hangs, a
// damaged data file, a server that is down, answers 500 or garbage, breaks off its answer or
// refuses the login, a full disk, a log that cannot be written. Each case checks that the user is
// told, that no record was deleted that was not ticked, and that nothing is reported deleted that
// the server still holds. Then random data sets, random unticks and random faults, checked the same
// way (VELTRANE_FAULT_SEEDS sets how many; 20 by default).
#include "DemocrmPagesFixture.h"
#include "RestClient.h"
#include "ServerTable.h"
#include "gui/GuiTestSupport.h"
#include "gui/PageFixture.h"
#include "unit/StandinSupport.h"

#include "HtmlEntities.h"
#include "SugarCRM/CxSGDataReader.h"
#include "misc/CxList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <set>

namespace
{

namespace fs = std::filesystem;

std::vector<std::string> g_boxes;

// How the memo names a contact it could not delete.
std::string Described(const std::string& first, const std::string& last, const std::string& email)
{
    std::string text = first;
    if (!last.empty())
        text += (text.empty() ? "" : " ") + last;
    if (!email.empty())
        text += (text.empty() ? "<" : " <") + email + ">";
    return text.empty() ? "<empty>" : text;
}

// The same for a record as the server holds it, its texts HTML-encoded as the helpers find them;
// an account's name stands where a person's last name does.
std::string Described(const std::string& key, const QJsonObject& fields)
{
    const auto text = [&fields](const char* szName) {
        return DecodeHtmlEntities(FieldText(fields, szName)).toStdString();
    };
    return Described(text("first_name"), text(key.rfind("Accounts/", 0) == 0 ? "name" : "last_name"), text("email1"));
}

std::multiset<std::string> Lines(const std::string& memo, const std::string& prefix)
{
    std::multiset<std::string> lines;
    std::size_t pos = 0;
    while ((pos = memo.find(prefix, pos)) != std::string::npos) {
        const std::size_t end = memo.find('\n', pos);
        lines.insert(memo.substr(pos + prefix.size(), end == std::string::npos ? end : end - pos - prefix.size()));
        pos += prefix.size();
    }
    return lines;
}

int Count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++n;
    return n;
}

class FaultMatrixTest : public DemocrmPagesTest
{
protected:
    void SetUp() override
    {
        DemocrmPagesTest::SetUp();
        g_boxes.clear();
    }

    void TearDown() override
    {
        CxSGDataReader::SetAllWaitLimitsForTesting(0);
        DemocrmPagesTest::TearDown();
    }

    // The records ticked on the review page, as the memo names them.
    static std::multiset<std::string> Ticked()
    {
        std::multiset<std::string> ticked;
        for (void* p = WorkSet.pAddrDups->GetFirst(); p != nullptr; p = WorkSet.pAddrDups->GetNext()) {
            const auto* pRecord = static_cast<const SGAddrRecord*>(p);
            if ((pRecord->dwFlags & REC_SELECTED) != 0)
                ticked.insert(Described(pRecord->szFirstName, pRecord->szLastName, pRecord->szEmail1));
        }
        return ticked;
    }

    // Leaving the review page turns the ticks into marks; ticked receives what they name.
    void DeleteTicked(std::multiset<std::string>& ticked)
    {
        RealPagesTest::DeleteTicked(120000, [&ticked] { ticked = Ticked(); });
        EXPECT_TRUE(JoinWaitThread(5000));
    }

    // What every case must hold after the run: each ticked record is either gone from the server or
    // named in the memo as left there, nothing else is gone or changed, and the memo's count of
    // confirmed deletions is the number gone.
    void ExpectHonestOutcome(const ServerTable& before, const std::multiset<std::string>& ticked)
    {
        const ServerTable after = Snapshot();
        const std::string memo = Memo();
        std::multiset<std::string> gone;
        for (const auto& [key, record] : before) {
            const auto it = after.find(key);
            if (it == after.end())
                gone.insert(Described(key, record));
            else
                EXPECT_EQ(it->second, record) << key;
        }
        EXPECT_EQ(after.size() + gone.size(), before.size()) << "records appeared";
        EXPECT_EQ(Count(memo, "Deletion succeeded."), static_cast<int>(ticked.size()));
        std::multiset<std::string> left = Lines(memo, "\tNot deleted: ");
        for (const std::string& line : Lines(memo, "\tNot confirmed: "))
            left.insert(line);
        std::multiset<std::string> accounted = gone;
        accounted.insert(left.begin(), left.end());
        std::vector<std::string> extra;
        std::vector<std::string> missing;
        std::set_difference(accounted.begin(), accounted.end(), ticked.begin(), ticked.end(),
                            std::back_inserter(extra));
        std::set_difference(ticked.begin(), ticked.end(), accounted.begin(), accounted.end(),
                            std::back_inserter(missing));
        EXPECT_TRUE(extra.empty() && missing.empty())
            << "gone or left but not ticked: " << ::testing::PrintToString(extra)
            << "\nticked but neither gone nor left: " << ::testing::PrintToString(missing);
        if (!left.empty()) {
            const std::string summary = "\t" + std::to_string(gone.size()) + " of " + std::to_string(ticked.size()) +
                                        " duplicate contact items were confirmed deleted by SugarCRM.";
            EXPECT_NE(memo.find(summary), std::string::npos) << memo;
        }
    }

    // Prev from the review page, or the restart that Prev is on the deletion page.
    void BackToLogin()
    {
        for (int i = 0; i < 2 && m_pMain->Step() != StepLogin; ++i)
            QTest::mouseClick(Get<QPushButton>("btnPrev"), Qt::LeftButton);
        EXPECT_EQ(m_pMain->Step(), StepLogin);
    }

    void ExpectBox(const std::string& part)
    {
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_NE(g_boxes[0].find("Can not retrieve your SugarCRM information."), std::string::npos) << g_boxes[0];
        EXPECT_NE(g_boxes[0].find(part), std::string::npos) << g_boxes[0];
        g_boxes.clear();
    }
};

TEST_F(FaultMatrixTest, AHelperThatNeverRanFailsTheLoadAndSaysWhy)
{
    StartServer({});
    const ServerTable before = Snapshot();
    struct Case
    {
        Helper helper;
        std::string script;
        std::string reason;
    };
    const Case cases[] = {
        {Helper::Missing, "", "Quorvel.SGAddrUtil.exe could not be started: No such file or directory"},
        {Helper::NotExecutable, "", "Quorvel.SGAddrUtil.exe could not be started: Permission denied"},
        {Helper::Standin, "crash\n", "Quorvel.SGAddrUtil.exe ended abnormally: Segmentation fault"},
        {Helper::Standin, "sleep 3000\n", "Quorvel.SGAddrUtil.exe did not finish within 500 milliseconds"},
        // Damaged data files: a forged count, a record cut short, noise.
        {Helper::Standin, "write-data-hex 05000000\n",
         "The data file SGAddr.dat that Quorvel.SGAddrUtil.exe wrote is damaged."},
        {Helper::Standin, "write-data-hex 0100000000000000000000000100000002000000\n", "is damaged."},
        {Helper::Standin, "write-data-hex ff\n", "is damaged."},
    };
    CxSGDataReader::SetAllWaitLimitsForTesting(500);
    for (const Case& test : cases) {
        // A data file of an earlier load is still there: it must not come back as this load's.
        WriteText(DataFolder() + "SGAddr.dat", std::string(4, '\0'));
        PlaceHelper(test.helper);
        WriteStandinScript(DataFolder(), "Addr", test.script);
        EXPECT_FALSE(Load(m_server.baseUrl())) << test.reason;
        ExpectBox(test.reason);
        EXPECT_FALSE(fs::exists(DataFolder() + "SGAddrParam.dat"));
    }
    fs::remove(DataFolder() + "SGAddrScript.txt");
    EXPECT_EQ(Snapshot().size(), before.size());
}

TEST_F(FaultMatrixTest, ServerFaultsDuringTheFetchAreReported)
{
    struct Case
    {
        QStringList arguments;
        const char* szPassword;
        std::string reason; // empty: the helper rides it out and the load succeeds
    };
    const Case cases[] = {
        {{QStringLiteral("--refuse-login")}, "admin", "The server refused the login"},
        {{}, "wrong", "The server refused the login"},
        {{QStringLiteral("--fault-method"), QStringLiteral("get_entry_list"), QStringLiteral("--fail-request"),
          QStringLiteral("2")},
         "admin",
         "Loading"},
        {{QStringLiteral("--fault-method"), QStringLiteral("get_entry_list"), QStringLiteral("--garbage-request"),
          QStringLiteral("1")},
         "admin",
         "Loading"},
        // A page broken off mid-answer is not taken for a whole one.
        {{QStringLiteral("--fault-method"), QStringLiteral("get_entry_list"), QStringLiteral("--cut-request"),
          QStringLiteral("1")},
         "admin",
         "Loading"},
        {{QStringLiteral("--session-expires-after"), QStringLiteral("3")}, "admin", ""},
        // Slower than the helper's time-out (2 s here): once is retried, four times in a row is not.
        {{QStringLiteral("--fault-method"), QStringLiteral("get_entry_list"), QStringLiteral("--delay-request"),
          QStringLiteral("1"), QStringLiteral("--delay-ms"), QStringLiteral("3000")},
         "admin",
         ""},
        {{QStringLiteral("--fault-method"), QStringLiteral("get_entry_list"), QStringLiteral("--delay-request"),
          QStringLiteral("1-4"), QStringLiteral("--delay-ms"), QStringLiteral("3000")},
         "admin",
         "did not answer within 2 seconds"},
    };
    qputenv("VELTRANE_HELPER_TIMEOUT_MS", "2000");
    for (const Case& test : cases) {
        StartServer(test.arguments);
        const bool bLoaded = Load(m_server.baseUrl(), QString::fromLatin1(test.szPassword));
        if (test.reason.empty()) {
            EXPECT_TRUE(bLoaded) << test.arguments.join(QLatin1Char(' ')).toStdString();
            EXPECT_TRUE(g_boxes.empty());
            BackToLogin();
        }
        else {
            EXPECT_FALSE(bLoaded);
            ExpectBox(test.reason);
        }
        m_server.stop();
    }

    qunsetenv("VELTRANE_HELPER_TIMEOUT_MS");

    // Nobody listens at all.
    EXPECT_FALSE(Load(QStringLiteral("http://127.0.0.1:9/")));
    ExpectBox("refused the connection");
}

// The program stops waiting for a helper after its time limit and leaves it a stop request when
// the kind's bridge goes (at the next load): the helper must end and leave no data file behind.
TEST_F(FaultMatrixTest, AHelperLeftRunningIsAskedToStopAndLeavesNothing)
{
    StartServer({QStringLiteral("--latency-ms"), QStringLiteral("400")});
    const ServerTable before = Snapshot();
    CxSGDataReader::SetAllWaitLimitsForTesting(500);
    EXPECT_FALSE(Load(m_server.baseUrl()));
    ExpectBox("Quorvel.SGAddrUtil.exe did not finish within 500 milliseconds");
    const std::string statusIni = DataFolder() + "SGAddr.ini";
    char szRunning[8] = "";
    plat::GetPrivateProfileString("Status", "Running", "", szRunning, sizeof szRunning, statusIni.c_str());
    EXPECT_STREQ(szRunning, "1") << "the helper was expected to be still at work";

    FreeWorkSet();
    EXPECT_TRUE(WaitUntil(
        [&] {
            plat::GetPrivateProfileString("Status", "Running", "", szRunning, sizeof szRunning, statusIni.c_str());
            return std::string(szRunning) == "0";
        },
        20000));
    EXPECT_FALSE(fs::exists(DataFolder() + "SGAddr.dat"));
    EXPECT_EQ(Snapshot(), before);

    // Given its time, the same server loads.
    CxSGDataReader::SetAllWaitLimitsForTesting(0);
    EXPECT_TRUE(Load(m_server.baseUrl()));
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(FaultMatrixTest, ServerFaultsDuringTheSubmissionNameWhatIsLeft)
{
    const QStringList cases[] = {
        {QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--fail-request"),
         QStringLiteral("2")},
        {QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--garbage-request"),
         QStringLiteral("1,3")},
        {QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--cut-request"),
         QStringLiteral("2")},
        // The snapshot logs in first, the load second: the third login is the submission's.
        {QStringLiteral("--fault-method"), QStringLiteral("login"), QStringLiteral("--fail-request"),
         QStringLiteral("3")},
        // Expires in the middle of the deletions, more than once.
        {QStringLiteral("--session-expires-after"), QStringLiteral("12")},
        // Carried out, but every answer to one deletion and its three retries comes too late.
        {QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--delay-request"),
         QStringLiteral("2-5"), QStringLiteral("--delay-ms"), QStringLiteral("3000")},
    };
    qputenv("VELTRANE_HELPER_TIMEOUT_MS", "2000");
    for (const QStringList& arguments : cases) {
        StartServer(arguments);
        const ServerTable before = Snapshot();
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        ASSERT_TRUE(Load(m_server.baseUrl()));
        std::multiset<std::string> ticked;
        DeleteTicked(ticked);
        ASSERT_GT(ticked.size(), 2u);
        ExpectHonestOutcome(before, ticked);
        if (arguments.contains(QStringLiteral("--fail-request")) ||
            arguments.contains(QStringLiteral("--garbage-request"))) {
            EXPECT_NE(Memo().find("Submitting the contact deletions to SugarCRM failed: "), std::string::npos);
        }
        BackToLogin();
        m_server.stop();
    }
    qunsetenv("VELTRANE_HELPER_TIMEOUT_MS");
}

TEST_F(FaultMatrixTest, AFullDiskOrAnUnwritableLogLosesNothing)
{
    StartServer({});
    ServerTable before = Snapshot();
    ASSERT_TRUE(Load(m_server.baseUrl()));
    std::multiset<std::string> ticked;
    // The data file cannot be written back: nothing reaches the server, and the memo says so.
    fs::remove(DataFolder() + "SGAddr.dat");
    fs::create_symlink("/dev/full", DataFolder() + "SGAddr.dat");
    DeleteTicked(ticked);
    EXPECT_NE(Memo().find("Submitting the contact deletions to SugarCRM failed: the data file could not be written."),
              std::string::npos);
    ExpectHonestOutcome(before, ticked);
    EXPECT_EQ(Lines(Memo(), "\tNot deleted: ").size(), ticked.size());
    fs::remove(DataFolder() + "SGAddr.dat");
    BackToLogin();

    // A log that cannot be written stops nothing.
    DebugLog.EnableLog(true);
    fs::remove(DataFolder() + "appdebug.log");
    fs::create_symlink("/dev/full", DataFolder() + "appdebug.log");
    before = Snapshot();
    ASSERT_TRUE(Load(m_server.baseUrl()));
    std::multiset<std::string> tickedAgain;
    DeleteTicked(tickedAgain);
    ExpectHonestOutcome(before, tickedAgain);
    EXPECT_EQ(Memo().find("failed"), std::string::npos) << Memo();
    DebugLog.EnableLog(false);
    fs::remove(DataFolder() + "appdebug.log");
}

// Random data sets of contacts with duplicates, case variants and empty values, random unticks
// and at random one fault in the submission, in a deletion batch, its read-back or a single one.
TEST_F(FaultMatrixTest, RandomRunsNeverLoseOrMisreportARecord)
{
    const char* szSeeds = std::getenv("VELTRANE_FAULT_SEEDS");
    const int nSeeds = szSeeds != nullptr ? std::atoi(szSeeds) : 20;
    const char* const firsts[] = {"Ann", "ann", "Bob", "", "Eve"};
    const char* const lasts[] = {"Lee", "LEE", "Ray", "Moss"};
    const char* const mails[] = {"", "a@x.org", "b@x.org", "A@x.org"};
    int nDeletedTotal = 0;
    for (int nSeed = 1; nSeed <= nSeeds; ++nSeed) {
        std::mt19937 random(static_cast<unsigned>(nSeed));
        QStringList arguments;
        const int nFault = static_cast<int>(random() % 5);
        const QString nth = QString::number(1 + random() % 4);
        // Contacts go in set_entries batches read back with get_entries; a record a batch leaves
        // goes alone with set_entry.
        const char* const methods[] = {"set_entry", "set_entries", "get_entries"};
        const QString method = QLatin1String(methods[random() % 3]);
        if (nFault == 1)
            arguments << QStringLiteral("--fault-method") << method << QStringLiteral("--fail-request") << nth;
        else if (nFault == 2)
            arguments << QStringLiteral("--fault-method") << method << QStringLiteral("--garbage-request") << nth;
        else if (nFault == 3)
            arguments << QStringLiteral("--fault-method") << method << QStringLiteral("--cut-request") << nth;
        else if (nFault == 4)
            arguments << QStringLiteral("--fault-method") << QStringLiteral("login") << QStringLiteral("--fail-request")
                      << QStringLiteral("3");
        // The data set goes in first, through a server without faults, so that the fault counts
        // only what the helpers send.
        const QString database = QString::fromStdString(m_dir.path() + "seed" + std::to_string(nSeed) + ".sqlite");
        QString error;
        ASSERT_TRUE(m_server.start({QStringLiteral("--db"), database}, &error)) << error.toStdString();
        {
            RestClient client(m_server.baseUrl());
            const QString session = client.login(QStringLiteral("admin"));
            const int nContacts = 5 + static_cast<int>(random() % 20);
            for (int i = 0; i < nContacts; ++i) {
                const QJsonArray fields{QJsonObject{{QStringLiteral("name"), QStringLiteral("first_name")},
                                                    {QStringLiteral("value"), QLatin1String(firsts[random() % 5])}},
                                        QJsonObject{{QStringLiteral("name"), QStringLiteral("last_name")},
                                                    {QStringLiteral("value"), QLatin1String(lasts[random() % 4])}},
                                        QJsonObject{{QStringLiteral("name"), QStringLiteral("email1")},
                                                    {QStringLiteral("value"), QLatin1String(mails[random() % 4])}}};
                const QJsonArray args{session, QStringLiteral("Contacts"), fields};
                ASSERT_EQ(
                    client.call(QStringLiteral("set_entry"), QJsonDocument(args).toJson(QJsonDocument::Compact)).status,
                    200);
            }
        }
        m_server.stop();
        arguments << QStringLiteral("--db") << database;
        ASSERT_TRUE(m_server.start(arguments, &error)) << error.toStdString();
        // The snapshot's own requests are counted too, but they send no set_entry and only the
        // first login.
        const ServerTable before = Snapshot();
        SCOPED_TRACE("seed " + std::to_string(nSeed) + ", fault " + std::to_string(nFault));
        ASSERT_TRUE(Load(m_server.baseUrl()));
        auto* pList = Get<QTreeView>("lvAddr");
        for (int nRow = 0; nRow < pList->model()->rowCount(); ++nRow) {
            if (random() % 3 == 0)
                Tick(pList, nRow, false);
        }
        std::multiset<std::string> ticked;
        DeleteTicked(ticked);
        // With nothing ticked no helper runs, and a login fault would hit the check's own login.
        if (!ticked.empty() || nFault != 4) {
            ExpectHonestOutcome(before, ticked);
            nDeletedTotal += static_cast<int>(before.size() - Snapshot().size());
        }
        BackToLogin();
        m_server.stop();
        if (HasFailure()) {
            ADD_FAILURE() << "seed " << nSeed << " (fault " << nFault << ")";
            break;
        }
    }
    std::printf("%d seeds, %d records deleted\n", nSeeds, nDeletedTotal);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Every box is taken down for the case to judge: a fault is told to the user through one.
    MessageBox::EnableTestMode([](const QString& description) {
        const qsizetype nQuote = description.indexOf(QLatin1Char('"'));
        g_boxes.push_back(description.mid(nQuote + 1, description.size() - nQuote - 2).toStdString());
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
