// SPDX-License-Identifier: MIT
#include "core/PasswordCodec.h"

namespace
{

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six-bit value of a base64 character, -1 for anything outside the alphabet ('=' included).
int SextetOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

bool EncodePassword(const char* szPlain, std::size_t nLength, char* szOut, std::size_t nOutSize)
{
    if (szOut == nullptr || nOutSize == 0)
        return false;
    szOut[0] = '\0';
    if (szPlain == nullptr && nLength > 0)
        return false;
    const std::size_t nGroups = nLength / 3 + (nLength % 3 != 0 ? 1 : 0);
    if (nGroups > (nOutSize - 1) / 4)
        return false;

    const auto* pIn = reinterpret_cast<const unsigned char*>(szPlain);
    std::size_t nOut = 0;
    for (std::size_t i = 0; i < nLength; i += 3) {
        const std::size_t nTake = nLength - i < 3 ? nLength - i : 3;
        const unsigned long nBits = static_cast<unsigned long>(pIn[i]) << 16 |
                                    (nTake > 1 ? static_cast<unsigned long>(pIn[i + 1]) << 8 : 0) |
                                    (nTake > 2 ? static_cast<unsigned long>(pIn[i + 2]) : 0);
        szOut[nOut++] = kAlphabet[(nBits >> 18) & 0x3F];
        szOut[nOut++] = kAlphabet[(nBits >> 12) & 0x3F];
        szOut[nOut++] = nTake > 1 ? kAlphabet[(nBits >> 6) & 0x3F] : '=';
        szOut[nOut++] = nTake > 2 ? kAlphabet[nBits & 0x3F] : '=';
    }
    szOut[nOut] = '\0';
    return true;
}

std::size_t DecodePassword(const char* szStored, char* szOut, std::size_t nOutSize)
{
    if (szOut == nullptr || nOutSize == 0)
        return 0;
    std::size_t nOut = 0;
    bool bEnd = szStored == nullptr;
    for (std::size_t i = 0; !bEnd; i += 4) {
        // A group is its leading run of alphabet characters: '=', any other character or the
        // terminator ends it there. Characters after the terminator are never looked at.
        int sextets[4] = {};
        std::size_t nRun = 0;
        while (nRun < 4) {
            const char c = szStored[i + nRun];
            if (c == '\0') {
                bEnd = true;
                break;
            }
            const int nSextet = SextetOf(c);
            if (nSextet < 0)
                break;
            sextets[nRun++] = nSextet;
        }
        // The terminator inside a group also ends decoding.
        for (std::size_t k = nRun; k < 4 && !bEnd; ++k) {
            if (szStored[i + k] == '\0')
                bEnd = true;
        }

        const unsigned char bytes[3] = {
            static_cast<unsigned char>(sextets[0] << 2 | sextets[1] >> 4),
            static_cast<unsigned char>((sextets[1] & 0x0F) << 4 | sextets[2] >> 2),
            static_cast<unsigned char>((sextets[2] & 0x03) << 6 | sextets[3]),
        };
        for (std::size_t k = 0; k + 1 < nRun && nOut + 1 < nOutSize; ++k)
            szOut[nOut++] = static_cast<char>(bytes[k]);
    }
    szOut[nOut] = '\0';
    return nOut;
}
