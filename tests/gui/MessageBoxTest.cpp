// SPDX-License-Identifier: MIT
#include "GuiTestSupport.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace
{

class MessageBoxTest : public GuiTest
{
protected:
    // Catches the wrapper's failure reports instead of failing the test with them.
    void CatchFailures()
    {
        MessageBox::EnableTestMode([this](const QString& description) { m_failures << description; });
    }
    void TearDown() override
    {
        FailOnUnexpectedBoxes();
        GuiTest::TearDown();
    }

    QStringList m_failures;
};

TEST_F(MessageBoxTest, ExpectedBoxesAreAnsweredInOrderOverTheirWindow)
{
    QWidget window;
    auto* pChild = new QWidget(&window);
    MessageBox::Expect(MessageBox::Kind::Error, QStringLiteral("First."));
    MessageBox::Expect(MessageBox::Kind::Confirmation, QStringLiteral("Second?"), MessageBox::Answer::Yes);
    MessageBox::Expect(MessageBox::Kind::Confirmation, QStringLiteral("Third?"), MessageBox::Answer::No);

    MessageBox::ShowError(pChild, QStringLiteral("First."));
    EXPECT_EQ(MessageBox::LastOwner(), &window);
    EXPECT_EQ(MessageBox::AskConfirmation(pChild, QStringLiteral("Second?")), MessageBox::Answer::Yes);
    EXPECT_EQ(MessageBox::AskConfirmation(pChild, QStringLiteral("Third?")), MessageBox::Answer::No);
    EXPECT_EQ(MessageBox::PendingCount(), 0);
}

TEST_F(MessageBoxTest, UnexpectedOrDifferentBoxIsReportedAndNeverAnsweredYes)
{
    CatchFailures();

    EXPECT_EQ(MessageBox::AskConfirmation(nullptr, QStringLiteral("Delete all?")), MessageBox::Answer::Cancel);
    ASSERT_EQ(m_failures.size(), 1);
    EXPECT_EQ(m_failures[0], QStringLiteral("unexpected confirmation box: \"Delete all?\""));

    // Same text, other icon: the error box was expected, an information box came.
    MessageBox::Expect(MessageBox::Kind::Error, QStringLiteral("Gone."));
    MessageBox::ShowInfo(nullptr, QStringLiteral("Gone."));
    ASSERT_EQ(m_failures.size(), 2);
    EXPECT_EQ(m_failures[1], QStringLiteral("expected error box \"Gone.\", got information box \"Gone.\""));

    // A question whose text differs does not get the Yes meant for another one.
    MessageBox::Expect(MessageBox::Kind::Confirmation, QStringLiteral("Keep?"), MessageBox::Answer::Yes);
    EXPECT_EQ(MessageBox::AskConfirmation(nullptr, QStringLiteral("Delete?")), MessageBox::Answer::Cancel);
    EXPECT_EQ(m_failures.size(), 3);
    EXPECT_EQ(MessageBox::PendingCount(), 0);
}

TEST_F(MessageBoxTest, BoxesCarryTheirTitleIconAndButtons)
{
    QWidget owner;
    const auto error = MessageBox::Build(MessageBox::Kind::Error, &owner, QStringLiteral("Bad input."));
    EXPECT_EQ(error->windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(error->icon(), QMessageBox::Critical);
    EXPECT_EQ(error->text(), QStringLiteral("Bad input."));
    EXPECT_EQ(error->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(error->parentWidget(), &owner);

    const auto info = MessageBox::Build(MessageBox::Kind::Info, &owner, QStringLiteral("No load."));
    EXPECT_EQ(info->windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(info->icon(), QMessageBox::Information);
    EXPECT_EQ(info->standardButtons(), QMessageBox::Ok);

    const auto question = MessageBox::Build(MessageBox::Kind::Confirmation, &owner, QStringLiteral("Sure?"));
    EXPECT_EQ(question->windowTitle(), QStringLiteral("Confirmation"));
    EXPECT_EQ(question->icon(), QMessageBox::Question);
    EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(static_cast<QAbstractButton*>(question->defaultButton()), question->button(QMessageBox::No));
}

} // namespace
