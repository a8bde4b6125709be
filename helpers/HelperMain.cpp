// SPDX-License-Identifier: MIT
#include "HelperRun.h"

#include <QCoreApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
#ifndef Q_OS_WIN
    // Without TZ the C library looks at the zone file again at every conversion to local time,
    // and a load converts dates of every record. Named, the same file is read once.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
#endif
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
