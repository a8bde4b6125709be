// SPDX-License-Identifier: MIT
#pragma once

#include "gui/TfmMain.h"

#include <QGuiApplication>

// Holds the main window for the life of a block of work that keeps this thread busy: a wait
// cursor, and no input taken meanwhile. Released on every way out, a thrown exception included.
class BlockingWork final
{
public:
    explicit BlockingWork(TfmMain& mainWindow) : m_main(mainWindow)
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_main.BeginBlockingWork();
    }

    ~BlockingWork()
    {
        m_main.EndBlockingWork();
        QGuiApplication::restoreOverrideCursor();
    }

    BlockingWork(const BlockingWork&) = delete;
    BlockingWork& operator=(const BlockingWork&) = delete;

private:
    TfmMain& m_main;
};
