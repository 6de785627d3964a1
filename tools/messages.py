#!/usr/bin/env python3
"""The program's message catalogs.

  messages.py extract          writes po/quillet.pot: every text the sources look up
                               (Tr, TrPlural, Translatable), with where each is used
  messages.py check            checks every po/<language>.po against the sources
  messages.py build OUT MODIR  checks, compiles each catalog with msgfmt --check into MODIR and
                               writes OUT, the C++ file that carries them inside the program,
                               packed (a raw LZMA stream, common/built_in_catalogs.h)

A catalog fails the check when it lacks a text the program uses (unless its header says
"X-Partial: yes"), has one the program no longer uses, fills in other placeholders (%1..%9)
than the English, or gives two texts of one window the same access key where the English
gives them different ones; and po/quillet.pot must be the one `extract` writes.
"""
import os
import re
import subprocess
import sys
import lzma

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_FOLDERS = ["common", "delivery", "dialogs", "journal", "networks", "platform", "posting", "program", "settings",
                  "tray", "windows"]
POT = os.path.join(ROOT, "po", "quillet.pot")

LITERAL = r'(?:u|L|u8)?"(?:[^"\\\n]|\\.)*"'
LITERALS = rf'((?:{LITERAL}\s*)+)'
CALLS = [
    ("one", re.compile(rf'\b(?:Tr|Translatable)\(\s*{LITERALS}\)?')),
    ("plural", re.compile(rf'\bTrPlural\(\s*{LITERALS},\s*{LITERALS},')),
]
ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'", "r": "\r", "0": "\0"}


def decode(literals):
    """The text of adjacent C++ string literals."""
    text = ""
    for body in re.findall(r'(?:u|L|u8)?"((?:[^"\\\n]|\\.)*)"', literals):
        i = 0
        while i < len(body):
            c = body[i]
            if c != "\\":
                text += c
                i += 1
                continue
            kind = body[i + 1]
            if kind == "u":
                text += chr(int(body[i + 2:i + 6], 16))
                i += 6
            elif kind == "x":
                digits = re.match(r"[0-9a-fA-F]+", body[i + 2:]).group(0)
                text += chr(int(digits, 16))
                i += 2 + len(digits)
            else:
                text += ESCAPES[kind]
                i += 2
    return text


def sources():
    for folder in SOURCE_FOLDERS:
        for directory, _, files in sorted(os.walk(os.path.join(ROOT, folder))):
            for name in sorted(files):
                if name.endswith((".cpp", ".h")):
                    yield os.path.join(directory, name)


def extract():
    """{(msgid, msgid_plural or None): [the files that use it]} in the order of first use."""
    messages = {}
    for path in sources():
        with open(path, encoding="utf-8") as file:
            code = file.read()
        relative = os.path.relpath(path, ROOT).replace(os.sep, "/")
        found = [(match.start(), kind, match) for kind, pattern in CALLS for match in pattern.finditer(code)]
        for start, kind, match in sorted(found, key=lambda f: f[0]):
            line_start = code.rfind("\n", 0, start) + 1
            if code[line_start:start].lstrip().startswith("//"):
                continue  # an example in a comment
            key = (decode(match.group(1)), decode(match.group(2)) if kind == "plural" else None)
            places = messages.setdefault(key, [])
            if relative not in places:
                places.append(relative)  # the file, not the line: the template changes only with the texts
    return messages


def po_quote(text):
    escaped = text.replace("\\", "\\\\").replace('"', '\\"').replace("\t", "\\t")
    lines = escaped.split("\n")
    if len(lines) == 1:
        return f'"{escaped}"'
    parts = [line + "\\n" for line in lines[:-1]] + ([lines[-1]] if lines[-1] else [])
    return '""\n' + "\n".join(f'"{part}"' for part in parts)


POT_HEADER = '''# The texts Quillet shows, in English: the template of every catalog (po/<language>.po).
# Written by tools/messages.py extract; do not edit.
msgid ""
msgstr ""
"Content-Type: text/plain; charset=UTF-8\\n"
"Content-Transfer-Encoding: 8bit\\n"
"Plural-Forms: nplurals=2; plural=(n != 1);\\n"
'''


