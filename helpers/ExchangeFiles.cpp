// SPDX-License-Identifier: MIT
#include "ExchangeFiles.h"

#include "FieldValues.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"

#include <cstdio>
#include <fstream>

namespace
{

// The program reads at most this many characters of an error entry.
constexpr std::size_t kMaxErrorText = 1023;

const char kErrorSection[] = "Error";
const char kStatusSection[] = "Status";

} // namespace

void ErrorFile::Reset()
{
    plat::DeleteFile(m_path.c_str());
    m_nCount = 0;
}

bool ErrorFile::Add(const QString& text)
{
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\t'), QLatin1Char(' '));
    line.remove(QChar(0));
    const std::string value = ToAnsi(line.trimmed(), kMaxErrorText);

    const int nNumber = m_nCount + 1;
    const std::string key = "Error." + std::to_string(nNumber);
    // The entry goes first and the count after it, so a reader never finds a count without its entry.
    if (!plat::WritePrivateProfileString(kErrorSection, key.c_str(), value.c_str(), m_path.c_str()))
        return false;
    if (!plat::WritePrivateProfileString(kErrorSection, "Error.Count", std::to_string(nNumber).c_str(), m_path.c_str()))
        return false;
    m_nCount = nNumber;
    return true;
}

bool ErrorFile::SetNotDeleted(const std::vector<uint32_t>& positions)
{
    std::string list;
    for (const uint32_t nPosition : positions) {
        if (!list.empty())
            list += ',';
        list += std::to_string(nPosition);
    }
    return plat::WritePrivateProfileString("Submit", "NotDeleted", list.c_str(), m_path.c_str());
}

bool ProgressFile::Set(const QString& line)
{
    const std::string temp = m_path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << ToAnsi(line, 1023) << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            plat::DeleteFile(temp.c_str());
            return false;
        }
    }
    if (!plat::ReplaceFile(temp.c_str(), m_path.c_str())) {
        plat::DeleteFile(temp.c_str());
        return false;
    }
    return true;
}

void RunState::Begin()
{
    plat::WritePrivateProfileString(kStatusSection, "Stop", "0", m_path.c_str());
    plat::WritePrivateProfileString(kStatusSection, "Running", "1", m_path.c_str());
}

bool RunState::StopRequested() const
{
    char szValue[32] = {};
    plat::GetPrivateProfileString(kStatusSection, "Stop", "0", szValue, sizeof szValue, m_path.c_str());
    return ParseLeadingInt(szValue) != 0;
}

void RunState::End()
{
    plat::WritePrivateProfileString(kStatusSection, "Running", "0", m_path.c_str());
}
