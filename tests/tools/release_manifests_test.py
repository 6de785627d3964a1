#!/usr/bin/env python3
"""The release's manifests as the build made them (BUILD_DIR/release/), checked against the
published JSON schemas of their formats, vendored in third_party/ (winget 1.12, Scoop), with
Debian's python3-jsonschema and python3-yaml; and against what they describe: the version, the
files' SHA-256, the download addresses. A manifest spoilt on purpose must fail the same check,
so that a validator that accepts everything cannot pass.

  release_manifests_test.py SOURCE_DIR BUILD_DIR VERSION URL_BASE
"""
import copy
import hashlib
import json
import os
import sys

import jsonschema
import yaml

source, build, version, url_base = sys.argv[1:5]
release = os.path.join(build, "release")
failures = []


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def schema(*parts):
    with open(os.path.join(source, "third_party", *parts), encoding="utf-8") as f:
        return json.load(f)


def errors(document, against):
    checker = getattr(jsonschema.Draft7Validator, "FORMAT_CHECKER", None) or jsonschema.draft7_format_checker
    validator = jsonschema.Draft7Validator(against, format_checker=checker)
    return [f"{'/'.join(map(str, e.absolute_path))}: {e.message}" for e in validator.iter_errors(document)]


def sha256(name):
    with open(os.path.join(build, name), "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


winget = {}
for kind, suffix in (("version", ""), ("installer", ".installer"), ("defaultLocale", ".locale.en-US")):
    path = os.path.join(release, "winget", f"Velmora.Quillet{suffix}.yaml")
    with open(path, encoding="utf-8") as f:
        document = yaml.safe_load(f)
    winget[kind] = document
    found = errors(document, schema("winget-schemas", f"manifest.{kind}.1.12.0.json"))
    check(f"winget {kind} manifest valid against the 1.12 schema {found}", not found)
    check(f"winget {kind} manifest: Velmora.Quillet {version}",
          document["PackageIdentifier"] == "Velmora.Quillet" and document["PackageVersion"] == version
          and document["ManifestVersion"] == "1.12.0")

installers = {i["InstallerType"]: i for i in winget["installer"]["Installers"]}
setup, portable = installers.get("nullsoft", {}), installers.get("zip", {})
check("winget: the installer is a per-user NSIS one with the installer's SHA-256 and address",
      setup.get("Scope") == "user" and setup.get("InstallerSha256", "").lower() == sha256("quillet-setup.exe")
      and setup.get("InstallerUrl") == f"{url_base}/v{version}/quillet-setup.exe")
check("winget: the zip holds quillet.exe as a portable program, with the zip's SHA-256 and address",
      portable.get("NestedInstallerType") == "portable"
      and portable.get("NestedInstallerFiles", [{}])[0].get("RelativeFilePath") == "quillet.exe"
      and portable.get("InstallerSha256", "").lower() == sha256("quillet-portable.zip")
      and portable.get("InstallerUrl") == f"{url_base}/v{version}/quillet-portable.zip")

with open(os.path.join(release, "scoop", "quillet.json"), encoding="utf-8") as f:
    scoop = json.load(f)
scoop_schema = schema("scoop-schema", "schema.json")
found = errors(scoop, scoop_schema)
check(f"Scoop manifest valid against Scoop's schema {found}", not found)
check("Scoop: the zip's version, SHA-256 and address; quillet.exe on the path and in the Start menu",
      scoop["version"] == version and scoop["hash"] == sha256("quillet-portable.zip")
      and scoop["url"] == f"{url_base}/v{version}/quillet-portable.zip"
      and scoop["bin"] == "quillet.exe" and scoop["shortcuts"] == [["quillet.exe", "Quillet"]])
check("Scoop: checkver reads the feed's tag_name; autoupdate follows the version",
      scoop["checkver"]["jsonpath"] == "$.tag_name" and "$version" in scoop["autoupdate"]["url"])

# The same checks refuse what the formats do not allow.
spoilt = []
broken = copy.deepcopy(winget["installer"])
broken["Installers"][0]["InstallerType"] = "setup.exe"
spoilt.append(("winget installer type", broken, schema("winget-schemas", "manifest.installer.1.12.0.json")))
broken = copy.deepcopy(winget["installer"])
broken["Installers"][1]["InstallerSha256"] = "not a digest"
spoilt.append(("winget digest", broken, schema("winget-schemas", "manifest.installer.1.12.0.json")))
broken = copy.deepcopy(winget["defaultLocale"])
del broken["Publisher"]
spoilt.append(("winget locale without publisher", broken, schema("winget-schemas", "manifest.defaultLocale.1.12.0.json")))
broken = dict(scoop, shortcut=scoop["shortcuts"])
spoilt.append(("Scoop unknown field", broken, scoop_schema))
broken = dict(scoop, hash="1234")
spoilt.append(("Scoop digest", broken, scoop_schema))
for what, document, against in spoilt:
    check(f"a spoilt manifest is refused: {what}", bool(errors(document, against)))

if failures:
    print(f"release_manifests: {len(failures)} check(s) failed")
    sys.exit(1)
print("release_manifests: all checks passed")
