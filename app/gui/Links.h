// SPDX-License-Identifier: MIT
// The addresses the program opens and the one way it opens them.
#pragma once

class QString;

namespace Links
{
// The product's home page, opened from the title in every header band.
inline constexpr char kHomePage[] = "https://www.quorvel.com/veltrane";
// Where problem reports go.
inline constexpr char kSupportMail[] = "support@quorvel.com";
inline constexpr char kBugReportSubject[] = "Veltrane Bug Report";
// The user guide, shipped in the program's own folder.
inline constexpr char kUserGuideFile[] = "UserGuide.html";

// "mailto:" for the support address with the bug report subject, blanks percent-encoded.
QString BugReportMailLink();
// The user guide's full path beside the running program; empty when the folder is unknown.
QString UserGuidePath();

// Opens a file, folder or address with the desktop; an empty target opens nothing.
void Open(const QString& target);

// Tests catch what would be opened instead of starting the desktop's handler; null restores it.
using OpenFunc = void (*)(const char* szTarget);
void SetOpenForTesting(OpenFunc pfnOpen);
} // namespace Links
