// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <vector>

class QCheckBox;

// The duplicate checking rules: which fields must agree, per kind, how strictly texts compare, and
// whether deleted duplicates are merged into the record kept.
// Changes reach AppSettings only through OK.
class TfmDupOption final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmDupOption)

public:
    static constexpr int kClientWidth = 528;
    static constexpr int kClientHeight = 528;

    explicit TfmDupOption(QWidget* pParent = nullptr);

    // False ticks the boxes from AppSettings; true copies them back. Always true.
    bool ExchangeData(bool bSave);

private:
    struct Binding
    {
        QCheckBox* pBox;
        bool* pField;
    };

    QCheckBox* NewBox(QWidget* pParent, const char* szName, const char* szCaption, bool* pField);
    QCheckBox* AddBox(QWidget* pTab, const char* szName, const char* szCaption, bool* pField);

    std::vector<Binding> m_bindings;
    QCheckBox* m_pAllDayEvent = nullptr;
    QCheckBox* m_pEmail = nullptr;
    QCheckBox* m_pStrictEmail = nullptr;
};
