#!/usr/bin/env python3
"""The catalogs' check (tools/messages.py): each kind of fault a translator can make is found,
and a sound catalog, a partial one and a fuzzy entry are judged as they should be."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import messages  # noqa: E402

HEADER = '''msgid ""
msgstr ""
"Language: de\\n"
"X-Language-Name: Deutsch\\n"
"Plural-Forms: nplurals=2; plural=(n != 1);\\n"
{extra}
'''
USED = {("&Add...", None): ["windows/options.cpp"], ("&Remove", None): ["windows/options.cpp"],
        ("Not posted to %1", None): ["delivery/outbox.cpp"],
        ("%1 line waiting", "%1 lines waiting"): ["tray/tray.cpp"]}
SOUND = {"&Add...": "&Hinzufügen...", "&Remove": "&Entfernen", "Not posted to %1": "Nicht an %1 gesendet"}
PLURAL = 'msgid "%1 line waiting"\nmsgid_plural "%1 lines waiting"\nmsgstr[0] "%1 Zeile wartet"\nmsgstr[1] "%1 Zeilen warten"\n'


def catalog(texts, extra="", more=""):
    body = HEADER.format(extra=extra) + "".join(f'\nmsgid "{k}"\nmsgstr "{v}"\n' for k, v in texts.items())
    return body + "\n" + PLURAL + more


CASES = [  # (what, catalog, the faults' telling words; none for a sound catalog)
    ("sound", catalog(SOUND), []),
    ("lacks one", catalog({k: v for k, v in SOUND.items() if k != "&Remove"}), ["lacks a translation of '&Remove'"]),
    ("partial may lack", catalog({k: v for k, v in SOUND.items() if k != "&Remove"}, '"X-Partial: yes\\n"'), []),
    ("fuzzy is lacking", catalog({k: v for k, v in SOUND.items() if k != "&Remove"},
                                 more='\n#, fuzzy\nmsgid "&Remove"\nmsgstr "&Entfernen"\n'), ["lacks a translation of '&Remove'"]),
    ("unused", catalog({**SOUND, "Old text": "Alter Text"}), ["no longer used: 'Old text'"]),
    ("placeholder lost", catalog({**SOUND, "Not posted to %1": "Nicht gesendet"}), ["placeholders [] where the English has ['%1']"]),
    ("placeholder added", catalog({**SOUND, "&Remove": "&Entfernen %2"}), ["placeholders ['%2']"]),
    ("access keys clash", catalog({**SOUND, "&Remove": "&Hinweg"}), ["share the access key 'h'"]),
    ("access key lost", catalog({**SOUND, "&Remove": "Entfernen"}), ["no access key in 'Entfernen'"]),
]

failures = 0
with tempfile.TemporaryDirectory() as folder:
    for what, text, expected in CASES:
        path = os.path.join(folder, "de.po")
        with open(path, "w", encoding="utf-8") as file:
            file.write(text)
        faults = messages.check_catalog(path, USED)
        found = all(any(words in fault for fault in faults) for words in expected)
        if not found or (not expected and faults) or (expected and len(faults) != len(expected)):
            failures += 1
            print(f"FAIL {what}: expected {expected}, got {faults}")
print(f"{len(CASES) - failures} of {len(CASES)} cases as expected")
sys.exit(1 if failures else 0)
