// SPDX-License-Identifier: MIT
// Strict e-mail and normalised comparison in the match rules, and the match reasons held against
// the rules they explain.
#include "RuleSwitches.h"
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/MatchReason.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{

// A text in the ANSI code page, so that the cases hold on Windows as well.
std::string Ansi(const char16_t* szText)
{
    return plat::WideToAnsi(szText, 256);
}

class MatchOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = AppSettings;
        for (bool AppSettingsData::*pSwitch : AllRuleSwitches())
            AppSettings.*pSwitch = false;
        AppSettings.AddrStrictEmail = AppSettings.NormaliseCompare = false;
    }
    void TearDown() override { AppSettings = m_saved; }

    // Whether two contacts match on the one field under the one rule switch.
    template <std::size_t N>
    bool SameOn(bool AppSettingsData::*pSwitch, char (SGAddrRecord::*pField)[N], const std::string& text1,
                const std::string& text2)
    {
        AppSettings.*pSwitch = true;
        SGAddrRecord a;
        SGAddrRecord b;
        CopyText(a.*pField, text1.c_str());
        CopyText(b.*pField, text2.c_str());
        return IsSameAddr(&a, &b);
    }

    bool SameEmails(std::initializer_list<const char*> emails1, std::initializer_list<const char*> emails2)
    {
        AppSettings.AddrEmail = true;
        SGAddrRecord a;
        SGAddrRecord b;
        char(SGAddrRecord::*slots[])[64] = {&SGAddrRecord::szEmail1, &SGAddrRecord::szEmail2, &SGAddrRecord::szEmail3};
        std::size_t s = 0;
        for (const char* szEmail : emails1)
            CopyText(a.*slots[s++], szEmail);
        s = 0;
        for (const char* szEmail : emails2)
            CopyText(b.*slots[s++], szEmail);
        return IsSameAddr(&a, &b);
    }

    AppSettingsData m_saved = {};
};

} // namespace

TEST_F(MatchOptionsTest, NormalisedTextsFoldBlanksAndUnicodeCase)
{
    AppSettings.NormaliseCompare = true;
    EXPECT_EQ(CompareText("  Jean \t Paul ", "jean paul"), 0);
    EXPECT_NE(CompareText("Jean Paul", "JeanPaul"), 0);
    EXPECT_EQ(CompareText(Ansi(u"\u00C9LODIE").c_str(), Ansi(u"\u00E9lodie").c_str()), 0);
    // Full folding: the sharp s reads as "ss".
    EXPECT_EQ(CompareText("STRASSE", Ansi(u"stra\u00DFe").c_str()), 0);
    EXPECT_NE(CompareText("STRASE", Ansi(u"stra\u00DFe").c_str()), 0);
    EXPECT_EQ(CompareText(Ansi(u"\u00A0x\u00A0").c_str(), "x"), 0);
    if (plat::AnsiIsUtf8()) {
        // Letters beyond Latin-1, a final sigma, other blanks; invalid bytes compare as themselves.
        EXPECT_EQ(CompareText("\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82"), 0);
        EXPECT_EQ(CompareText("\xE3\x80\x80x\xE2\x80\x83y", "x y"), 0);
        EXPECT_NE(CompareText("\xC9mile", "\xE9mile"), 0);
        EXPECT_EQ(CompareText(" \xC9mile", "\xC9MILE "), 0);
        EXPECT_NE(CompareText("\xC3", "\xC3\xA9"), 0);
    }
    AppSettings.CaseSensitive = true;
    EXPECT_NE(CompareText(Ansi(u"\u00C9LODIE").c_str(), Ansi(u"\u00E9LODIE").c_str()), 0);
    EXPECT_EQ(CompareText(" a  b", "a b"), 0);
    // A text of blanks is empty once normalised, under the empty-value rule either way.
    AppSettings.CaseSensitive = false;
    EXPECT_EQ(CompareText(" \t ", "x"), 0);
    AppSettings.CompareEmpty = true;
    EXPECT_NE(CompareText(" \t ", "x"), 0);
    EXPECT_EQ(CompareText(" \t ", ""), 0);
    // Off, nothing changes.
    AppSettings.NormaliseCompare = false;
    EXPECT_NE(CompareText(Ansi(u"\u00C9LODIE").c_str(), Ansi(u"\u00E9lodie").c_str()), 0);
    EXPECT_NE(CompareText("a b", "a  b"), 0);
    EXPECT_NE(CompareText(" ", ""), 0);
}

