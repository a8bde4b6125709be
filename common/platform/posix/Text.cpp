// SPDX-License-Identifier: MIT
// On POSIX the system's single-byte "ANSI" text is UTF-8.
#include "platform/Platform.h"

#include <cstring>

namespace plat
{
namespace
{
bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at text[i]; an invalid byte stands for itself as U+FFFD.
char32_t DecodeUtf8(const unsigned char* text, std::size_t len, std::size_t& i)
{
    const unsigned char c = text[i];
    std::size_t extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
        ++i;
        return c;
    }
    if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
        extra = 1;
        cp = c & 0x1F;
    }
    else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    }
    else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
        extra = 3;
        cp = c & 0x07;
    }
    else {
        ++i;
        return 0xFFFD;
    }
    if (i + extra >= len) {
        ++i;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        if (!IsContinuation(text[i + k])) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (text[i + k] & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t Utf8Length(char32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}
} // namespace

std::u16string AnsiToWide(const char* text, std::size_t maxUnits)
{
    std::u16string out;
    if (text == nullptr)
        return out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::size_t len = std::strlen(text);
    for (std::size_t i = 0; i < len;) {
        const char32_t cp = DecodeUtf8(bytes, len, i);
        const std::size_t units = cp >= 0x10000 ? 2 : 1;
        if (out.size() + units > maxUnits)
            break;
        if (units == 2) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        else
            out += static_cast<char16_t>(cp);
    }
    return out;
}

std::string WideToAnsi(const std::u16string& text, std::size_t maxBytes)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        if (out.size() + Utf8Length(cp) > maxBytes)
            break;
        AppendUtf8(out, cp);
    }
    return out;
}

bool AnsiIsUtf8()
{
    return true;
}

std::string AnsiToUtf8(const char* text)
{
    // The ANSI code page is UTF-8 here; the round trip through UTF-16 mends invalid bytes.
    const std::size_t nAll = static_cast<std::size_t>(-1);
    return WideToAnsi(AnsiToWide(text, nAll), nAll);
}

std::size_t AnsiFitLength(const char* text, std::size_t maxBytes)
{
    if (text == nullptr)
        return 0;
    std::size_t n = 0;
    while (n < maxBytes && text[n] != '\0')
        ++n;
    if (text[n] == '\0' || n == 0)
        return n;
    // Cut: step back over continuation bytes to the start of the character that did not fit.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t start = n;
    while (start > 0 && IsContinuation(bytes[start]))
        --start;
    return start;
}

} // namespace plat
