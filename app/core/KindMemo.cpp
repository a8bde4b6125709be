// SPDX-License-Identifier: MIT
#include "core/KindMemo.h"

#include "misc/CxDateTime.h"

namespace
{

std::string TimeText(double dtValue)
{
    char szText[32] = {};
    FormatTimeText(dtValue, szText, sizeof szText);
    return szText;
}

std::string DateText(double dtValue)
{
    char szText[32] = {};
    FormatDateText(dtValue, szText, sizeof szText);
    return szText;
}

} // namespace

MemoFields MemoFieldsOf(const SGAddrRecord& record)
{
    return {{"First Name", record.szFirstName},  {"Last Name", record.szLastName},
            {"Department", record.szDepartment}, {"Title", record.szJobTitle},
            {"Email", record.szEmail1},          {"Mobile Phone", record.szMobilePhone}};
}

MemoFields MemoFieldsOf(const SGDateRecord& record)
{
    return {{"Subject", record.szSubject},
            {"Location", record.szLocation},
            {"Start Time", TimeText(record.dtStart)},
            {"End Time", TimeText(record.dtEnd)},
            {"Status", record.szStatus}};
}

MemoFields MemoFieldsOf(const SGTaskRecord& record)
{
    return {{"Subject", record.szSubject}, {"Priority", record.szPriority}, {"Due Date", DateText(record.dtDue)}};
}

MemoFields MemoFieldsOf(const SGNoteRecord&)
{
    return {{"Note Text", std::string()}};
}

std::string DescribeRecord(const SGAddrRecord& record)
{
    std::string text = record.szFirstName;
    if (record.szLastName[0] != '\0')
        text += (text.empty() ? "" : " ") + std::string(record.szLastName);
    if (record.szEmail1[0] != '\0')
        text += (text.empty() ? "<" : " <") + std::string(record.szEmail1) + ">";
    return text.empty() ? "<empty>" : text;
}

std::string DescribeRecord(const SGDateRecord& record)
{
    return std::string(record.szSubject[0] != '\0' ? record.szSubject : "<empty>") + " (" + TimeText(record.dtStart) +
           ")";
}

std::string DescribeRecord(const SGTaskRecord& record)
{
    return std::string(record.szSubject[0] != '\0' ? record.szSubject : "<empty>") + " (due " + DateText(record.dtDue) +
           ")";
}

std::string DescribeRecord(const SGNoteRecord&)
{
    return "a note";
}