def pot_text(messages):
    out = [POT_HEADER]
    for (msgid, plural), places in messages.items():
        entry = "#: " + " ".join(places) + "\n"
        if any(re.search(r"%[1-9]", text) for text in (msgid, plural or "")):
            entry += "#, qt-format\n"  # %1..%9, as Qt writes them: msgfmt checks they are kept
        entry += f"msgid {po_quote(msgid)}\n"
        if plural is None:
            entry += 'msgstr ""\n'
        else:
            entry += f"msgid_plural {po_quote(plural)}\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n"
        out.append(entry)
    return "\n".join(out)


def read_po(path):
    """The catalog's header and its entries: [{msgid, plural, forms, fuzzy, line}]."""
    entries, entry, field = [], None, None
    with open(path, encoding="utf-8") as file:
        lines = file.read().split("\n")

    def finish():
        if entry is not None and "msgid" in entry:
            entries.append(entry)

    for number, raw in enumerate(lines, 1):
        line = raw.strip()
        if line.startswith("#~") or not line:
            continue
        if line.startswith("#"):
            if entry is None or "msgid" in entry:
                finish()
                entry = {"line": number, "fuzzy": False, "forms": {}}
            if line.startswith("#,") and "fuzzy" in line:
                entry["fuzzy"] = True
            continue
        keyword = re.match(r'(msgid_plural|msgid|msgstr\[(\d+)\]|msgstr|msgctxt)\s+(".*")$', line)
        if keyword:
            if keyword.group(1) == "msgid" and (entry is None or "msgid" in entry):
                finish()
                entry = {"line": number, "fuzzy": False, "forms": {}}
            field = keyword.group(1)
            value = decode(keyword.group(3))
        elif line.startswith('"'):
            value = decode(line)
        else:
            raise SystemExit(f"{path}:{number}: cannot read {raw!r}")
        if field == "msgid":
            entry["msgid"] = entry.get("msgid", "") + value if not keyword else value
        elif field == "msgid_plural":
            entry["plural"] = entry.get("plural", "") + value if not keyword else value
        elif field.startswith("msgstr"):
            index = int(field[7:-1]) if "[" in field else 0
            entry["forms"][index] = entry["forms"].get(index, "") + value if not keyword else value
        elif field == "msgctxt":
            raise SystemExit(f"{path}:{number}: Quillet's catalogs have no contexts")
    finish()
    header = next((e for e in entries if e["msgid"] == ""), None)
    return (header["forms"].get(0, "") if header else ""), [e for e in entries if e["msgid"] != ""]


def placeholders(text):
    return set(re.findall(r"%[1-9]", text))


def access_key(text):
    match = re.search(r"&([^&])", text.replace("&&", ""))
    return match.group(1).casefold() if match else None


def check_catalog(path, messages):
    """The faults of one catalog, each a line."""
    faults = []
    header, entries = read_po(path)
    partial = "X-Partial: yes" in header
    name = os.path.basename(path)
    for field in ("Language:", "Plural-Forms:", "X-Language-Name:"):
        if field not in header:
            faults.append(f"{name}: the header lacks {field}")
    by_id = {}
    for entry in entries:
        key = (entry["msgid"], entry.get("plural"))
        if key not in messages:
            faults.append(f"{name}:{entry['line']}: no longer used: {entry['msgid']!r}")
            continue
        by_id[key] = entry
        english = placeholders(entry["msgid"]) | placeholders(entry.get("plural") or "")
        forms = [form for form in entry["forms"].values() if form]
        if forms and not entry["fuzzy"]:
            used = set().union(*(placeholders(form) for form in forms))
            if used != english or (entry.get("plural") is None and placeholders(forms[0]) != english):
                faults.append(f"{name}:{entry['line']}: placeholders {sorted(used)} where the English has "
                              f"{sorted(english)}: {entry['msgid']!r}")
    translated = {}
    for key in messages:
        entry = by_id.get(key)
        forms = [form for form in (entry["forms"].values() if entry else []) if form]
        if entry and forms and not entry["fuzzy"]:
            translated[key] = forms[0]
        elif not partial:
            faults.append(f"{name}: lacks a translation of {key[0]!r}")
    # Access keys: within each file (a window, a menu), texts whose English keys differ must keep
    # different keys.
    groups = {}
    for key, places in messages.items():
        for place in places:
            groups.setdefault(place, set()).add(key)
    for group, keys in sorted(groups.items()):
        keyed = sorted((k for k in keys if access_key(k[0])), key=lambda k: k[0])
        for i, first in enumerate(keyed):
            for second in keyed[i + 1:]:
                if access_key(first[0]) == access_key(second[0]):
                    continue
                a, b = translated.get(first, first[0]), translated.get(second, second[0])
                if access_key(a) is None or access_key(b) is None:
                    faults.append(f"{name}: no access key in {a if access_key(a) is None else b!r} ({group})")
                elif access_key(a) == access_key(b):
                    faults.append(f"{name}: {a!r} and {b!r} share the access key {access_key(a)!r} ({group})")
    return sorted(set(faults))


