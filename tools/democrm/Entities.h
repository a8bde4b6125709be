// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The two layers of HTML escaping a SuiteCRM 7.14 server shows to its clients.
namespace Entities
{
// Applied to every text value read from the database: " < > ' become entities, & stays as is.
QString encodeForRead(const QString& text);

// What the set_entry echo shows for a text value after the server's save sanitiser: & comes out
// double-encoded ("&amp;amp;"), " < > ' once, and every character that has an HTML 4 entity name
// as that name ("&uuml;").
QString encodeForEcho(const QString& text);
} // namespace Entities
