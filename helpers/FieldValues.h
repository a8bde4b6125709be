// SPDX-License-Identifier: MIT
// Turns the values the server sends into the fields of the records.
#pragma once

#include <QString>

#include <cstddef>
#include <string>

// Unicode text to the system's code page, at most nMaxBytes bytes, never cut inside a character.
std::string ToAnsi(const QString& text, std::size_t nMaxBytes);
// The system's code page to Unicode (parameter file texts).
QString FromAnsi(const std::string& text);

// Decodes the server's character references and stores the text cut at the field's capacity.
void StoreText(char* szField, std::size_t nCapacity, const QString& value);

// "YYYY-MM-DD HH:MM:SS" in UTC to a local OLE date; 0 (no date) for an empty or invalid text.
// A bare "YYYY-MM-DD" is a calendar date and is taken as it stands.
double UtcTextToOleDate(const QString& text);
// "YYYY-MM-DD" to the OLE date of that day; 0 for an empty, zero or invalid date.
double DateTextToOleDate(const QString& text);

// "1", "true" and any non-zero number are set; everything else is clear.
bool FlagFromText(const QString& text);
