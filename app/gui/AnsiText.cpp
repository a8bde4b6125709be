// SPDX-License-Identifier: MIT
#include "gui/AnsiText.h"

#include "platform/Platform.h"

#include <limits>

QString FromAnsi(const char* szText)
{
    const std::u16string wide = plat::AnsiToWide(szText, std::numeric_limits<std::size_t>::max());
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text, std::size_t maxBytes)
{
    const std::u16string wide(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    return plat::WideToAnsi(wide, maxBytes);
}
