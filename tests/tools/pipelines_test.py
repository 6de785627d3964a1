#!/usr/bin/env python3
"""The project's shell scripts run under `set -o pipefail`, where a pipeline that ends in a reader
which stops early (`grep -q`, `grep -m`, `head`) fails whenever its producer writes on after the
reader has gone: the producer dies of the closed pipe, and the pipeline's status is the producer's.
A check written so says "no" exactly when the answer was "yes" (and, negated, passes when it
should fail). Prints every such pipeline in the tree's scripts, its eval strings and CMake's
commands included, and fails when there is one; a matcher that reads all of its input
(`grep PATTERN >/dev/null`, the end-to-end tests' `e2e_has`) or a here-string is the way.

With --self-test, checks the matcher on lines written both ways first."""
import os
import re
import sys

# A pipe (not ||), then a reader that may stop before its input ends.
EARLY_READER = re.compile(r"(?<!\|)\|(?!\|)\s*(grep\s+(-[a-zA-Z]*[qm]|--quiet|--max-count)|head\b)")
SCRIPTS = (".sh", ".cmake", ".bash")
FOLDERS = ("tests", "tools", "bench", ".ci", "cmake", "installer")


def early_readers(text):
    """The numbers of the lines of a script that pipe into an early reader (comments aside)."""
    found = []
    for number, line in enumerate(text.splitlines(), 1):
        code = line.split("#", 1)[0] if line.lstrip().startswith("#") else line
        if EARLY_READER.search(code):
            found.append(number)
    return found


def self_test():
    cases = [
        ("e2e_outbox | grep -q '^[wsv] '", True),
        ("! xdotool search --name x | grep -qx \"$1\"", True),
        ("ls dir | head -1", True),
        ("producer | grep -m1 x", True),
        ("producer | grep --quiet x", True),
        ("e2e_outbox | e2e_has '^[wsv] '", False),
        ("grep -q x <<<\"$out\"", False),
        ("producer | grep x >/dev/null", False),
        ("a || grep -q x file", False),
        ("ls | sed -n 1p", False),
        ("# never: producer | grep -q x", False),
    ]
    wrong = [(line, want) for line, want in cases if bool(early_readers(line)) != want]
    for line, want in wrong:
        print(f"pipelines_test: the matcher {'misses' if want else 'wrongly flags'}: {line}")
    return not wrong


def main():
    root = next((a for a in sys.argv[1:] if not a.startswith("--")),
                os.path.join(os.path.dirname(__file__), "..", ".."))
    if "--self-test" in sys.argv and not self_test():
        return 1
    faults = []
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith(SCRIPTS) or name == "CMakeLists.txt":
                    continue
                path = os.path.join(directory, name)
                text = open(path, encoding="utf-8", errors="replace").read()
                faults += [f"{os.path.relpath(path, root)}:{n}" for n in early_readers(text)]
    for fault in faults:
        print(f"{fault}: a pipeline ends in a reader that stops early; under pipefail it fails when "
              "the producer writes on (read the whole output first)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
