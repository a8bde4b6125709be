// SPDX-License-Identifier: MIT
// The stored form of the remembered password: standard base64 (RFC 4648 alphabet, '=' padding,
// no line breaks).
#pragma once

#include <cstddef>

// Encodes nLength bytes of szPlain into szOut of nOutSize bytes, terminated right after its last
// group. False, with szOut emptied when it has room for that, when the whole encoding (four
// characters per started group of three bytes, plus the terminator) does not fit: a cut
// encoding would decode to a different password.
bool EncodePassword(const char* szPlain, std::size_t nLength, char* szOut, std::size_t nOutSize);

// Decodes szStored group by group into szOut of nOutSize bytes, keeping at most nOutSize - 1
// bytes, terminated right after the last one. Returns the number of bytes kept.
std::size_t DecodePassword(const char* szStored, char* szOut, std::size_t nOutSize);
