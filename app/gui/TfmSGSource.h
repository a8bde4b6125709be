// SPDX-License-Identifier: MIT
#pragma once

#include "gui/TfmPage.h"

#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class TfmMain;

// The login and data type page: the server, the user and the kind of data to clean. Leaving it
// forward checks the input, takes it into AppSettings and loads the chosen data.
class TfmSGSource final : public TfmPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmSGSource)

public:
    // The main window shows the loading text and is held while the data loads.
    explicit TfmSGSource(TfmMain& mainWindow, QWidget* pParent = nullptr);

    bool ExchangeData(bool bSave) override;

    // Tests load through their own function; an empty one restores LoadSelectedData.
    using LoadFunc = std::function<bool()>;
    void SetLoadForTesting(LoadFunc load);

private:
    bool TakeInput();
    bool LoadData();
    void ShowRules();
    // The fixed message of a failed load, with the reasons the helpers gave below it.
    static QString LoadFailureMessage();

    TfmMain& m_main;
    LoadFunc m_load;
    QLineEdit* m_pHostName = nullptr;
    QLineEdit* m_pUserName = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QCheckBox* m_pSaveUser = nullptr;
    QCheckBox* m_pSavePassword = nullptr;
    QRadioButton* m_pAddr = nullptr;
    QRadioButton* m_pDate = nullptr;
    QRadioButton* m_pTask = nullptr;
    QCheckBox* m_pAddrContact = nullptr;
    QCheckBox* m_pAddrAccount = nullptr;
    QCheckBox* m_pAddrLead = nullptr;
};
