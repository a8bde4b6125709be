// SPDX-License-Identifier: MIT
#include "Options.h"

#include <QCommandLineParser>

bool Options::parse(const QStringList& arguments, Options* options, QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local SugarCRM-compatible server for the demo and the tests."));
    parser.addHelpOption();
    const QCommandLineOption address(QStringLiteral("address"), QStringLiteral("Loopback address to listen on."),
                                     QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port; 0 picks a free one."),
                                  QStringLiteral("port"), QString::number(options->port));
    const QCommandLineOption database(QStringLiteral("db"), QStringLiteral("SQLite file, or :memory:."),
                                      QStringLiteral("file"), options->database);
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("NAME:PASSWORD; repeatable."),
                                  QStringLiteral("name:password"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("'demo', or a number of contacts."),
                                  QStringLiteral("what"));
    const QCommandLineOption reset(QStringLiteral("reset"), QStringLiteral("Empty the database first."));
    parser.addOptions({address, port, database, user, seed, reset});
    parser.addOptions(FaultPlan::options());
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *error = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return false;
    }

    // The server has no access control worth the name, so it never listens beyond this machine.
    if (!options->address.setAddress(parser.value(address)) || !options->address.isLoopback()) {
        *error = QStringLiteral("--address must be a loopback address, not ") + parser.value(address);
        return false;
    }
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        *error = QStringLiteral("--port must be a number from 0 to 65535");
        return false;
    }
    options->port = static_cast<quint16>(portNumber);
    options->database = parser.value(database);
    if (options->database.isEmpty()) {
        *error = QStringLiteral("--db needs a file name");
        return false;
    }
    for (const QString& entry : parser.values(user)) {
        const qsizetype colon = entry.indexOf(u':');
        if (colon <= 0) {
            *error = QStringLiteral("--user must be NAME:PASSWORD, not ") + entry;
            return false;
        }
        options->users.append({entry.left(colon), entry.mid(colon + 1)});
    }
    if (options->users.isEmpty()) {
        options->users.append({QStringLiteral("admin"), QStringLiteral("admin")});
    }
    options->seed = parser.value(seed);
    if (!options->seed.isEmpty() && options->seed != QLatin1String("demo") && (options->seed.toInt(&ok) <= 0 || !ok)) {
        *error = QStringLiteral("--seed must be 'demo' or a positive number");
        return false;
    }
    options->reset = parser.isSet(reset);
    return FaultPlan::read(parser, &options->faults, error);
}