TEST_F(MatchOptionsTest, PhonesCompareOnDigitsWithTheirLeadingPlus)
{
    auto pWork = &SGAddrRecord::szWorkPhone;
    EXPECT_FALSE(SameOn(&AppSettingsData::AddrPhone, pWork, "+49 (30) 123-45", "+493012345"));
    AppSettings.NormaliseCompare = true;
    EXPECT_TRUE(SameOn(&AppSettingsData::AddrPhone, pWork, "+49 (30) 123-45", "+493012345"));
    EXPECT_TRUE(SameOn(&AppSettingsData::AddrPhone, pWork, "(+49) 30-1", "+49301"));
    EXPECT_FALSE(SameOn(&AppSettingsData::AddrPhone, pWork, "49301", "+49301"));
    EXPECT_FALSE(SameOn(&AppSettingsData::AddrPhone, pWork, "0049 301", "+49 301"));
    EXPECT_FALSE(SameOn(&AppSettingsData::AddrPhone, pWork, "+1 555 0100", "+1 555 0101"));
    EXPECT_TRUE(SameOn(&AppSettingsData::AddrPhone, &SGAddrRecord::szFax, "030/12 34", "0301234"));
    EXPECT_TRUE(SameOn(&AppSettingsData::AddrPhone, &SGAddrRecord::szMobilePhone, "0170 1", "01701"));
    // Without a digit a phone reads as empty and matches anything under the empty-value rule.
    EXPECT_TRUE(SameOn(&AppSettingsData::AddrPhone, pWork, "n/a", "0301"));
    // Names are not read as phone numbers.
    EXPECT_FALSE(SameOn(&AppSettingsData::AddrLastName, &SGAddrRecord::szLastName, "O'Neil 2", "ONeil2"));
}

TEST_F(MatchOptionsTest, EmailsLoseOnlyTheirSurroundingBlanks)
{
    // The other slots differ, so that only the first can hold.
    auto same = [this](const char* szEmail1, const char* szEmail2) {
        return SameEmails({szEmail1, "p@x.com", "q@x.com"}, {szEmail2, "r@x.com", "s@x.com"});
    };
    EXPECT_FALSE(same(" ann@example.com\t", "ann@example.com"));
    AppSettings.NormaliseCompare = true;
    EXPECT_TRUE(same(" ann@example.com\t", "ANN@example.com"));
    EXPECT_FALSE(same("ann @example.com", "ann@example.com"));
    EXPECT_FALSE(same("ann  @example.com", "ann @example.com"));
    EXPECT_TRUE(same("ann \t@x.com ", " ann \t@x.com"));
}

TEST_F(MatchOptionsTest, StrictEmailNeedsOneSharedAddressInAnySlot)
{
    // Without it, an empty slot on either side lets different addresses through.
    EXPECT_TRUE(SameEmails({"a@x.com", ""}, {"b@x.com", ""}));
    AppSettings.AddrStrictEmail = true;
    EXPECT_FALSE(SameEmails({"a@x.com", ""}, {"b@x.com", ""}));
    EXPECT_TRUE(SameEmails({"a@x.com", ""}, {"", "A@x.com"}));
    EXPECT_TRUE(SameEmails({"a@x.com", "b@x.com", "c@x.com"}, {"c@x.com", "d@x.com", "e@x.com"}));
    // Either record without an address: the rule holds as before.
    EXPECT_TRUE(SameEmails({"", "", ""}, {"b@x.com", ""}));
    AppSettings.CompareEmpty = true;
    EXPECT_TRUE(SameEmails({"a@x.com", "w@x.com", ""}, {"", "a@x.com", "v@x.com"}));
    EXPECT_TRUE(SameEmails({"", "", ""}, {"b@x.com", "", ""}));
    EXPECT_FALSE(SameEmails({"", "", ""}, {"b@x.com", "c@x.com", "d@x.com"}));
    AppSettings.CompareEmpty = false;
    // A blank address is an address unless normalised.
    EXPECT_FALSE(SameEmails({" ", ""}, {"b@x.com", ""}));
    AppSettings.NormaliseCompare = true;
    EXPECT_TRUE(SameEmails({" ", ""}, {"b@x.com", ""}));
    EXPECT_TRUE(SameEmails({" a@x.com", ""}, {"", "a@x.com "}));
    // Strict e-mail tightens the e-mail rule; with that rule off it does nothing.
    AppSettings.AddrEmail = false;
    SGAddrRecord a;
    SGAddrRecord b;
    CopyText(a.szEmail1, "a@x.com");
    CopyText(b.szEmail1, "b@x.com");
    EXPECT_TRUE(IsSameAddr(&a, &b));
}

