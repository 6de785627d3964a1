#!/usr/bin/env python3
"""The program's layers, each folder allowed to include only those below it. Prints every include
that runs up a layer (or sideways where none is allowed) and fails when there is one. The order is
drawn in docs/architecture.md."""
import os
import re
import sys

ALLOWED = {
    "common": [],
    "platform": ["common"],
    "platform/win32": ["common", "platform", "resources"],
    "platform/fake": ["common", "platform"],
    "settings": ["common", "platform"],
    "journal": ["common", "platform", "settings"],
    "delivery": ["common", "platform", "settings", "journal"],
    "posting": ["common", "platform", "settings", "journal", "delivery"],
    "dialogs": ["common", "platform", "settings", "journal", "delivery", "posting"],
    "tray": ["common", "platform", "settings", "journal", "delivery", "posting"],
    "program": ["common", "platform", "settings", "journal", "delivery", "posting", "dialogs", "tray"],
    "windows": ["common", "platform", "platform/win32", "resources", "settings", "journal", "delivery", "posting",
                "dialogs", "tray", "program"],
}

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")


def folder_of(path):
    """The folder of ALLOWED a file of the tree lies directly in, or None."""
    folder = os.path.dirname(path)
    return folder if folder in ALLOWED or folder == "resources" else None


wrong = []
for folder, allowed in ALLOWED.items():
    if not os.path.isdir(os.path.join(root, folder)):
        continue
    for name in sorted(os.listdir(os.path.join(root, folder))):
        if not name.endswith((".h", ".cpp", ".c")):
            continue
        for number, line in enumerate(open(os.path.join(root, folder, name), encoding="utf-8", errors="replace"), 1):
            match = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
            target = folder_of(match.group(1)) if match else None
            if target and target != folder and target not in allowed:
                wrong.append(f"{folder}/{name}:{number} includes {match.group(1)} ({target} is above {folder})")
print("\n".join(wrong) if wrong else f"layers: every include of {len(ALLOWED)} folders runs down")
sys.exit(1 if wrong else 0)
