// SPDX-License-Identifier: MIT
// The real pages against democrm with the real helpers: the program sits in a folder of its own,
// where each case puts the contacts helper it needs.
#pragma once

#include "DemocrmProcess.h"
#include "ServerTable.h"
#include "gui/RealPagesFixture.h"
#include "unit/TempDir.h"

#include <QLineEdit>

#include <filesystem>

enum class Helper
{
    Real,
    Missing,
    NotExecutable,
    Standin
};

class DemocrmPagesTest : public RealPagesTest
{
protected:
    void SetUp() override
    {
        RealPagesTest::SetUp();
        PlaceHelper(Helper::Real);
    }

    void TearDown() override
    {
        m_server.stop();
        PlaceHelper(Helper::Real);
        RealPagesTest::TearDown();
    }

    // The contacts helper beside this program: the real one, none, one that is not a program, or the
    // stand-in, which follows SGAddrScript.txt.
    static void PlaceHelper(Helper helper)
    {
        namespace fs = std::filesystem;
        const fs::path target = fs::path(VELTRANE_FAULT_DIR) / "Quorvel.SGAddrUtil.exe";
        fs::remove(target);
        if (helper == Helper::Real)
            fs::copy_file(VELTRANE_REAL_ADDR_HELPER, target);
        else if (helper == Helper::Standin)
            fs::copy_file(VELTRANE_STANDIN_ADDR_HELPER, target);
        else if (helper == Helper::NotExecutable)
            WriteText(target.string(), "not a program");
        if (helper == Helper::NotExecutable)
            fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    }

    void StartServer(QStringList arguments)
    {
        arguments << QStringLiteral("--seed") << QStringLiteral("demo");
        QString error;
        ASSERT_TRUE(m_server.start(arguments, &error)) << error.toStdString();
    }

    ServerTable Snapshot()
    {
        ServerTable table;
        EXPECT_TRUE(ReadServerTable(m_server.baseUrl(), table));
        return table;
    }

    // Fills the login page and presses Next; true when the review page came up.
    bool Load(const QString& host, const QString& password = QStringLiteral("admin"))
    {
        Get<QLineEdit>("edtHostName")->setText(host);
        Get<QLineEdit>("edtUserName")->setText(QStringLiteral("admin"));
        Get<QLineEdit>("edtPassword")->setText(password);
        ClickNext();
        EXPECT_TRUE(JoinWaitThread(5000));
        return m_pMain->Step() == StepReview;
    }

    DemocrmProcess m_server;
};
