// SPDX-License-Identifier: MIT
#include "GuiTestSupport.h"

#include "gui/TfmDupOption.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstring>

namespace
{

struct BoxField
{
    const char* szBox;
    bool AppSettingsData::*pField;
};

// Every box that edits a setting, and the setting.
const BoxField kBound[] = {
    {"cbAddrDisplayName", &AppSettingsData::AddrDisplayName},
    {"cbAddrFirstName", &AppSettingsData::AddrFirstName},
    {"cbAddrLastName", &AppSettingsData::AddrLastName},
    {"cbAddrEmail", &AppSettingsData::AddrEmail},
    {"cbAddrDepartment", &AppSettingsData::AddrDepartment},
    {"cbAddrTitle", &AppSettingsData::AddrTitle},
    {"cbAddrPhone", &AppSettingsData::AddrPhone},
    {"cbAddrAddr", &AppSettingsData::AddrAddress},
    {"cbAddrBirthday", &AppSettingsData::AddrBirthday},
    {"cbAddrNote", &AppSettingsData::AddrNote},
    {"cbDateSubject", &AppSettingsData::DateSubject},
    {"cbDateStartTime", &AppSettingsData::DateStartTime},
    {"cbDateEndTime", &AppSettingsData::DateEndTime},
    {"cbDateLocation", &AppSettingsData::DateLocation},
    {"cbDateNote", &AppSettingsData::DateNote},
    {"cbDateContactID", &AppSettingsData::DateContactID},
    {"cbDateAssignedID", &AppSettingsData::DateAssignedID},
    {"cbTaskSubject", &AppSettingsData::TaskSubject},
    {"cbTaskImportance", &AppSettingsData::TaskImportance},
    {"cbTaskDueDate", &AppSettingsData::TaskDueDate},
    {"cbTaskNote", &AppSettingsData::TaskNote},
    {"cbTaskContactID", &AppSettingsData::TaskContactID},
    {"cbTaskAssignedID", &AppSettingsData::TaskAssignedID},
    {"cbCase", &AppSettingsData::CaseSensitive},
    {"cbAddrStrictEmail", &AppSettingsData::AddrStrictEmail},
    {"cbNormalise", &AppSettingsData::NormaliseCompare},
};

class DupOptionTest : public GuiTest
{
protected:
    void Click(TfmDupOption& dialog, const char* szButton)
    {
        QTest::mouseClick(Find<QPushButton>(&dialog, szButton), Qt::LeftButton);
    }
};

TEST_F(DupOptionTest, FirstStartShowsTheDefaultRulesOnThreeTabs)
{
    TfmDupOption dialog;
    dialog.ExchangeData(false);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Veltrane Options"));
    EXPECT_EQ(dialog.size(), QSize(528, 528));

    auto* pTabs = Find<QTabWidget>(&dialog, "pMain");
    ASSERT_EQ(pTabs->count(), 3);
    EXPECT_EQ(pTabs->tabText(0), QStringLiteral("Contacts"));
    EXPECT_EQ(pTabs->tabText(1), QStringLiteral("Calendar"));
    EXPECT_EQ(pTabs->tabText(2), QStringLiteral("Task"));
    EXPECT_EQ(pTabs->widget(0)->objectName(), QStringLiteral("tAddr"));
    EXPECT_EQ(pTabs->currentIndex(), 0);

    QStringList ticked;
    for (const QCheckBox* pBox : dialog.findChildren<QCheckBox*>()) {
        if (pBox->isChecked())
            ticked << pBox->objectName();
    }
    ticked.sort();
    EXPECT_EQ(ticked.join(QLatin1Char(' ')).toStdString(),
              "cbAddrDisplayName cbAddrEmail cbAddrFirstName cbAddrLastName cbDateAssignedID cbDateContactID "
              "cbDateStartTime cbDateSubject cbTaskAssignedID cbTaskContactID cbTaskSubject");
    EXPECT_EQ(Find<QCheckBox>(&dialog, "cbCase")->text(),
              QStringLiteral("Case Sensitive when checking the text fields."));
    EXPECT_EQ(Find<QCheckBox>(&dialog, "cbAddrAddr")->text(), QStringLiteral("Addresses"));
    EXPECT_EQ(Find<QCheckBox>(&dialog, "cbTaskImportance")->text(), QStringLiteral("Priority"));
}

TEST_F(DupOptionTest, CancelChangesNothing)
{
    const AppSettingsData before = AppSettings;
    TfmDupOption dialog;
    dialog.ExchangeData(false);
    dialog.show();
    for (QCheckBox* pBox : dialog.findChildren<QCheckBox*>())
        pBox->toggle();
    Click(dialog, "btnCancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(std::memcmp(&before, &AppSettings, sizeof AppSettings), 0);
}

TEST_F(DupOptionTest, OkStoresEveryBoxInItsOwnSettingAndNothingElse)
{
    AppSettings.CompareEmpty = true;
    AppSettings.TaskStatus = false;
    AppSettingsData expected = AppSettings;
    for (const BoxField& bound : kBound)
        expected.*bound.pField = !(AppSettings.*bound.pField);

    TfmDupOption dialog;
    dialog.ExchangeData(false);
    dialog.show();
    for (const BoxField& bound : kBound)
        Find<QCheckBox>(&dialog, bound.szBox)->toggle();
    Find<QCheckBox>(&dialog, "cbDateAllDayEvent")->setChecked(true);
    Click(dialog, "btnOK");

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (const BoxField& bound : kBound)
        EXPECT_EQ(AppSettings.*bound.pField, expected.*bound.pField) << bound.szBox;
    EXPECT_EQ(std::memcmp(&expected, &AppSettings, sizeof AppSettings), 0);
}

TEST_F(DupOptionTest, MergeOptionsStartOffAndAreStoredByOk)
{
    TfmDupOption dialog;
    dialog.ExchangeData(false);
    auto* pRelated = Find<QCheckBox>(&dialog, "cbMergeRelated");
    auto* pFill = Find<QCheckBox>(&dialog, "cbMergeFill");
    EXPECT_EQ(pRelated->text(), QStringLiteral("Move related items of deleted duplicates to the record kept"));
    EXPECT_EQ(pFill->text(), QStringLiteral("Fill empty fields of the record kept from its duplicates"));
    EXPECT_FALSE(pRelated->isChecked());
    EXPECT_FALSE(pFill->isChecked());

    AppSettingsData expected = AppSettings;
    expected.MergeFillEmpty = true;
    dialog.show();
    pFill->setChecked(true);
    Click(dialog, "btnOK");
    EXPECT_EQ(std::memcmp(&expected, &AppSettings, sizeof AppSettings), 0);
}

TEST_F(DupOptionTest, MatchOptionsStartOffAndStrictEmailCountsOnlyWhileTheEmailRuleIsTicked)
{
    AppSettings.AddrEmail = false;
    TfmDupOption dialog;
    dialog.ExchangeData(false);
    auto* pEmail = Find<QCheckBox>(&dialog, "cbAddrEmail");
    auto* pStrict = Find<QCheckBox>(&dialog, "cbAddrStrictEmail");
    auto* pNormalise = Find<QCheckBox>(&dialog, "cbNormalise");
    EXPECT_TRUE(Find<QWidget>(&dialog, "tAddr")->isAncestorOf(pStrict));
    EXPECT_EQ(pStrict->text(), QStringLiteral("Strict e-mail: contacts that both have addresses must share one"));
    EXPECT_EQ(pNormalise->text(),
              QStringLiteral("Normalise: ignore extra blanks, case in any alphabet, phone formatting"));
    EXPECT_FALSE(pStrict->isChecked());
    EXPECT_FALSE(pNormalise->isChecked());
    EXPECT_FALSE(pStrict->isEnabled());

    dialog.show();
    pEmail->setChecked(true);
    EXPECT_TRUE(pStrict->isEnabled());
    pStrict->setChecked(true);
    pNormalise->setChecked(true);
    AppSettingsData expected = AppSettings;
    expected.AddrEmail = expected.AddrStrictEmail = expected.NormaliseCompare = true;
    Click(dialog, "btnOK");
    EXPECT_EQ(std::memcmp(&expected, &AppSettings, sizeof AppSettings), 0);

    TfmDupOption again;
    again.ExchangeData(false);
    EXPECT_TRUE(Find<QCheckBox>(&again, "cbAddrStrictEmail")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(&again, "cbAddrStrictEmail")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>(&again, "cbNormalise")->isChecked());
}

TEST_F(DupOptionTest, AllDayEventIsClearedWheneverTheDialogIsFilled)
{
    TfmDupOption dialog;
    dialog.ExchangeData(false);
    auto* pAllDay = Find<QCheckBox>(&dialog, "cbDateAllDayEvent");
    pAllDay->setChecked(true);
    dialog.ExchangeData(true);
    dialog.ExchangeData(false);
    EXPECT_FALSE(pAllDay->isChecked());
}

} // namespace
