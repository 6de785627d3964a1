#!/usr/bin/env python3
"""One summary of several ctest runs (tools/test.sh runs the Wine tests beside the builds, the rest
after them): the tests that failed, one line in ctest's own words that counts every test, and the
ten slowest. Exits 1 when a test failed or a log holds no summary (its run ended early)."""
import re
import sys

SUMMARY = re.compile(r"^\d+% tests passed, (\d+) tests? failed out of (\d+)", re.M)
FINISHED = re.compile(r"^ *\d+/\d+ Test +#\d+: (\S+) .*? ([\d.]+) sec$", re.M)
FAILED_BLOCK = re.compile(r"^The following tests FAILED:\n((?:\t.*\n?)*)", re.M)


def main(logs):
    failed = total = 0
    failures, times, complete = [], [], True
    for path in logs:
        try:
            text = open(path, encoding="utf-8", errors="replace").read()
        except OSError:
            text = ""
        summary = SUMMARY.search(text)
        if summary:
            failed += int(summary.group(1))
            total += int(summary.group(2))
        elif "No tests were found" not in text:
            print(f"test: {path} ends without ctest's summary: that run ended early")
            complete = False
        for block in FAILED_BLOCK.findall(text):
            failures += [line.strip() for line in block.splitlines() if line.strip()]
        times += [(float(seconds), name) for name, seconds in FINISHED.findall(text)]
    if failures:
        print("The following tests FAILED:")
        for line in failures:
            print("\t" + line)
    passed = total - failed
    percent = 100 if total == 0 else passed * 100 // total
    print(f"{percent}% tests passed, {failed} tests failed out of {total}")
    print("The ten slowest tests:")
    for seconds, name in sorted(times, reverse=True)[:10]:
        print(f"  {seconds:8.1f} s  {name}")
    return 0 if failed == 0 and complete else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
