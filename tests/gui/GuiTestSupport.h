// SPDX-License-Identifier: MIT
// The fixture of every GUI test: its own data folder and default settings, every message box
// expected, and what the program would open with the desktop caught.
#pragma once

#include "core/AppSettings.h"
#include "gui/Links.h"
#include "gui/MessageBox.h"
#include "misc/CxDebugUtil.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"
#include "unit/TempDir.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// A box nobody expected fails the running test at once instead of waiting for a click.
inline void FailOnUnexpectedBoxes()
{
    MessageBox::EnableTestMode([](const QString& description) { ADD_FAILURE() << description.toStdString(); });
}

// Every target handed to the desktop during the current test.
inline std::vector<std::string>& OpenedTargets()
{
    static std::vector<std::string> targets;
    return targets;
}

inline void RecordOpen(const char* szTarget)
{
    OpenedTargets().emplace_back(szTarget);
}

// Runs `handle` on the modal dialog of that object name once it is showing. A dialog that never
// appears fails the test, and any modal window left open is closed so the test cannot hang.
inline void WhenModal(const QString& name, std::function<void(QWidget*)> handle, int nTriesLeft = 200)
{
    QTimer::singleShot(nTriesLeft == 200 ? 0 : 10, [name, handle, nTriesLeft] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal != nullptr && pModal->objectName() == name && pModal->isVisible()) {
            handle(pModal);
            return;
        }
        if (nTriesLeft > 0) {
            WhenModal(name, handle, nTriesLeft - 1);
            return;
        }
        ADD_FAILURE() << "no modal window " << name.toStdString() << " appeared";
        if (pModal != nullptr)
            pModal->close();
    });
}

class GuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_dir.path() + "root");
        plat::SetAppDataRootForTesting(m_dir.path() + "root");
        ASSERT_TRUE(GetAppDataFolder(m_szDataFolder));
        SettingsFile = new CxIniUtil(m_szDataFolder, "quorvel.ini");
        // A missing file gives the settings of a first start.
        LoadSettings();
        DebugLog.EnableLog(false);
        DebugLog.SetLogLevel(LOG_CRITICAL);
        DebugLog.SetLogFolder(m_szDataFolder);
        OpenedTargets().clear();
        Links::SetOpenForTesting(RecordOpen);
        MessageBox::ClearExpected();
    }

    void TearDown() override
    {
        EXPECT_EQ(MessageBox::PendingCount(), 0) << "an expected message box never appeared";
        MessageBox::ClearExpected();
        Links::SetOpenForTesting(nullptr);
        delete SettingsFile;
        SettingsFile = nullptr;
        AppSettings = AppSettingsData();
        plat::SetAppDataRootForTesting("");
    }

    std::string DataFolder() const { return m_szDataFolder; }

    TempDir m_dir;
    char m_szDataFolder[260] = {};
};

// Thrown by Find for a widget that is not there: GoogleTest fails the running test on it and goes
// on with the next one, where a null pointer would take the whole program down.
struct MissingWidget : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

template <class T> T* Find(QWidget* pParent, const char* szName)
{
    T* pWidget = pParent != nullptr ? pParent->findChild<T*>(QString::fromLatin1(szName)) : nullptr;
    if (pWidget == nullptr)
        throw MissingWidget(std::string("no widget ") + szName);
    return pWidget;
}
