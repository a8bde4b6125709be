// SPDX-License-Identifier: MIT
// The helpers' code needs a QCoreApplication, and the date tests need a known time zone: Central
// European time, written as a POSIX rule so that no time zone database is needed.
#include <QCoreApplication>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <ctime>

int main(int argc, char** argv)
{
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
