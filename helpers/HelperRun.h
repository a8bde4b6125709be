// SPDX-License-Identifier: MIT
#pragma once

#include "KindData.h"
#include "SugarClient.h"

// Carries out the job of one parameter file for one kind of data: operation 1 fetches every record
// of the kind into the data file, operation 2 deletes on the server the records the data file
// marks. Needs a QCoreApplication. Returns the exit code: 0 done, 1 failed (the error file says
// why), 2 unreadable parameter file (there is then no folder to report in).
int RunHelper(HelperKind kind, const char* szParamPath, const SugarClient::Options& options = SugarClient::Options());