def catalogs():
    folder = os.path.join(ROOT, "po")
    return sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".po"))


def check():
    messages = extract()
    faults = []
    with open(POT, encoding="utf-8") as file:
        if file.read() != pot_text(messages):
            faults.append("po/quillet.pot is not the sources' texts: run python3 tools/messages.py extract, "
                          "then msgmerge --update --backup=none po/<language>.po po/quillet.pot for each catalog")
    for path in catalogs():
        faults += check_catalog(path, messages)
    for fault in faults:
        print(f"messages: {fault}", file=sys.stderr)
    return not faults


def pack_lzma(data):
    """The bytes as a raw LZMA stream (common/lzma_stream.cpp unpacks it): its properties' byte
    (lc 3, lp 0, pb 0: text, whose bytes are best foretold by the one before), then the range
    coder's bytes, ended by LZMA's end marker. The window holds every catalog."""
    lc, lp, pb = 3, 0, 0
    stream = lzma.compress(data, format=lzma.FORMAT_RAW, filters=[{
        "id": lzma.FILTER_LZMA1, "preset": 9 | lzma.PRESET_EXTREME, "lc": lc, "lp": lp, "pb": pb,
        "dict_size": max(1 << 16, 1 << (len(data) - 1).bit_length())}])
    return bytes([lc + 9 * lp + 45 * pb]) + stream


def c_bytes(data, indent):
    return "\n".join(indent + '"' + "".join(f"\\x{byte:02x}" for byte in data[i:i + 64]) + '"'
                     for i in range(0, len(data), 64))


def build(out, mo_dir):
    if not check():
        sys.exit(1)
    os.makedirs(mo_dir, exist_ok=True)
    rows, unpacked = [], b""
    for path in catalogs():
        stem = os.path.basename(path)[:-3]
        mo = os.path.join(mo_dir, stem + ".mo")
        subprocess.run(["msgfmt", "--check", "--no-hash", "-o", mo, path], check=True)
        with open(mo, "rb") as file:
            data = file.read()
        with open(path, encoding="utf-8") as file:
            language = re.search(r'^"Language:[ \t]*([^\\"]*?)[ \t]*\\n"', file.read(), re.M)
        tag = (language.group(1) if language else "").replace("_", "-") or "en"
        rows.append(f'  {{"{stem}", "{tag}", {len(unpacked)}, {len(data)}}},')
        unpacked += data
    block = pack_lzma(unpacked) if unpacked else b""
    code = ["// Written by tools/messages.py from po/*.po; do not edit.", '#include "common/built_in_catalogs.h"', "",
            "namespace quillet {", "namespace {", "", "constexpr CompiledCatalog kCatalogs[] = {"]
    code += rows or ['  {"", "", 0, 0},']
    literal = c_bytes(block, "    ") or '    ""'
    # The block is read only where the program speaks another language than English: on Windows it
    # goes last among the read-only data (its section's name sorts after the others'), so that a
    # program in English touches none of its pages (docs/code-order.md).
    code += ["};", "", "#if defined(_WIN32) && defined(__GNUC__)", '[[gnu::section(".rdata$zz_packed_catalogs")]]', "#endif",
             f"constexpr char kBlock[] =\n{literal};", "",
             "}  // namespace", "",
             "PackedCatalogs BuiltInCatalogs() {",
             f"  return {{std::span<const CompiledCatalog>(kCatalogs, {len(rows)}), std::string_view(kBlock, {len(block)}), {len(unpacked)}}};",
             "}", "", "}  // namespace quillet", ""]
    text = "\n".join(code)
    if not os.path.exists(out) or open(out, encoding="utf-8").read() != text:
        with open(out, "w", encoding="utf-8") as file:
            file.write(text)


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "extract":
        with open(POT, "w", encoding="utf-8") as file:
            file.write(pot_text(extract()))
    elif command == "check":
        sys.exit(0 if check() else 1)
    elif command == "build" and len(sys.argv) == 4:
        build(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
