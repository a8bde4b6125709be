// SPDX-License-Identifier: MIT
// Where the program's own text meets Qt's: records, settings, paths and the helpers' words are in
// the system's ANSI code page (UTF-8 on POSIX, a code page such as 1252 on Windows).
#pragma once

#include <QString>

#include <cstddef>
#include <limits>
#include <string>

// The text as the widgets show it; a byte the code page does not map reads as U+FFFD.
QString FromAnsi(const char* szText);

// The widget's text in the code page, at most maxBytes bytes and never cut inside a character;
// what the code page cannot hold becomes its default character.
std::string ToAnsi(const QString& text, std::size_t maxBytes = std::numeric_limits<std::size_t>::max());
