// SPDX-License-Identifier: MIT
// What the deletion memo says about a record of each kind.
#pragma once

#include "records/SGRecords.h"

#include <string>
#include <utility>
#include <vector>

// The "label: value" lines written before a record is marked for deletion; an empty value reads
// "<empty>" in the memo. A note record carries no text of its own.
using MemoFields = std::vector<std::pair<const char*, std::string>>;
MemoFields MemoFieldsOf(const SGAddrRecord& record);
MemoFields MemoFieldsOf(const SGDateRecord& record);
MemoFields MemoFieldsOf(const SGTaskRecord& record);
MemoFields MemoFieldsOf(const SGNoteRecord& record);

// One line for a record the server kept: enough to find it there.
std::string DescribeRecord(const SGAddrRecord& record);
std::string DescribeRecord(const SGDateRecord& record);
std::string DescribeRecord(const SGTaskRecord& record);
std::string DescribeRecord(const SGNoteRecord& record);