TEST_F(MatchOptionsTest, ReasonsTellHowEachRowHeld)
{
    AppSettings.AddrDisplayName = AppSettings.AddrLastName = AppSettings.AddrEmail = AppSettings.AddrBirthday = true;
    SGAddrRecord a;
    SGAddrRecord b;
    CopyText(a.szFirstName, "Ann");
    CopyText(a.szLastName, "Lee");
    CopyText(b.szFirstName, "ANN");
    CopyText(a.szEmail1, "ann@x.com");
    CopyText(b.szEmail1, "ann@x.com");
    auto agreements = GetAddrAgreement(a, b);
    ASSERT_EQ(agreements.size(), 4u);
    EXPECT_EQ(agreements[0].pSwitch, &AppSettingsData::AddrDisplayName);
    EXPECT_EQ(agreements[0].agreement, Agreement::PartlyEmpty);
    EXPECT_EQ(agreements[1].pSwitch, &AppSettingsData::AddrLastName);
    EXPECT_EQ(agreements[1].agreement, Agreement::Empty);
    EXPECT_EQ(agreements[2].pSwitch, &AppSettingsData::AddrEmail);
    EXPECT_EQ(agreements[2].agreement, Agreement::Equal);
    EXPECT_EQ(agreements[3].agreement, Agreement::Empty); // no birthday on either side
    // An e-mail slot that holds by values outweighs one that holds by an empty value.
    CopyText(a.szEmail1, "");
    CopyText(a.szEmail2, "ann@x.com");
    CopyText(b.szEmail2, "ann@x.com");
    EXPECT_EQ(GetAddrAgreement(a, b)[2].agreement, Agreement::Equal);
    CopyText(b.szEmail2, "bob@x.com");
    EXPECT_EQ(GetAddrAgreement(a, b)[2].agreement, Agreement::Empty);
    // Strict e-mail finds the address in the other slot, and nothing once it is gone.
    AppSettings.AddrStrictEmail = true;
    EXPECT_EQ(GetAddrAgreement(a, b)[2].agreement, Agreement::Equal);
    CopyText(b.szEmail1, "");
    EXPECT_EQ(GetAddrAgreement(a, b)[2].agreement, Agreement::Differs);
    b.dtBirthDate = 40000;
    EXPECT_EQ(GetAddrAgreement(a, b)[3].agreement, Agreement::Differs);
}

// A row is reported Differs exactly when the match rule with that row alone fails, under every
// combination of the options, on values built to collide in all their forms.
TEST_F(MatchOptionsTest, ReasonsAgreeWithTheMatchRules)
{
    const std::string kValues[] = {"",
                                   " ",
                                   "ab",
                                   " AB ",
                                   "a  b",
                                   "a b",
                                   Ansi(u"\u00C9LODIE"),
                                   Ansi(u"\u00E9lodie "),
                                   "STRASSE",
                                   Ansi(u"stra\u00DFe"),
                                   "+49 (30) 123-45",
                                   "+493012345",
                                   "493012345",
                                   "\xE9",
                                   "\xC9"};
    const double kDates[] = {0, 40000.5, 40001};
    std::mt19937 rng(7);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    auto fill = [&](auto& record, auto... pFields) {
        ((CopyText(record.*pFields, kValues[pick(std::size(kValues))].c_str())), ...);
    };
    using A = SGAddrRecord;
    using D = SGDateRecord;
    using T = SGTaskRecord;
    unsigned nDiffers = 0;
    for (int nTrial = 0; nTrial < 3000; ++nTrial) {
        for (bool AppSettingsData::*pSwitch : AllRuleSwitches())
            AppSettings.*pSwitch = pick(2) == 0;
        AppSettings.AddrStrictEmail = pick(2) == 0;
        AppSettings.NormaliseCompare = pick(2) == 0;
        A addr[2];
        D date[2];
        T task[2];
        for (int k = 0; k < 2; ++k) {
            fill(addr[k], &A::szFirstName, &A::szLastName, &A::szDepartment, &A::szEmail1, &A::szEmail2, &A::szEmail3,
                 &A::szWorkPhone, &A::szFax, &A::szHomePhone, &A::szMobilePhone, &A::szOtherPhone, &A::szPrimaryCity,
                 &A::szDescription);
            addr[k].dtBirthDate = kDates[pick(3)];
            fill(date[k], &D::szSubject, &D::szLocation, &D::szContactId);
            date[k].dtStart = kDates[pick(3)];
            fill(task[k], &T::szSubject, &T::szStatus, &T::szPriority);
            task[k].dtDue = kDates[pick(3)];
        }
        auto check = [&](const auto& agreements, const auto& rules, auto pfnSame, const auto& records) {
            const AppSettingsData all = AppSettings;
            for (const auto& agreement : agreements) {
                for (const auto& row : rules)
                    AppSettings.*row.pSwitch = row.pSwitch == agreement.pSwitch;
                const bool bSame = pfnSame(&records[0], &records[1]);
                AppSettings = all;
                nDiffers += agreement.agreement == Agreement::Differs ? 1 : 0;
                ASSERT_EQ(bSame, agreement.agreement != Agreement::Differs) << "trial " << nTrial;
            }
        };
        check(GetAddrAgreement(addr[0], addr[1]), kAddrRules, &IsSameAddr, addr);
        check(GetDateAgreement(date[0], date[1]), kDateRules, &IsSameDate, date);
        check(GetTaskAgreement(task[0], task[1]), kTaskRules, &IsSameTask, task);
    }
    EXPECT_GT(nDiffers, 1000u);
}
