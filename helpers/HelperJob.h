// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>

// The job the program hands a helper in its parameter file. Texts that go to the server are
// Unicode; file names and folders stay in the system's code page, as file paths are.
struct HelperJob
{
    QString sHost;
    QString sUser;
    QString sPassword;
    QString sModules;   // chosen modules of the kind, comma-separated; empty for all
    std::string folder; // ends with a separator
    std::string dataFile;
    std::string errorFile;
    std::string progressFile;
    std::string keepFile;    // empty when the program asks for plain deletion
    std::string mergeReport; // set whenever keepFile is
    std::string logFolder;   // ends with a separator; empty when unusable
    int nOperation = 0;
    int nLogLevel = 0;
    bool bLogEnabled = false;

    std::string InFolder(const std::string& name) const { return folder + name; }
};

// Reads the parameter file. False with a reason when the file is unreadable or names no usable
// folder and exchange files: file names must be bare names, so no file lands outside the folder.
bool LoadHelperJob(const char* szParamPath, HelperJob& job, std::string& reason);

// The folder a log location names: a folder as it stands (a separator is added), or the folder
// part of a file path such as "appdebug.log", which is the exchange folder when it has none.
std::string LogFolderOf(const std::string& location, const std::string& exchangeFolder);
