// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One democrm server process for a test: started on a free loopback port, stopped with SIGTERM.
class DemocrmProcess final
{
public:
    ~DemocrmProcess();

    // Adds --port 0, and --db :memory: unless arguments name a database. Waits nWaitMs at most for
    // the port, seeding included.
    bool start(const QStringList& arguments, QString* error, int nWaitMs = 30000);
    // SIGTERM and wait; the exit code, or -1 if it did not stop cleanly.
    int stop();
    // Runs democrm to its end (for arguments it refuses); the exit code.
    static int runToEnd(const QStringList& arguments, QString* standardError);

    QString baseUrl() const { return m_baseUrl; }

private:
    QProcess m_process;
    QString m_baseUrl;
};
