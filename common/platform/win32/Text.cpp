// SPDX-License-Identifier: MIT
// The system's single-byte text is in the ANSI code page (CP_ACP): one byte a character, or two
// for a lead byte of a double-byte page, or UTF-8 when the system has chosen it.
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

#include <climits>
#include <cstring>

namespace plat
{
namespace
{

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

// The length of the character that starts at text[i], as the ANSI code page counts it.
std::size_t CharLength(const unsigned char* text, std::size_t i, bool bUtf8)
{
    const unsigned char c = text[i];
    std::size_t n = 1;
    if (bUtf8) {
        n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    }
    else if (IsDBCSLeadByteEx(CP_ACP, c)) {
        n = 2;
    }
    // A character cut short by the end of the text counts only the bytes that are there.
    for (std::size_t k = 1; k < n; ++k) {
        if (text[i + k] == '\0')
            return k;
    }
    return n;
}

} // namespace

std::u16string AnsiToWide(const char* text, std::size_t maxUnits)
{
    std::u16string out;
    if (text == nullptr || text[0] == '\0')
        return out;
    const std::size_t len = std::strlen(text);
    if (len > INT_MAX)
        return out;
    const int nUnits = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(len), nullptr, 0);
    if (nUnits <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nUnits));
    if (MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(len), reinterpret_cast<wchar_t*>(&out[0]), nUnits) !=
        nUnits)
        return std::u16string();
    if (out.size() > maxUnits) {
        std::size_t keep = maxUnits;
        // A surrogate pair is kept whole or not at all.
        if (keep > 0 && IsHighSurrogate(out[keep - 1]))
            --keep;
        out.resize(keep);
    }
    return out;
}

std::string WideToAnsi(const std::u16string& text, std::size_t maxBytes)
{
    std::string out;
    if (text.empty() || text.size() > INT_MAX)
        return out;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return out;
    out.resize(static_cast<std::size_t>(nBytes));
    if (WideCharToMultiByte(CP_ACP, 0, wide, length, &out[0], nBytes, nullptr, nullptr) != nBytes)
        return std::string();
    out.resize(AnsiFitLength(out.c_str(), maxBytes));
    return out;
}

bool AnsiIsUtf8()
{
    return GetACP() == CP_UTF8;
}

std::string AnsiToUtf8(const char* text)
{
    const std::u16string wide = AnsiToWide(text, static_cast<std::size_t>(-1));
    if (wide.empty() || wide.size() > INT_MAX)
        return std::string();
    const auto* pWide = reinterpret_cast<const wchar_t*>(wide.data());
    const int nWide = static_cast<int>(wide.size());
    const int nBytes = WideCharToMultiByte(CP_UTF8, 0, pWide, nWide, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return std::string();
    std::string out(static_cast<std::size_t>(nBytes), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, pWide, nWide, &out[0], nBytes, nullptr, nullptr) != nBytes)
        return std::string();
    return out;
}

std::size_t AnsiFitLength(const char* text, std::size_t maxBytes)
{
    if (text == nullptr)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const bool bUtf8 = GetACP() == CP_UTF8;
    std::size_t n = 0;
    while (bytes[n] != '\0') {
        const std::size_t next = n + CharLength(bytes, n, bUtf8);
        if (next > maxBytes)
            break;
        n = next;
    }
    return n;
}

} // namespace plat
