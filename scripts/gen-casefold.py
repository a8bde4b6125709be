#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes app/core/CaseFoldTable.h, the full case folding (status C and F) of Python's Unicode
# version, as str.casefold() applies it. Run from the checkout's root after a Python upgrade.
import sys
import unicodedata

singles = []
multis = []
for code in range(0x110000):
    if 0xD800 <= code < 0xE000:
        continue
    folded = chr(code).casefold()
    if folded == chr(code):
        continue
    if len(folded) == 1:
        singles.append((code, ord(folded) - code))
    else:
        multis.append((code, [ord(c) for c in folded]))

# Runs of code points, one apart or two apart, that fold by the same offset.
ranges = []
for code, delta in singles:
    if ranges:
        last = ranges[-1]
        follows = code == last["first"] + last["count"] * last["stride"]
        if last["delta"] == delta and (follows or (last["count"] == 1 and code - last["first"] == 2)):
            if last["count"] == 1:
                last["stride"] = code - last["first"]
            last["count"] += 1
            continue
    ranges.append({"first": code, "count": 1, "stride": 1, "delta": delta})

out = []
out.append("// SPDX-License-Identifier: MIT")
out.append(f"// Unicode {unicodedata.unidata_version} full case folding (CaseFolding.txt, status C and F), written by")
out.append("// scripts/gen-casefold.py; do not edit. Sorted by code point.")
out.append("#pragma once")
out.append("")
out.append("#include <cstdint>")
out.append("")
out.append("// nFirst, nFirst + nStride, ... (nCount code points) fold to themselves plus nDelta.")
out.append("struct CaseFoldRange")
out.append("{")
out.append("    uint32_t nFirst;")
out.append("    uint16_t nCount;")
out.append("    uint16_t nStride;")
out.append("    int32_t nDelta;")
out.append("};")
out.append("")
out.append("// A code point that folds to two or three.")
out.append("struct CaseFoldMulti")
out.append("{")
out.append("    uint32_t nCode;")
out.append("    uint32_t folded[3]; // 0 after the last")
out.append("};")
out.append("")
out.append("// One entry a line, as written here.")
out.append("// clang-format off")
out.append("inline constexpr CaseFoldRange kCaseFoldRanges[] = {")
for r in ranges:
    out.append(f"    {{0x{r['first']:04X}, {r['count']}, {r['stride']}, {r['delta']}}},")
out.append("};")
out.append("")
out.append("inline constexpr CaseFoldMulti kCaseFoldMultis[] = {")
for code, folded in multis:
    units = ", ".join(f"0x{c:04X}" for c in folded + [0] * (3 - len(folded)))
    out.append(f"    {{0x{code:04X}, {{{units}}}}},")
out.append("};")
out.append("// clang-format on")
sys.stdout.write("\n".join(out) + "\n")
