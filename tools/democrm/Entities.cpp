// SPDX-License-Identifier: MIT
#include "Entities.h"

#include "misc/HtmlLatin1Names.h"

#include <QHash>

namespace
{
// The other HTML 4 names that occur in names and notes; Greek letters and mathematical symbols are
// left out and stay UTF-8.
const QHash<char16_t, const char*>& otherNames()
{
    static const QHash<char16_t, const char*> names = {
        {0x0152, "OElig"},  {0x0153, "oelig"},  {0x0160, "Scaron"}, {0x0161, "scaron"}, {0x0178, "Yuml"},
        {0x0192, "fnof"},   {0x02C6, "circ"},   {0x02DC, "tilde"},  {0x2013, "ndash"},  {0x2014, "mdash"},
        {0x2018, "lsquo"},  {0x2019, "rsquo"},  {0x201A, "sbquo"},  {0x201C, "ldquo"},  {0x201D, "rdquo"},
        {0x201E, "bdquo"},  {0x2020, "dagger"}, {0x2021, "Dagger"}, {0x2022, "bull"},   {0x2026, "hellip"},
        {0x2030, "permil"}, {0x2039, "lsaquo"}, {0x203A, "rsaquo"}, {0x20AC, "euro"},   {0x2122, "trade"}};
    return names;
}

void appendEntity(QString& out, const char* name)
{
    out += QLatin1Char('&');
    out += QLatin1String(name);
    out += QLatin1Char(';');
}
} // namespace

QString Entities::encodeForRead(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'\'':
            out += QLatin1String("&#039;");
            break;
        default:
            out += ch;
        }
    }
    return out;
}

QString Entities::encodeForEcho(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'&') {
            out += QLatin1String("&amp;amp;");
        }
        else if (c == u'"' || c == u'<' || c == u'>' || c == u'\'') {
            out += encodeForRead(QString(ch));
        }
        else if (c >= 0xA0 && c <= 0xFF) {
            appendEntity(out, kHtmlLatin1Names[c - 0xA0]);
        }
        else if (const char* name = otherNames().value(c, nullptr)) {
            appendEntity(out, name);
        }
        else {
            out += ch;
        }
    }
    return out;
}
