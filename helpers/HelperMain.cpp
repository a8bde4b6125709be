// SPDX-License-Identifier: MIT
#include "helpers/HelperRun.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return RunHelper(VELTRANE_HELPER_KIND, argc > 1 ? argv[1] : nullptr);
}
