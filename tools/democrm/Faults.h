// SPDX-License-Identifier: MIT
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class QCommandLineParser;

// Request numbers as given on the command line: "3", "2,5", "4-6" or a mix of them.
class RequestNumbers final
{
public:
    // Adds the numbers of text; false for anything but positive numbers and ascending ranges.
    bool add(const QString& text);
    bool contains(qint64 number) const;
    // The lowest number both hold, or 0 when they have none in common.
    qint64 firstCommon(const RequestNumbers& other) const;

private:
    QVector<QPair<qint64, qint64>> m_ranges; // first and last number, both included
};

enum class Fault
{
    None,
    Fail,    // HTTP 500 with an empty body; the request is not carried out
    Garbage, // HTTP 200 with a body that is not JSON; the request is not carried out
    Cut,     // carried out, then the answer breaks off after its headers and half its body
    Delay,   // carried out, then the answer is held back
};

// The fault switches: everything off by default, so democrm answers as a sound server does.
struct FaultPlan
{
    RequestNumbers fail;
    RequestNumbers garbage;
    RequestNumbers cut;
    RequestNumbers delay;
    QString method; // only requests of this REST method are counted; empty counts every request
    int delayMs = 65000;
    int latencyMs = 0;
    int sessionUses = 0; // requests a session serves before it expires; 0 for no limit
    bool refuseLogin = false;
    QStringList failLinks; // "Module/link": set_relationship fails every id given for that link

    static QList<QCommandLineOption> options();
    // Reads the options() from a parser that has parsed the command line.
    static bool read(const QCommandLineParser& parser, FaultPlan* plan, QString* error);
};

// Counts the requests and picks the fault for each. The HTTP side calls it once per request, in
// the order the requests are read, so the numbers are well defined with parallel connections.
class FaultCounter final
{
public:
    explicit FaultCounter(FaultPlan plan) : m_plan(std::move(plan)) {}

    // *number receives the request's number, or 0 when its method is not counted.
    Fault next(const QString& method, qint64* number);
    const FaultPlan& plan() const { return m_plan; }

private:
    FaultPlan m_plan;
    qint64 m_count = 0;
};
