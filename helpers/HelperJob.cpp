// SPDX-License-Identifier: MIT
#include "HelperJob.h"

#include "FieldValues.h"
#include "SugarCRM/ParamFileReader.h"
#include "SugarCRM/SGParamTags.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"

namespace
{

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsBareName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

std::string Text(const ParamFileReader& params, int32_t nTag)
{
    std::string text;
    params.GetText(nTag, text);
    return text;
}

} // namespace

bool LoadHelperJob(const char* szParamPath, HelperJob& job, std::string& reason)
{
    ParamFileReader params;
    if (!params.Load(szParamPath)) {
        reason = "the parameter file cannot be read";
        return false;
    }
    job.sHost = FromAnsi(Text(params, SGParam::HostName));
    job.sUser = FromAnsi(Text(params, SGParam::UserName));
    job.sPassword = FromAnsi(Text(params, SGParam::Password));
    job.dataFile = Text(params, SGParam::DataFile);
    job.folder = Text(params, SGParam::Folder);
    job.nOperation = ParseLeadingInt(Text(params, SGParam::Operation).c_str());
    job.errorFile = Text(params, SGParam::ErrorFile);
    job.progressFile = Text(params, SGParam::StatusFile);
    job.sModules = FromAnsi(Text(params, SGParam::Modules));
    job.nLogLevel = ParseLeadingInt(Text(params, SGParam::LogLevel).c_str());
    job.bLogEnabled = Text(params, SGParam::LogEnabled) == "1";
    job.keepFile = Text(params, SGParam::KeepFile);
    job.mergeReport = Text(params, SGParam::MergeReport);

    if (job.folder.empty()) {
        reason = "the parameter file names no exchange folder";
        return false;
    }
    if (!IsSeparator(job.folder.back()))
        job.folder += plat::kPathSeparator;
    if (!IsBareName(job.dataFile) || !IsBareName(job.errorFile) || !IsBareName(job.progressFile) ||
        (!job.keepFile.empty() && !IsBareName(job.mergeReport)) ||
        (!job.mergeReport.empty() && !IsBareName(job.keepFile))) {
        reason = "the parameter file names an exchange file that is not a plain file name";
        return false;
    }
    job.logFolder = LogFolderOf(Text(params, SGParam::LogLocation), job.folder);
    return true;
}

std::string LogFolderOf(const std::string& location, const std::string& exchangeFolder)
{
    if (location.empty())
        return exchangeFolder;
    if (IsSeparator(location.back()))
        return location;
    // A folder named without its closing separator.
    if (plat::PathExists(location.c_str()) && plat::FileSize(location.c_str()) < 0)
        return location + plat::kPathSeparator;
    // The path of a log file; "appdebug.log" alone means the program's log in the exchange folder.
    const std::size_t nSeparator = location.find_last_of("/\\");
    return nSeparator == std::string::npos ? exchangeFolder : location.substr(0, nSeparator + 1);
}
