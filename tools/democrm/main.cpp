// SPDX-License-Identifier: MIT
// democrm: a local SugarCRM-compatible server (REST v4_1) backed by SQLite.
#include "Api.h"
#include "Options.h"
#include "Seed.h"
#include "Server.h"
#include "Sessions.h"
#include "Store.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace
{
volatile std::sig_atomic_t g_stopRequested = 0;

void requestStop(int)
{
    g_stopRequested = 1;
}

void fail(const QString& message)
{
    std::fprintf(stderr, "democrm: %s\n", message.toLocal8Bit().constData());
}

// "Contacts 353 (5 deleted), ..." read back from the store, so the line tells what is there.
QString contents(Store& store)
{
    QStringList parts;
    for (const ModuleDef& module : Modules::all()) {
        qint64 live = 0;
        qint64 all = 0;
        store.count(module, QueryFilter(), false, &live);
        store.count(module, QueryFilter(), true, &all);
        parts.append(all > live ? QStringLiteral("%1 %2 (%3 deleted)").arg(module.name).arg(live).arg(all - live)
                                : QStringLiteral("%1 %2").arg(module.name).arg(live));
    }
    return parts.join(QStringLiteral(", "));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("democrm"));

    Options options;
    QString error;
    if (!Options::parse(QCoreApplication::arguments(), &options, &error)) {
        fail(error);
        return 2;
    }

    Store store;
    if (!store.open(options.database)) {
        fail(QStringLiteral("cannot open %1: %2").arg(options.database, store.lastError()));
        return 1;
    }
    if (options.reset && !store.clear()) {
        fail(QStringLiteral("cannot empty the database: ") + store.lastError());
        return 1;
    }
    Sessions sessions;
    for (const auto& [name, password] : options.users) {
        sessions.addUser(name, password);
    }
    sessions.setUseLimit(options.faults.sessionUses);
    sessions.setLoginsRefused(options.faults.refuseLogin);
    if (!options.seed.isEmpty()) {
        // Seeding adds fixed records; on top of others the counts the tests rely on would be wrong.
        if (!store.isEmpty()) {
            fail(QStringLiteral("%1 already holds records; add --reset to seed it").arg(options.database));
            return 2;
        }
        const QString userId = sessions.users().first().id;
        const bool seeded = options.seed == QLatin1String("demo") ? Seed::demo(store, userId)
                                                                  : Seed::contacts(store, userId, options.seed.toInt());
        if (!seeded) {
            fail(QStringLiteral("seeding failed: ") + store.lastError());
            return 1;
        }
        std::fprintf(stderr, "democrm: seeded %s\n", contents(store).toLocal8Bit().constData());
    }

    Api api(store, sessions);
    api.setFailingLinks(options.faults.failLinks);
    Server server(api, options.faults);
    const quint16 port = server.listen(options.address, options.port);
    if (port == 0) {
        fail(QStringLiteral("cannot listen on %1 port %2").arg(options.address.toString()).arg(options.port));
        return 1;
    }
    const QString host = options.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + options.address.toString() + QLatin1Char(']')
                             : options.address.toString();
    // Tests and scripts read the port from this line.
    std::printf("democrm listening on http://%s:%u/\n", host.toLatin1().constData(), static_cast<unsigned>(port));
    std::fflush(stdout);

    // A signal handler may only set a flag; the event loop looks at it.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &app, [] {
        if (g_stopRequested) {
            QCoreApplication::quit();
        }
    });
    stopCheck.start(100);
    return app.exec();
}
