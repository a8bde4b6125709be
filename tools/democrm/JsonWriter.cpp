// SPDX-License-Identifier: MIT
#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.isEmpty()) {
        if (!m_first.last()) {
            m_out += ',';
        }
        m_first.last() = false;
    }
}

void JsonWriter::beginObject()
{
    separate();
    m_out += '{';
    m_first.append(true);
}

void JsonWriter::endObject()
{
    m_first.removeLast();
    m_out += '}';
}

void JsonWriter::beginArray()
{
    separate();
    m_out += '[';
    m_first.append(true);
}

void JsonWriter::endArray()
{
    m_first.removeLast();
    m_out += ']';
}

void JsonWriter::key(const QString& name)
{
    separate();
    escape(name);
    m_out += ':';
    m_afterKey = true;
}

void JsonWriter::string(const QString& text)
{
    separate();
    escape(text);
}

void JsonWriter::integer(qint64 number)
{
    separate();
    m_out += QByteArray::number(number);
}

void JsonWriter::boolean(bool flag)
{
    separate();
    m_out += flag ? "true" : "false";
}

void JsonWriter::null()
{
    separate();
    m_out += "null";
}

void JsonWriter::value(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        boolean(value.toBool());
        break;
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::abs(number) < 1e15 && number == std::trunc(number)) {
            integer(static_cast<qint64>(number));
        }
        else {
            separate();
            m_out += QByteArray::number(number, 'g', 17);
        }
        break;
    }
    case QJsonValue::String:
        string(value.toString());
        break;
    case QJsonValue::Array:
        beginArray();
        for (const QJsonValue& item : value.toArray()) {
            this->value(item);
        }
        endArray();
        break;
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        beginObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            key(it.key());
            this->value(it.value());
        }
        endObject();
        break;
    }
    default:
        null();
        break;
    }
}

void JsonWriter::raw(const QByteArray& json)
{
    separate();
    m_out += json;
}

void JsonWriter::nameValue(const QString& name, const QString& text)
{
    beginObject();
    key(QStringLiteral("name"));
    string(name);
    key(QStringLiteral("value"));
    string(text);
    endObject();
}

void JsonWriter::escape(const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    // Written in place, with room for the longest form of every character, and cut to what was
    // used: byte by byte appends took most of the time of a long answer.
    const qsizetype start = m_out.size();
    m_out.resize(start + 2 + 6 * text.size());
    char* const begin = m_out.data() + start;
    char* p = begin;
    *p++ = '"';
    const auto pair = [&p](char letter) {
        *p++ = '\\';
        *p++ = letter;
    };
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'"':
            pair('"');
            break;
        case u'\\':
            pair('\\');
            break;
        case u'/':
            pair('/');
            break;
        case u'\b':
            pair('b');
            break;
        case u'\f':
            pair('f');
            break;
        case u'\n':
            pair('n');
            break;
        case u'\r':
            pair('r');
            break;
        case u'\t':
            pair('t');
            break;
        default:
            if (c < 0x20 || c > 0x7f) {
                // UTF-16 units, so characters beyond the BMP come out as surrogate pairs like PHP's.
                pair('u');
                *p++ = hex[(c >> 12) & 0xf];
                *p++ = hex[(c >> 8) & 0xf];
                *p++ = hex[(c >> 4) & 0xf];
                *p++ = hex[c & 0xf];
            }
            else {
                *p++ = static_cast<char>(c);
            }
        }
    }
    *p++ = '"';
    m_out.truncate(start + (p - begin));
}
