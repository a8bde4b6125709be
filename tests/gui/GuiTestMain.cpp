// SPDX-License-Identifier: MIT
#include "GuiTestSupport.h"
#include "gui/Skin.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Skin::Apply(app);
    FailOnUnexpectedBoxes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
