#!/usr/bin/env python3
"""What became of every confirmed line, from the listener's records and the program's outbox.

    delivery_figures.py records OUTBOX
        prints the outbox's records, one "<state> <line>" a line (state: w waiting, s leaving,
        r refused for good, a may have arrived)
    delivery_figures.py figures RECORD-DIR OUTBOX LINE... [--removed=LINE...]
        LINE... are the lines confirmed with Enter (--removed= those the person removed). Prints per line its arrivals at the listener
        and how each was answered, then the figures; exits 1 unless every line was taken by the
        service exactly once or is kept in the outbox as reported, and none was taken twice.

An arrival "may have been taken" when the listener answered 2xx, or gave no readable answer
(reset, stall, half, flood): only 4xx and 5xx answers say for sure that it was not.
"""
import os
import re
import sys
import urllib.parse

NOT_TAKEN = re.compile(r"^[45]\d\d(/\d+)?$")


def unescape(text):
    out, i = [], 0
    names = {"\\": "\\", "s": " ", "t": "\t", "r": "\r", "n": "\n"}
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append(names.get(text[i + 1], "?"))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def records(path):
    """The outbox's records as (state, line); none when there is no file."""
    if not path or not os.path.exists(path):
        return []
    found = []
    rows = open(path, encoding="utf-8").read().split("\n")
    for row in rows[1:]:
        fields = row.split(" ")
        if len(fields) == 8:  # the first version of the file
            found.append((fields[3], unescape(fields[6])))
        elif len(fields) in (13, 14, 16):  # the second to fourth versions: the line is the last text
            found.append((fields[3], unescape(fields[-2][1:])))  # field, "=" and the escaped text
    return found


def arrivals(record_dir):
    """Per recorded connection: (index, mode, status line sent in the request body or None)."""
    modes = {}
    for row in open(os.path.join(record_dir, "log")).read().splitlines():
        index, mode, _ = row.split(" ", 2)
        if index.isdigit():
            modes[int(index)] = mode
    found = []
    for index in sorted(modes):
        data = open(os.path.join(record_dir, f"request-{index}.bin"), "rb").read()
        body = data.partition(b"\r\n\r\n")[2].decode("ascii", "replace")
        status = urllib.parse.parse_qs(body, keep_blank_values=True).get("status", [None])[0]
        found.append((index, modes[index], status))
    return found


def figures(record_dir, outbox, lines, removed=()):
    """`removed`: confirmed lines the person removed from the outbox: taken at most once, or not."""
    kept = records(outbox)
    came = arrivals(record_dir)
    delivered = reported = duplicates = lost = 0
    for line in removed:
        taken = [mode for _, mode, status in came if status == line and not NOT_TAKEN.match(mode)]
        duplicates += max(0, len(taken) - 1)
        print(f"  {line!r}: removed by the person, taken {len(taken)} times")
    for line in lines:
        answers = [mode for _, mode, status in came if status == line]
        taken = [mode for mode in answers if not NOT_TAKEN.match(mode)]
        accepted = [mode for mode in taken if mode in ("ok", "flood")]
        states = [state for state, text in kept if text == line]
        if len(accepted) == 1 and len(taken) == 1 and not states:
            outcome = "delivered"
            delivered += 1
        elif not accepted and len(taken) <= 1 and any(state in "ar" for state in states):
            outcome = "reported, kept in the outbox"
            reported += 1
        else:
            outcome = "LOST" if not taken and not states else "WRONG"
            lost += 1
        duplicates += max(0, len(taken) - 1)
        print(f"  {line!r}: arrivals {answers or '-'}, outbox {states or '-'}: {outcome}")
    strays = [index for index, _, status in came if status not in lines and status not in removed]
    print(f"lines confirmed {len(lines) + len(removed)}, delivered {delivered}, reported {reported}, "
          f"removed {len(removed)}, "
          f"duplicates: {duplicates}, lost or wrong: {lost}, requests {len(came)}, strays {len(strays)}")
    return 0 if lost == 0 and duplicates == 0 and not strays else 1


def main():
    if sys.argv[1] == "records":
        for state, line in records(sys.argv[2] if len(sys.argv) > 2 else ""):
            print(state, line)
        return 0
    lines = sys.argv[4:]
    removed = [line[len("--removed="):] for line in lines if line.startswith("--removed=")]
    return figures(sys.argv[2], sys.argv[3], [line for line in lines if not line.startswith("--removed=")], removed)


if __name__ == "__main__":
    sys.exit(main())
