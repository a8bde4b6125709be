// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVector>

// Writes JSON the way PHP's json_encode does with default flags: members in the order written,
// "/" as "\/", every character beyond ASCII as \uXXXX. Clients are tested against those exact
// bytes, and QJsonDocument can neither keep member order nor escape like that.
class JsonWriter final
{
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(const QString& name);

    void string(const QString& text);
    void integer(qint64 number);
    void boolean(bool flag);
    void null();
    // Copies a value received from a client (the echo of set_entry shows what was sent).
    void value(const QJsonValue& value);

    // Inserts JSON written by another writer as one value.
    void raw(const QByteArray& json);

    // The common {"name": name, "value": text} pair of the API.
    void nameValue(const QString& name, const QString& text);

    const QByteArray& bytes() const { return m_out; }

private:
    void separate();
    void escape(const QString& text);

    QByteArray m_out;
    QVector<bool> m_first; // one entry per open object or array: nothing written into it yet
    bool m_afterKey = false;
};
