// SPDX-License-Identifier: MIT
// The backup written before deletions are submitted: every field of each record about to be
// deleted, in one CSV file per server module under Backups/ in the application data folder. The
// header row holds the server's own field names, so that the CRM's import can bring them back.
#pragma once

#include "records/SGRecords.h"

#include <string>
#include <vector>

// The local time as a part of a file name: "2026-12-09 22-15-30".
std::string BackupStamp();

// Writes folder + "Backups/<stamp> <module>.csv" for each module that has records: owner-only,
// UTF-8, CRLF line ends, every value quoted (RFC 4180). paths receives each file written. False
// when the folder or a file could not be written; a file cut short is deleted, and paths names the
// file that failed last.
bool WriteBackup(const std::string& folder, const std::string& stamp, const std::vector<const SGAddrRecord*>& records,
                 std::vector<std::string>& paths);
bool WriteBackup(const std::string& folder, const std::string& stamp, const std::vector<const SGDateRecord*>& records,
                 std::vector<std::string>& paths);
bool WriteBackup(const std::string& folder, const std::string& stamp, const std::vector<const SGTaskRecord*>& records,
                 std::vector<std::string>& paths);
