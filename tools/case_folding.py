#!/usr/bin/env python3
"""Writes the table of Unicode's simple case folding as a C++ source, from Unicode's own data.

  case_folding.py CASEFOLDING_TXT OUT

CASEFOLDING_TXT is Unicode's CaseFolding.txt (Debian's unicode-data package installs it as
/usr/share/unicode/CaseFolding.txt). The mappings of status C (common) and S (simple) are taken,
for every script; F (full, which grow the text) and T (Turkic) are left out. OUT defines
kCaseFoldRuns, declared in common/case_folding.h: runs of code points that fold by the same
distance, every code point of a run (step 1) or every other one (step 2).
"""
import re
import sys

LINE = re.compile(r'^([0-9A-F]{4,6}); ([CFST]); ([0-9A-F]{4,6}(?: [0-9A-F]{4,6})*); #')


def mappings(path):
    found = {}
    with open(path, encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            match = LINE.match(line)
            if not match:
                sys.exit(f"{path}:{number}: not a line of CaseFolding.txt: {line}")
            code, status, mapping = match.groups()
            if status in "CS":
                found[int(code, 16)] = int(mapping, 16)
    if len(found) < 1000:
        sys.exit(f"{path}: only {len(found)} simple foldings; is it Unicode's CaseFolding.txt?")
    return sorted(found.items())


def runs(pairs):
    """[first, count, step, distance], greedily over the sorted code points."""
    made = []
    for code, folded in pairs:
        distance = folded - code
        if made:
            first, count, step, run_distance = made[-1]
            last = first + (count - 1) * step
            if run_distance == distance and (count == 1 and code - last in (1, 2) or count > 1 and code - last == step):
                made[-1] = [first, count + 1, code - last if count == 1 else step, distance]
                continue
        made.append([code, 1, 1, distance])
    return made


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    made = runs(mappings(sys.argv[1]))
    rows = ",\n".join(f"    {{0x{first:X}, {count}, {step}, {distance}}}" for first, count, step, distance in made)
    source = (
        "// Made by tools/case_folding.py from Unicode's CaseFolding.txt; not to be edited.\n"
        '#include "common/case_folding.h"\n\n'
        "namespace quillet {\n\n"
        f"const CaseFoldRun kCaseFoldRuns[{len(made)}] = {{\n{rows}}};\n"
        f"const std::size_t kCaseFoldRunCount = {len(made)};\n\n"
        "}  // namespace quillet\n"
    )
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write(source)


main()
