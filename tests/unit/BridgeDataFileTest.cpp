// SPDX-License-Identifier: MIT
#include "StandinSupport.h"
#include "TempDir.h"

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "SugarCRM/ParamFileReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace
{

using ByteVector = std::vector<unsigned char>;

// Data file items, little-endian, put together by hand.
class Items
{
public:
    Items& Int(int32_t nValue) { return Raw(static_cast<uint32_t>(nValue), 4); }
    Items& Real(double dValue)
    {
        uint64_t nBits = 0;
        std::memcpy(&nBits, &dValue, sizeof nBits);
        return Raw(nBits, 8);
    }
    Items& Flag(uint8_t bValue) { return Raw(bValue, 4); }
    Items& Str(const std::string& text)
    {
        Int(static_cast<int32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    std::size_t Size() const { return m_bytes.size(); }
    const ByteVector& Bytes() const { return m_bytes; }

private:
    Items& Raw(uint64_t nValue, int nCount)
    {
        for (int i = 0; i < nCount; ++i)
            m_bytes.push_back(static_cast<unsigned char>(nValue >> (8 * i)));
        return *this;
    }
    ByteVector m_bytes;
};

void AddContact(Items& items, int32_t nStatus, const std::string& first, const std::string& last)
{
    items.Int(nStatus).Int(5).Int(2).Str("c0a8e2d4-7b1f-4e2a-9d3c-1f2e3d4c5b6a").Str("Ms.").Str(first).Str(last);
    items.Str("Chief Analyst").Str("Research").Flag(1).Str("+44 20 7946 0018").Str("+44 20 7946 0019");
    items.Str("+44 7700 900123").Str("").Str("+44 20 7946 0020").Str(first + "@example.org");
    items.Str("ada.l@example.com").Str("al@example.net").Str("12 St James's Square").Str("London");
    items.Str("Greater London").Str("SW1Y 4JH").Str("United Kingdom").Str("Ockham Park").Str("Ripley");
    items.Str("Surrey").Str("GU23 6NE").Str("UK").Str("Charles Babbage").Str("+44 20 7946 0021");
    items.Str("Conference").Str("https://example.org/").Real(-6.5).Str("Wrote the first program.\r\nTwice.");
    items.Real(45123.25).Real(45200.75);
}

// The texts joined with '|', to check many fields at once.
std::string Join(std::initializer_list<const char*> texts)
{
    std::string joined;
    for (const char* text : texts)
        joined += std::string("|") + text;
    return joined.substr(1);
}

// The messages of the log, in order, that equal one of `wanted`.
std::vector<std::string> Only(const std::vector<std::string>& messages, const std::vector<std::string>& wanted)
{
    std::vector<std::string> found;
    for (const std::string& message : messages) {
        for (const std::string& text : wanted) {
            if (message == text)
                found.push_back(message);
        }
    }
    return found;
}

} // namespace

class BridgeDataFile : public ::testing::Test
{
protected:
    template <class Bridge> void Point(Bridge& bridge) { bridge.SetWorkFolder(dir.path().c_str()); }

    // Reads `bytes` as the kind's data file, expects `nRecords` records and writes them back.
    template <class Bridge> ByteVector ReadAndWriteBack(Bridge& bridge, const ByteVector& bytes, uint32_t nRecords)
    {
        Point(bridge);
        const std::string path = dir.file(bridge.GetDataFileName());
        WriteBytes(path, bytes);
        EXPECT_TRUE(bridge.ReadDataFile());
        EXPECT_EQ(bridge.GetRecordCount(), nRecords);
        EXPECT_EQ(bridge.GetStore()->GetEntryCount(), nRecords);
        std::remove(path.c_str());
        EXPECT_TRUE(bridge.WriteDataFile());
        return ReadBytes(path);
    }

    TempDir dir;
    ScopedTestLog log{dir.path()};
};

TEST_F(BridgeDataFile, EmptyRecordsHaveTheirFixedSizes)
{
    // Every item of a record with all fields empty or zero is zero bytes.
    auto emptyFile = [](std::size_t nRecordSize) {
        ByteVector bytes(4 + nRecordSize, 0);
        bytes[0] = 1;
        return bytes;
    };
    CxSGAddrUtil addr;
    EXPECT_EQ(ReadAndWriteBack(addr, emptyFile(156), 1), emptyFile(156));
    CxSGDateUtil date;
    EXPECT_EQ(ReadAndWriteBack(date, emptyFile(104), 1), emptyFile(104));
    CxSGTaskUtil task;
    EXPECT_EQ(ReadAndWriteBack(task, emptyFile(76), 1), emptyFile(76));
    CxSGNoteUtil note;
    EXPECT_EQ(ReadAndWriteBack(note, emptyFile(8), 1), emptyFile(8));
}

TEST_F(BridgeDataFile, ContactsLandInTheirFieldsAndWriteBackUnchanged)
{
    Items items;
    items.Int(2);
    AddContact(items, 0, "Ada", "Lovelace");
    AddContact(items, 7, "Grace", "Hopper");

    CxSGAddrUtil bridge;
    EXPECT_EQ(ReadAndWriteBack(bridge, items.Bytes(), 2), items.Bytes());

    const SGAddrRecord& r = *bridge.GetRecord(0);
    EXPECT_EQ(Join({r.szId, r.szSalutation, r.szFirstName, r.szLastName, r.szJobTitle, r.szDepartment}),
              "c0a8e2d4-7b1f-4e2a-9d3c-1f2e3d4c5b6a|Ms.|Ada|Lovelace|Chief Analyst|Research");
    EXPECT_EQ(Join({r.szWorkPhone, r.szHomePhone, r.szMobilePhone, r.szOtherPhone, r.szFax}),
              "+44 20 7946 0018|+44 20 7946 0019|+44 7700 900123||+44 20 7946 0020");
    EXPECT_EQ(Join({r.szEmail1, r.szEmail2, r.szEmail3}), "Ada@example.org|ada.l@example.com|al@example.net");
    EXPECT_EQ(Join({r.szPrimaryStreet, r.szPrimaryCity, r.szPrimaryState, r.szPrimaryPostalCode, r.szPrimaryCountry}),
              "12 St James's Square|London|Greater London|SW1Y 4JH|United Kingdom");
    EXPECT_EQ(Join({r.szAltStreet, r.szAltCity, r.szAltState, r.szAltPostalCode, r.szAltCountry}),
              "Ockham Park|Ripley|Surrey|GU23 6NE|UK");
    EXPECT_EQ(Join({r.szAssistantName, r.szAssistantPhone, r.szLeadSource, r.szWebsite, r.szDescription}),
              "Charles Babbage|+44 20 7946 0021|Conference|https://example.org/|Wrote the first program.\r\nTwice.");
    EXPECT_EQ(std::vector<double>({1.0 * r.nStatus, 1.0 * r.nAux, 1.0 * r.nType, 1.0 * r.bDoNotCall, r.dtBirthDate,
                                   r.dtCreated, r.dtModified}),
              std::vector<double>({0, 5, 2, 1, -6.5, 45123.25, 45200.75}));
    EXPECT_EQ(bridge.GetRecord(1)->nStatus, 7);
    EXPECT_STREQ(bridge.GetRecord(1)->szLastName, "Hopper");
}

TEST_F(BridgeDataFile, EventsAndTasksLandInTheirFieldsAndWriteBackUnchanged)
{
    Items items;
    items.Int(1).Int(1).Int(9).Int(4).Str("ev-1").Str("Quarterly review").Real(45300.375).Real(45300.4375);
    items.Int(-3).Int(60).Str("Planned").Str("aux one").Real(45299.5).Str("contact-17").Str("user-2");
    items.Str("Room 4.12").Str("a2").Str("a3").Str("a4").Str("Bring the figures.").Real(45290.1).Real(45291.2);

    CxSGDateUtil date;
    EXPECT_EQ(ReadAndWriteBack(date, items.Bytes(), 1), items.Bytes());
    const SGDateRecord& r = *date.GetRecord(0);
    EXPECT_EQ(Join({r.szId, r.szSubject, r.szStatus, r.szAux1, r.szContactId, r.szAssignedId, r.szLocation, r.szAux2,
                    r.szAux3, r.szAux4, r.szDescription}),
              "ev-1|Quarterly review|Planned|aux one|contact-17|user-2|Room 4.12|a2|a3|a4|Bring the figures.");
    EXPECT_EQ(std::vector<double>({1.0 * r.nStatus, 1.0 * r.nAux, 1.0 * r.nType, r.dtStart, r.dtEnd, 1.0 * r.nAux1,
                                   1.0 * r.nAux2, r.dtAux, r.dtCreated, r.dtModified}),
              std::vector<double>({1, 9, 4, 45300.375, 45300.4375, -3, 60, 45299.5, 45290.1, 45291.2}));

    Items tasks;
    tasks.Int(1).Int(0).Int(12).Str("task-9").Str("Call back").Str("About the invoice.").Real(45000.0).Real(45010.5);
    tasks.Flag(1).Flag(0).Str("In Progress").Str("High").Str("contact-3").Str("user-1").Real(44990.25).Real(44995.75);

    CxSGTaskUtil task;
    EXPECT_EQ(ReadAndWriteBack(task, tasks.Bytes(), 1), tasks.Bytes());
    const SGTaskRecord& t = *task.GetRecord(0);
    EXPECT_EQ(Join({t.szId, t.szSubject, t.szDescription, t.szStatus, t.szPriority, t.szContactId, t.szAssignedId}),
              "task-9|Call back|About the invoice.|In Progress|High|contact-3|user-1");
    EXPECT_EQ(std::vector<double>({1.0 * t.nStatus, 1.0 * t.nAux, t.dtAux, t.dtDue, 1.0 * t.byAux1, 1.0 * t.byAux2,
                                   t.dtCreated, t.dtModified}),
              std::vector<double>({0, 12, 45000.0, 45010.5, 1, 0, 44990.25, 44995.75}));
}

TEST_F(BridgeDataFile, NotesLoadAndLinkToTheirEntries)
{
    const ByteVector bytes = {2, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0, 9, 0, 0, 0};
    CxSGNoteUtil bridge;
    EXPECT_EQ(ReadAndWriteBack(bridge, bytes, 2), bytes);
    EXPECT_EQ(bridge.GetRecord(0)->nAux, 7);
    EXPECT_EQ(bridge.GetRecord(1)->nStatus, 3);
    EXPECT_EQ(bridge.GetRecord(1)->nAux, 9);

    CommNoteMgr* pStore = bridge.GetStore();
    uint32_t i = 0;
    for (CommNoteEntry* pEntry = pStore->GetFirstEntry(); pEntry != nullptr; pEntry = pStore->GetNextEntry(), ++i) {
        SGNoteRecord* pRecord = bridge.GetRecord(i);
        EXPECT_EQ(pEntry->nSource, SOURCE_SUGARCRM);
        EXPECT_EQ(pEntry->pRecord, pRecord);
        EXPECT_EQ(pEntry->nRecordSize, 0u);
        EXPECT_EQ(pRecord->pCommEntry, pEntry);
        EXPECT_EQ(pRecord->dwFlags, 0u);
        EXPECT_EQ(pRecord->pStoreEntry, nullptr);
    }
    EXPECT_EQ(i, 2u);
}

TEST_F(BridgeDataFile, MarkingOneOfThreeWritesAllThree)
{
    Items items;
    items.Int(3);
    AddContact(items, 0, "Ada", "Lovelace");
    const std::size_t nSecond = items.Size();
    AddContact(items, 1, "Grace", "Hopper");
    AddContact(items, 0, "Alan", "Turing");

    CxSGAddrUtil bridge;
    Point(bridge);
    WriteBytes(dir.file("SGAddr.dat"), items.Bytes());
    ASSERT_TRUE(bridge.ReadDataFile());
    CommAddrMgr* pStore = bridge.GetStore();
    pStore->GetFirstEntry();
    EXPECT_TRUE(bridge.MarkDeleted(pStore->GetNextEntry(), false));
    EXPECT_TRUE(bridge.IsChanged());
    ASSERT_TRUE(bridge.WriteDataFile());

    ByteVector expected = items.Bytes();
    expected[nSecond] = 3;
    EXPECT_EQ(ReadBytes(dir.file("SGAddr.dat")), expected);
    EXPECT_EQ(bridge.GetRecordCount(), 3u);
}

TEST_F(BridgeDataFile, MarkAndSubmitPaths)
{
    CxSGNoteUtil bridge;
    Point(bridge);
    const ByteVector three = {3, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0};
    const std::string params = dir.file("SGNoteParam.dat");
    WriteBytes(dir.file("SGNote.dat"), three);
    ASSERT_TRUE(bridge.ReadDataFile());
    EXPECT_FALSE(bridge.MarkDeleted(nullptr, false));

    // Nothing marked yet, but a new bridge counts as changed: this submit runs the helper.
    EXPECT_TRUE(bridge.Submit());
    EXPECT_FALSE(bridge.IsChanged());
    EXPECT_EQ(bridge.GetOperation(), 2);
    // The helper has exited: the password is no longer on disk.
    EXPECT_FALSE(std::filesystem::exists(params));
    CommNoteEntry bare;
    EXPECT_TRUE(bridge.MarkDeleted(&bare, false));
    EXPECT_FALSE(bridge.IsChanged());
    EXPECT_TRUE(bridge.Submit());
    EXPECT_FALSE(std::filesystem::exists(params));
    EXPECT_EQ(log.Messages().back(), "There is no new changes and no need to submit information to server.");

    // Submitting at once sends the mark, then drops the record and its entry.
    EXPECT_TRUE(bridge.MarkDeleted(bridge.GetRecord(1)->pCommEntry, true));
    EXPECT_FALSE(bridge.IsChanged());
    ByteVector sent = three;
    sent[12] = 3;
    EXPECT_EQ(ReadBytes(dir.file("SGNote.dat")), sent);
    ASSERT_EQ(bridge.GetRecordCount(), 2u);
    EXPECT_EQ(bridge.GetRecord(1)->nAux, 9);
    CommNoteMgr* pStore = bridge.GetStore();
    EXPECT_EQ(pStore->GetEntryCount(), 2u);
    EXPECT_EQ(pStore->GetFirstEntry()->pRecord, bridge.GetRecord(0));
    EXPECT_EQ(pStore->GetNextEntry()->pRecord, bridge.GetRecord(1));
}

TEST_F(BridgeDataFile, ForgedCountStopsAtTheEndOfTheFile)
{
    CxSGNoteUtil bridge;
    Point(bridge);
    WriteBytes(dir.file("SGNote.dat"), {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0});
    EXPECT_TRUE(bridge.ReadDataFile());
    EXPECT_EQ(bridge.GetRecordCount(), 2u);
    EXPECT_EQ(bridge.GetStore()->GetEntryCount(), 2u);

    bool bLogged = false;
    for (const ScopedTestLog::Line& line : log.Lines()) {
        if (line.message == "The data file ended after 2 of 2147483647 records.")
            bLogged = line.mark == "!!!";
    }
    EXPECT_TRUE(bLogged);
}

TEST_F(BridgeDataFile, DamagedRecordsKeepWhatTheFileHolds)
{
    // The first contact ends after its salutation; the second never starts.
    Items cut;
    cut.Int(2).Int(3).Int(1).Int(2).Str("id-1").Str("Dr.");
    CxSGAddrUtil bridge;
    Point(bridge);
    WriteBytes(dir.file("SGAddr.dat"), cut.Bytes());
    EXPECT_TRUE(bridge.ReadDataFile());
    ASSERT_EQ(bridge.GetRecordCount(), 1u);
    const SGAddrRecord& r = *bridge.GetRecord(0);
    EXPECT_EQ(r.nStatus, 3);
    EXPECT_STREQ(r.szSalutation, "Dr.");
    EXPECT_STREQ(r.szFirstName, "");
    EXPECT_EQ(r.bDoNotCall, 0);
    EXPECT_STREQ(r.szDescription, "");
    EXPECT_EQ(r.dtModified, 0.0);
    EXPECT_EQ(log.Messages().back(), "Load SugarCRM Contacts information from file successfully.");
    EXPECT_EQ(Only(log.Messages(), {"The data file ended after 1 of 2 records."}).size(), 1u);

    // A text longer than its field is cut and the items after it stay in step.
    Items longId;
    longId.Int(1).Int(0).Int(0).Str(std::string(50, 'x')).Str("Call back").Str("Soon.");
    CxSGTaskUtil task;
    Point(task);
    WriteBytes(dir.file("SGTask.dat"), longId.Bytes());
    EXPECT_TRUE(task.ReadDataFile());
    EXPECT_EQ(std::string(task.GetRecord(0)->szId), std::string(39, 'x'));
    EXPECT_STREQ(task.GetRecord(0)->szSubject, "Call back");
    EXPECT_STREQ(task.GetRecord(0)->szDescription, "Soon.");
}

TEST_F(BridgeDataFile, MissingFileAndOverlongFolderFail)
{
    CxSGTaskUtil bridge;
    Point(bridge);
    EXPECT_FALSE(bridge.ReadDataFile());
    ASSERT_FALSE(log.Lines().empty());
    EXPECT_EQ(log.Lines().back().mark, "!!!");
    EXPECT_EQ(log.Lines().back().message, "Failed to open file: " + dir.file("SGTask.dat"));

    // Folder and name need more than 259 characters: refused, rather than cut into another name
    // in the same folder.
    bridge.SetDataFileName(std::string(255, 'd').c_str());
    EXPECT_FALSE(bridge.WriteDataFile());
    EXPECT_EQ(log.Lines().back().mark, "!!!");
    EXPECT_FALSE(bridge.ReadDataFile());
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(item.path().filename(), "appdebug.log");
}

TEST_F(BridgeDataFile, EachKindLogsItsOwnTexts)
{
    auto check = [this](auto& bridge, const std::string& kind, const std::string& noun) {
        Point(bridge);
        const std::string file = bridge.GetDataFileName();
        WriteStandinScript(dir.path(), file.substr(2, 4), "write-data-hex 00000000\n");
        EXPECT_TRUE(bridge.Load());
        EXPECT_TRUE(bridge.WriteDataFile());
        const std::vector<std::string> texts = {
            "Start loading SugarCRM " + kind + ".",
            "Start loading SugarCRM " + kind + " from temperary file: " + file,
            "There are 0 " + noun + " records in total.",
            "Load SugarCRM " + kind + " information from file successfully.",
            "Load SugarCRM " + kind + " information successfully.",
            "Start saving SugarCRM " + kind + " information to file: " + file,
            "Save SugarCRM " + kind + " information to file successfully.",
        };
        std::vector<std::string> expected = texts;
        expected.insert(expected.end() - 1, texts[2]);
        EXPECT_EQ(Only(log.Messages(), texts), expected) << kind;
        std::remove(dir.file("appdebug.log").c_str());
    };
    CxSGAddrUtil addr;
    check(addr, "Contacts", "Contact");
    CxSGDateUtil date;
    check(date, "Calendar", "Calendar event");
    CxSGTaskUtil task;
    check(task, "Tasks", "Tasks");
    CxSGNoteUtil note;
    check(note, "Notes", "Notes");
}

TEST_F(BridgeDataFile, CalendarHelperGetsFourMoreParameters)
{
    CxSGDateUtil date;
    Point(date);
    WriteStandinScript(dir.path(), "Date", "record\n");
    EXPECT_FALSE(date.Load());
    EXPECT_EQ(log.Lines().back().mark, "!!!");
    EXPECT_EQ(log.Lines().back().message, "Failed to load SugarCRM Calendar information.");

    ParamFileReader params;
    ASSERT_TRUE(params.Load(dir.file("SGDateParamCopy.dat").c_str()));
    const std::vector<ParamFileEntry>& entries = params.GetEntries();
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[11].nTag, 1011);
    const char* values[] = {"0", "0", "1", "1"};
    for (std::size_t i = 0; i < 4; ++i) {
        const int32_t nTag = 1201 + static_cast<int32_t>(i);
        std::string text;
        EXPECT_EQ(entries[12 + i].nTag, nTag);
        EXPECT_EQ(entries[12 + i].nType, 8);
        EXPECT_TRUE(params.GetText(nTag, text));
        EXPECT_EQ(text, values[i]);
    }

    CxSGTaskUtil task;
    Point(task);
    WriteStandinScript(dir.path(), "Task", "record\n");
    task.Load();
    ASSERT_TRUE(params.Load(dir.file("SGTaskParamCopy.dat").c_str()));
    ASSERT_EQ(params.GetEntries().size(), 12u);
    EXPECT_EQ(params.GetEntries().back().nTag, 1011);
}

TEST_F(BridgeDataFile, FullDiskFailsTheWriteAndKeepsTheMarksPending)
{
    CxSGNoteUtil bridge;
    Point(bridge);
    WriteBytes(dir.file("SGNote.dat"), {1, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0});
    ASSERT_TRUE(bridge.ReadDataFile());
    ASSERT_TRUE(bridge.MarkDeleted(bridge.GetRecord(0)->pCommEntry, false));

#ifndef _WIN32
    // /dev/full takes the open and refuses every byte, as a full disk does.
    std::filesystem::remove(dir.file("SGNote.dat"));
    std::filesystem::create_symlink("/dev/full", dir.file("SGNote.dat"));
    EXPECT_FALSE(bridge.WriteDataFile());
    EXPECT_FALSE(bridge.Submit());
    EXPECT_TRUE(bridge.IsChanged());
    EXPECT_FALSE(std::filesystem::exists(dir.file("SGNoteParam.dat")));
    EXPECT_EQ(log.Messages().back(), "Can not save information to temperary file.");
    // Nothing reached the server, and the mark says so.
    EXPECT_NE(bridge.GetRecord(0)->dwFlags & REC_NOT_DELETED, 0u);
    EXPECT_TRUE(bridge.IsSubmitOutcomeKnown());
    // The submit-now path checks the same write.
    EXPECT_FALSE(bridge.MarkDeleted(bridge.GetRecord(0)->pCommEntry, true));
    EXPECT_EQ(bridge.GetRecordCount(), 1u);
#endif
}
