// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Turns the character references that the server puts into its texts back into characters: every
// HTML 4 named entity (&amp; &uuml; &euro; ...), &apos;, and numeric &#NNN; / &#xHH;. The server
// may encode a text twice (&amp;#039;), so decoding repeats until nothing changes, a few passes at
// most. A reference that names no character is left as it stands.
QString DecodeHtmlEntities(const QString& text);
