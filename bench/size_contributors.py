#!/usr/bin/env python3
"""What makes an executable big: the input sections a GNU ld map (-Wl,-Map=FILE) placed in the
output, summed per object file (per archive member) and per archive, largest first.

    python3 bench/size_contributors.py quillet.map [TOP]

The figures are bytes of code and data kept after --gc-sections (debug sections and those the
linker discarded are not counted); the stripped file is these plus headers, resources and
section alignment."""
import collections
import re
import sys

SECTION = re.compile(r"^ (\.[\w.$]+|COMMON)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*))?$")
PLACED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*)$")


def contributors(lines):
    per_member = collections.Counter()
    discarded = True
    pending = None
    for line in lines:
        if line.startswith("Discarded input sections"):
            discarded = True
        elif line.startswith("Linker script and memory map"):
            discarded = False
        if discarded:
            continue
        match = SECTION.match(line)
        if match:
            name, address, size, source = match.groups()
            if size is None:
                pending = name
                continue
            pending = None
        elif pending:
            placed = PLACED.match(line)
            pending_name, pending = pending, None
            if not placed:
                continue
            name, (address, size, source) = pending_name, placed.groups()
        else:
            continue
        if name.startswith(".debug") or int(address, 16) == 0:
            continue
        per_member[source.strip()] += int(size, 16)
    return per_member


def short(source):
    match = re.match(r"(.*/)?([^/(]+)(?:\((.*)\))?$", source)
    archive, member = match.group(2), match.group(3)
    return f"{archive}({member})" if member else archive


def main():
    with open(sys.argv[1], encoding="utf-8", errors="replace") as handle:
        per_member = contributors(handle)
    top = int(sys.argv[2]) if len(sys.argv) > 2 else 25
    per_archive = collections.Counter()
    for source, size in per_member.items():
        per_archive[short(source).split("(")[0]] += size
    total = sum(per_member.values())
    print(f"total placed: {total} bytes")
    print("by archive (or object):")
    for name, size in per_archive.most_common(12):
        print(f"  {size:9d}  {name}")
    print(f"largest {top} objects:")
    for source, size in per_member.most_common(top):
        print(f"  {size:9d}  {short(source)}")


if __name__ == "__main__":
    main()
