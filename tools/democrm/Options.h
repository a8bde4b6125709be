// SPDX-License-Identifier: MIT
#pragma once

#include "Faults.h"

#include <QHostAddress>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

struct Options
{
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 8765;
    QString database = QStringLiteral("democrm.sqlite");
    QVector<QPair<QString, QString>> users; // name, password; admin:admin when none is given
    QString seed;                           // "", "demo" or a number of contacts
    bool reset = false;
    FaultPlan faults;

    // False with *error set for anything unusable, e.g. an address that is not loopback.
    static bool parse(const QStringList& arguments, Options* options, QString* error);
};
