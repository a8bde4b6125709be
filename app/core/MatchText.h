// SPDX-License-Identifier: MIT
// Record texts as the match rules compare them. A text reads as a sequence of units, and two texts
// are the same when their units are. Without NormaliseCompare the units are the bytes, a to z folded
// to A to Z when case does not count. With it, a text in the ANSI code page is decoded to code
// points, blanks (Unicode's White_Space) are trimmed and, in plain texts, each inner run of them
// reads as one space; when case does not count every letter reads as its Unicode full case folding
// ("STRASSE" and "straße" are the same). A byte that is not valid in the code page reads as itself.
// Phone numbers read as their digits, with a '+' that comes before the first digit.
#pragma once

#include "core/AppSettings.h"

#include <cstdint>

// The letter-case rule without NormaliseCompare: only a to z fold; accented letters and every other
// byte compare unchanged.
inline unsigned char FoldCase(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// How a field reads under NormaliseCompare.
enum class TextForm : uint8_t
{
    Plain, // blanks trimmed, inner runs folded to one space
    Phone, // digits alone, a leading '+' kept
    Email, // blanks trimmed at both ends only
};

// The comparison settings, read from AppSettings once per comparison or per run.
struct TextRules
{
    bool bCaseSensitive;
    bool bCompareEmpty;
    bool bNormalise;
};

inline TextRules CurrentTextRules()
{
    return TextRules{AppSettings.CaseSensitive, AppSettings.CompareEmpty, AppSettings.NormaliseCompare};
}

// How a comparison held: on values present on both sides, only by the empty-value rule, or not.
enum class Held : uint8_t
{
    ByValues,
    ByEmpty,
    Not,
};

namespace MatchTextDetail
{
// Units of bytes that are invalid in the code page; above every code point.
constexpr uint32_t kInvalidByte = 0x110000;

// A code point (or kInvalidByte plus the byte) decoded from a byte of 0x80 or above; advances p.
uint32_t DecodeHigh(const unsigned char*& p);

// Writes the full case folding of a code point of 0x80 or above; returns how many units (1 to 3).
unsigned FoldHigh(uint32_t nCode, uint32_t (&folded)[3]);

bool IsHighBlank(uint32_t nCode);

inline uint32_t Decode(const unsigned char*& p)
{
    const unsigned char c = *p;
    if (c == 0)
        return 0;
    if (c < 0x80) {
        ++p;
        return c;
    }
    return DecodeHigh(p);
}

inline bool IsBlank(uint32_t nCode)
{
    return nCode < 0x80 ? nCode == ' ' || (nCode >= 0x09 && nCode <= 0x0D) : IsHighBlank(nCode);
}
} // namespace MatchTextDetail

class MatchTextReader
{
public:
    MatchTextReader(const char* szText, TextForm form, const TextRules& rules)
        : m_p(reinterpret_cast<const unsigned char*>(szText != nullptr ? szText : "")), m_pInner(m_p), m_form(form),
          m_bFold(!rules.bCaseSensitive), m_bNormalise(rules.bNormalise)
    {
    }

    // The next unit, 0 past the last one (and on every call after that).
    uint32_t Next()
    {
        if (m_nPending > 0)
            return m_pending[--m_nPending];
        if (!m_bNormalise) {
            const unsigned char c = *m_p;
            if (c == 0)
                return 0;
            ++m_p;
            return m_bFold ? FoldCase(c) : c;
        }
        return m_form == TextForm::Phone ? NextDigit() : NextNormalised();
    }

private:
    uint32_t NextDigit()
    {
        for (;;) {
            const unsigned char c = *m_p;
            if (c == 0)
                return 0;
            ++m_p;
            if ((c >= '0' && c <= '9') || (c == '+' && !m_bStarted)) {
                m_bStarted = true;
                return c;
            }
        }
    }

    // The position of the first character from p on that is not a blank, or of the terminator.
    static const unsigned char* SkipBlanks(const unsigned char* p)
    {
        for (;;) {
            const unsigned char* q = p;
            const uint32_t nCode = MatchTextDetail::Decode(q);
            if (nCode == 0 || !MatchTextDetail::IsBlank(nCode))
                return p;
            p = q;
        }
    }

    uint32_t NextNormalised()
    {
        for (;;) {
            const unsigned char* pAt = m_p;
            const uint32_t nCode = MatchTextDetail::Decode(m_p);
            if (nCode == 0)
                return 0;
            // The rest of an inner run of blanks in an address, kept as it is.
            if (pAt < m_pInner)
                return nCode;
            if (MatchTextDetail::IsBlank(nCode)) {
                const unsigned char* pRunEnd = SkipBlanks(m_p);
                if (*pRunEnd == 0 || !m_bStarted) {
                    m_p = pRunEnd;
                    continue;
                }
                if (m_form == TextForm::Plain) {
                    m_p = pRunEnd;
                    return ' ';
                }
                m_pInner = pRunEnd;
                return nCode;
            }
            m_bStarted = true;
            return Fold(nCode);
        }
    }

    uint32_t Fold(uint32_t nCode)
    {
        if (!m_bFold || nCode >= MatchTextDetail::kInvalidByte)
            return nCode;
        if (nCode < 0x80)
            return nCode >= 'A' && nCode <= 'Z' ? nCode - 'A' + 'a' : nCode;
        uint32_t folded[3] = {nCode, 0, 0};
        const unsigned nUnits = MatchTextDetail::FoldHigh(nCode, folded);
        // Called only once the pending units are read, so they fit.
        for (unsigned k = nUnits - 1; k > 0 && k < 3; --k)
            m_pending[m_nPending++] = folded[k];
        return folded[0];
    }

    const unsigned char* m_p;
    const unsigned char* m_pInner; // end of the inner run of blanks being read
    const TextForm m_form;
    const bool m_bFold;
    const bool m_bNormalise;
    bool m_bStarted = false; // a unit other than a blank has been read
    uint32_t m_pending[2] = {};
    unsigned m_nPending = 0; // pending units, last first
};

// True when the text reads as no unit at all.
inline bool IsEmptyText(const char* szText, TextForm form, const TextRules& rules)
{
    return MatchTextReader(szText, form, rules).Next() == 0;
}

// JudgeText under NormaliseCompare; kept out of line, as the pairwise scan inlines JudgeText often.
Held JudgeNormalisedText(const char* szText1, const char* szText2, TextForm form, const TextRules& rules);

// How the empty-value rule and the units decide between two texts of the form.
inline Held JudgeText(const char* szText1, const char* szText2, TextForm form, const TextRules& rules)
{
    if (!rules.bNormalise) {
        const auto* p1 = reinterpret_cast<const unsigned char*>(szText1 != nullptr ? szText1 : "");
        const auto* p2 = reinterpret_cast<const unsigned char*>(szText2 != nullptr ? szText2 : "");
        if (*p1 == '\0' || *p2 == '\0')
            return !rules.bCompareEmpty || *p1 == *p2 ? Held::ByEmpty : Held::Not;
        for (;; ++p1, ++p2) {
            const unsigned char c1 = rules.bCaseSensitive ? *p1 : FoldCase(*p1);
            const unsigned char c2 = rules.bCaseSensitive ? *p2 : FoldCase(*p2);
            if (c1 != c2)
                return Held::Not;
            if (c1 == '\0')
                return Held::ByValues;
        }
    }
    return JudgeNormalisedText(szText1, szText2, form, rules);
}
