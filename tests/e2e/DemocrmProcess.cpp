// SPDX-License-Identifier: MIT
#include "DemocrmProcess.h"

#include <QElapsedTimer>

DemocrmProcess::~DemocrmProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool DemocrmProcess::start(const QStringList& arguments, QString* error, int nWaitMs)
{
    QStringList all = arguments;
    all << QStringLiteral("--port") << QStringLiteral("0");
    if (!arguments.contains(QStringLiteral("--db"))) {
        all << QStringLiteral("--db") << QStringLiteral(":memory:");
    }
    m_process.start(QStringLiteral(VELTRANE_DEMOCRM_PATH), all);
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("democrm did not start: ") + m_process.errorString();
        return false;
    }
    const QByteArray prefix("democrm listening on ");
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < nWaitMs) {
        if (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith(prefix)) {
                m_baseUrl = QString::fromLatin1(line.mid(prefix.size()));
                return true;
            }
            continue;
        }
        if (m_process.state() == QProcess::NotRunning) {
            break;
        }
        m_process.waitForReadyRead(200);
    }
    *error =
        QStringLiteral("democrm did not report its port: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
    return false;
}

int DemocrmProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning) {
        return -1;
    }
    m_process.terminate();
    if (!m_process.waitForFinished(10000) || m_process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return m_process.exitCode();
}

int DemocrmProcess::runToEnd(const QStringList& arguments, QString* standardError)
{
    QProcess process;
    process.start(QStringLiteral(VELTRANE_DEMOCRM_PATH), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    *standardError = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
