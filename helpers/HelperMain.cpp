// SPDX-License-Identifier: MIT
#include "HelperRun.h"

#include <QCoreApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SugarClient::Options options;
    // For tests of a server slower than the time-out: a minute per try would take four.
    if (const char* szTimeout = std::getenv("VELTRANE_HELPER_TIMEOUT_MS")) {
        const int nTimeout = std::atoi(szTimeout);
        if (nTimeout > 0)
            options.nTimeoutMs = nTimeout;
    }
    return RunHelper(VELTRANE_HELPER_KIND, argc > 1 ? argv[1] : nullptr, options);
}
