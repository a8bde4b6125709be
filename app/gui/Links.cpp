// SPDX-License-Identifier: MIT
#include "gui/Links.h"

#include "gui/AnsiText.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <QString>
#include <QUrl>

namespace
{

void ShellOpenTarget(const char* szTarget)
{
    ShellOpen(szTarget);
}

Links::OpenFunc g_pfnOpen = ShellOpenTarget;

} // namespace

namespace Links
{

QString BugReportMailLink()
{
    return QStringLiteral("mailto:") + QString::fromLatin1(kSupportMail) + QStringLiteral("?subject=") +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(kBugReportSubject)));
}

QString UserGuidePath()
{
    char szFolder[plat::kMaxPath] = {};
    if (!GetModuleFolder(nullptr, szFolder))
        return {};
    return FromAnsi(szFolder) + QString::fromLatin1(kUserGuideFile);
}

void Open(const QString& target)
{
    if (target.isEmpty())
        return;
    g_pfnOpen(ToAnsi(target).c_str());
}

void SetOpenForTesting(OpenFunc pfnOpen)
{
    g_pfnOpen = pfnOpen != nullptr ? pfnOpen : ShellOpenTarget;
}

} // namespace Links
