// SPDX-License-Identifier: MIT
// Decoding the ANSI code page, Unicode's blanks and case folding for the match rules.
#include "core/MatchText.h"

#include "core/CaseFoldTable.h"
#include "platform/Platform.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace MatchTextDetail
{
namespace
{

// How the ANSI code page decodes: UTF-8, or else a code point per byte, as the system converts it.
struct AnsiDecoding
{
    bool bUtf8 = true;
    uint32_t highCodes[128] = {};
};

AnsiDecoding MakeAnsiDecoding()
{
    AnsiDecoding decoding;
    decoding.bUtf8 = plat::AnsiIsUtf8();
    if (decoding.bUtf8)
        return decoding;
    for (uint32_t c = 0x80; c < 0x100; ++c) {
        const char szByte[2] = {static_cast<char>(c), '\0'};
        const std::u16string wide = plat::AnsiToWide(szByte, 2);
        const bool bOne = wide.size() == 1 && (wide[0] < 0xD800 || wide[0] > 0xDFFF);
        decoding.highCodes[c - 0x80] = bOne ? wide[0] : kInvalidByte + c;
    }
    return decoding;
}

const AnsiDecoding& Ansi()
{
    static const AnsiDecoding decoding = MakeAnsiDecoding();
    return decoding;
}

bool IsContinuation(unsigned char c, unsigned char nLow = 0x80, unsigned char nHigh = 0xBF)
{
    return c >= nLow && c <= nHigh;
}

// A well-formed UTF-8 sequence only: no overlong form, surrogate or code point past U+10FFFF.
unsigned Utf8Length(const unsigned char* p)
{
    const unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF)
        return IsContinuation(p[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned char nLow = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char nHigh = c == 0xED ? 0x9F : 0xBF;
        return IsContinuation(p[1], nLow, nHigh) && IsContinuation(p[2]) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char nLow = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char nHigh = c == 0xF4 ? 0x8F : 0xBF;
        return IsContinuation(p[1], nLow, nHigh) && IsContinuation(p[2]) && IsContinuation(p[3]) ? 4 : 0;
    }
    return 0;
}

} // namespace

uint32_t DecodeHigh(const unsigned char*& p)
{
    const AnsiDecoding& ansi = Ansi();
    const unsigned char c = *p;
    if (!ansi.bUtf8) {
        ++p;
        return ansi.highCodes[c - 0x80];
    }
    const unsigned nLength = Utf8Length(p);
    if (nLength == 0) {
        ++p;
        return kInvalidByte + c;
    }
    uint32_t nCode = c & (0x7Fu >> nLength);
    for (unsigned k = 1; k < nLength; ++k)
        nCode = nCode << 6 | (p[k] & 0x3Fu);
    p += nLength;
    return nCode;
}

unsigned FoldHigh(uint32_t nCode, uint32_t (&folded)[3])
{
    folded[0] = nCode;
    const auto* pRange = std::upper_bound(std::begin(kCaseFoldRanges), std::end(kCaseFoldRanges), nCode,
                                          [](uint32_t n, const CaseFoldRange& range) { return n < range.nFirst; });
    if (pRange != std::begin(kCaseFoldRanges)) {
        const CaseFoldRange& range = *(pRange - 1);
        const uint32_t nOffset = nCode - range.nFirst;
        if (nOffset % range.nStride == 0 && nOffset / range.nStride < range.nCount) {
            folded[0] = static_cast<uint32_t>(static_cast<int64_t>(nCode) + range.nDelta);
            return 1;
        }
    }
    const auto* pMulti = std::lower_bound(std::begin(kCaseFoldMultis), std::end(kCaseFoldMultis), nCode,
                                          [](const CaseFoldMulti& multi, uint32_t n) { return multi.nCode < n; });
    if (pMulti == std::end(kCaseFoldMultis) || pMulti->nCode != nCode)
        return 1;
    unsigned nUnits = 0;
    while (nUnits < 3 && pMulti->folded[nUnits] != 0) {
        folded[nUnits] = pMulti->folded[nUnits];
        ++nUnits;
    }
    return nUnits;
}

bool IsHighBlank(uint32_t nCode)
{
    return nCode == 0x85 || nCode == 0xA0 || nCode == 0x1680 || (nCode >= 0x2000 && nCode <= 0x200A) ||
           nCode == 0x2028 || nCode == 0x2029 || nCode == 0x202F || nCode == 0x205F || nCode == 0x3000;
}

} // namespace MatchTextDetail

Held JudgeNormalisedText(const char* szText1, const char* szText2, TextForm form, const TextRules& rules)
{
    MatchTextReader reader1(szText1, form, rules);
    MatchTextReader reader2(szText2, form, rules);
    uint32_t n1 = reader1.Next();
    uint32_t n2 = reader2.Next();
    if (n1 == 0 || n2 == 0)
        return !rules.bCompareEmpty || n1 == n2 ? Held::ByEmpty : Held::Not;
    for (; n1 == n2; n1 = reader1.Next(), n2 = reader2.Next()) {
        if (n1 == 0)
            return Held::ByValues;
    }
    return Held::Not;
}
