#!/usr/bin/env python3
"""The program's layers, each folder allowed to include only those below it. Prints every include
that runs up a layer (or sideways where none is allowed) and fails when there is one. The order is
drawn in docs/architecture.md. The networks are one layer of rooms, `networks/` (the interface, the
registry, what several kinds share) and one folder for each kind: a kind's folder includes no
other kind's, and nothing outside networks/ names a kind: no `ServiceApi::k...` there, and no
include of a header in a kind's folder (the rest asks the account's network, networks/network.h).
The matcher of that rule is checked first on a table of lines written both ways."""
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
    "networks": ["common", "platform", "settings", "journal", "delivery"],
    "posting": ["common", "platform", "settings", "journal", "delivery", "networks"],
    "dialogs": ["common", "platform", "settings", "journal", "delivery", "networks", "posting"],
    "tray": ["common", "platform", "settings", "journal", "delivery", "networks", "posting"],
    "program": ["common", "platform", "settings", "journal", "delivery", "networks", "posting", "dialogs", "tray"],
    "windows": ["common", "platform", "platform/win32", "resources", "settings", "journal", "delivery", "networks",
                "posting", "dialogs", "tray", "program"],
}

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")


def folder_of(path):
    """The folder of ALLOWED a file of the tree lies directly in (a network's folder is the networks'), or None."""
    folder = os.path.dirname(path)
    if folder.startswith("networks/") and folder.count("/") == 1:
        folder = "networks"
    return folder if folder in ALLOWED or folder == "resources" else None


def kind_of(path):
    """The network's folder a file lies in ("networks/nostr"), or None."""
    folder = os.path.dirname(path)
    return folder if folder.startswith("networks/") and folder.count("/") == 1 else None


def files_of(folder):
    """The files of a folder of ALLOWED, with the networks' own folders for the networks."""
    directories = [folder]
    if folder == "networks":
        directories += sorted(f"networks/{kind}" for kind in os.listdir(os.path.join(root, "networks"))
                              if os.path.isdir(os.path.join(root, "networks", kind)))
    for directory in directories:
        for name in sorted(os.listdir(os.path.join(root, directory))):
            if name.endswith((".h", ".cpp", ".c")):
                yield f"{directory}/{name}"


# A kind named: one of the kinds' values, or a header of a kind's own folder included.
KIND_NAMED = re.compile(r'\bServiceApi::k[A-Z]\w*|^\s*#\s*include\s+"networks/[^"/]+/[^"]+"')


def names_kind(line):
    """Whether a line of code (a comment aside) names a kind of network."""
    return bool(KIND_NAMED.search(line.split("//", 1)[0]))


def self_test():
    cases = [
        ("  if (api == ServiceApi::kMastodon) {", True),
        ("ServiceApi api = ServiceApi::kTwitter;", True),
        ('#include "networks/nostr/nostr_keys.h"', True),
        ('  #  include "networks/bluesky/bluesky_session.h"', True),
        ('#include "networks/registry.h"', False),
        ('#include "networks/network.h"', False),
        ("ServiceApi ParseApi(std::u16string_view stored);", False),
        ("  const Network& network = NetworkOf(*account);  // not ServiceApi::kTwitter", False),
        ("// ServiceApi::kJournal posts nowhere", False),
    ]
    wrong = [(line, want) for line, want in cases if names_kind(line) != want]
    for line, want in wrong:
        print(f"layers_test: the kinds' matcher {'misses' if want else 'wrongly flags'}: {line}")
    return not wrong


if not self_test():
    sys.exit(1)

wrong = []
for folder, allowed in ALLOWED.items():
    if not os.path.isdir(os.path.join(root, folder)):
        continue
    for path in files_of(folder):
        for number, line in enumerate(open(os.path.join(root, path), encoding="utf-8", errors="replace"), 1):
            match = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
            target = folder_of(match.group(1)) if match else None
            if target and target != folder and target not in allowed:
                wrong.append(f"{path}:{number} includes {match.group(1)} ({target} is above {folder})")
            if folder != "networks" and names_kind(line):
                wrong.append(f"{path}:{number} names a kind of network (ask the account's network instead)")
            own, other = kind_of(path), kind_of(match.group(1)) if match else None
            if own and other and own != other:
                wrong.append(f"{path}:{number} includes {match.group(1)} (another network's)")
print("\n".join(wrong) if wrong else f"layers: every include of {len(ALLOWED)} folders runs down")
sys.exit(1 if wrong else 0)
