#!/usr/bin/env python3
"""Writes the release's package manifests beside what the build made:

  release_manifests.py VERSION URL_BASE FEED SETUP_EXE PORTABLE_ZIP OUT_DIR

- winget (manifest format 1.12, three files): OUT_DIR/winget/Velmora.Quillet.yaml (version),
  .installer.yaml (the installer, a per-user NSIS one, and the zip with quillet.exe as a portable
  program), .locale.en-US.yaml (the default locale);
- Scoop: OUT_DIR/scoop/quillet.json, the zip for an Extras-style bucket, with checkver reading
  the release feed and autoupdate following it.

The files are downloaded from URL_BASE/v<VERSION>/<file name>; their SHA-256 is of the files as
they are now (signed, when the build signs). Every string is written double-quoted (JSON's
quoting is YAML's too), so that no value reads as a number or a boolean.
"""
import hashlib
import json
import os
import sys

PACKAGE = "Velmora.Quillet"
PUBLISHER = "Velmora"
HOMEPAGE = "http://www.velmora.com/quillet/"
NEWS_PAGE = "http://www.velmora.com/quillet/news/"
LICENSE = "Proprietary"
SHORT = "A small tray utility that asks, every few minutes, what you are doing and posts the line."
DESCRIPTION = ("Quillet sits in the notification area and pops up a small window every few minutes that asks "
               "\"What are you doing?\". A line typed there is sent to your account on the service, your own "
               "server (GNU social, Friendica, Mastodon and its kin), Bluesky or Nostr, or kept in a journal.")
MANIFEST_VERSION = "1.12.0"
SCHEMA_URL = "https://aka.ms/winget-manifest.{}.1.12.0.schema.json"


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest().upper()


def yaml_lines(value, indent=0):
    """The YAML of a mapping or list of mappings, strings quoted, keys in the order given."""
    pad = " " * indent
    lines = []
    if isinstance(value, dict):
        for key, item in value.items():
            if isinstance(item, (dict, list)):
                lines.append(f"{pad}{key}:")
                lines += yaml_lines(item, indent + 2 if isinstance(item, dict) else indent)
            else:
                lines.append(f"{pad}{key}: {scalar(item)}")
    else:
        for item in value:
            if isinstance(item, dict):
                inner = yaml_lines(item, indent + 2)
                lines.append(f"{pad}- {inner[0].lstrip()}")
                lines += inner[1:]
            else:
                lines.append(f"{pad}- {scalar(item)}")
    return lines


def scalar(value):
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    return json.dumps(value, ensure_ascii=False)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def winget_file(path, kind, fields):
    header = f"# yaml-language-server: $schema={SCHEMA_URL.format(kind)}\n\n"
    fields = {"PackageIdentifier": PACKAGE, **fields, "ManifestType": kind, "ManifestVersion": MANIFEST_VERSION}
    write(path, header + "\n".join(yaml_lines(fields)) + "\n")


def main(argv):
    if len(argv) != 7:
        sys.exit(__doc__)
    version, url_base, feed, setup_exe, portable_zip, out_dir = argv[1:]
    download = f"{url_base.rstrip('/')}/v{version}/"
    winget = os.path.join(out_dir, "winget")
    winget_file(os.path.join(winget, f"{PACKAGE}.yaml"), "version",
                {"PackageVersion": version, "DefaultLocale": "en-US"})
    winget_file(os.path.join(winget, f"{PACKAGE}.installer.yaml"), "installer", {
        "PackageVersion": version,
        "Installers": [
            {
                "Architecture": "x86",
                "InstallerType": "nullsoft",
                "Scope": "user",
                "InstallerUrl": download + os.path.basename(setup_exe),
                "InstallerSha256": sha256(setup_exe),
                "InstallModes": ["interactive", "silent"],
                "UpgradeBehavior": "install",
                # The key under Uninstall that the installer writes.
                "ProductCode": "Quillet",
            },
            {
                "Architecture": "x86",
                "InstallerType": "zip",
                "NestedInstallerType": "portable",
                "NestedInstallerFiles": [{"RelativeFilePath": "quillet.exe", "PortableCommandAlias": "quillet"}],
                "InstallerUrl": download + os.path.basename(portable_zip),
                "InstallerSha256": sha256(portable_zip),
            },
        ],
    })
    winget_file(os.path.join(winget, f"{PACKAGE}.locale.en-US.yaml"), "defaultLocale", {
        "PackageVersion": version,
        "PackageLocale": "en-US",
        "Publisher": PUBLISHER,
        "PublisherUrl": "http://www.velmora.com/",
        "PackageName": "Quillet",
        "PackageUrl": HOMEPAGE,
        "License": LICENSE,
        "ShortDescription": SHORT,
        "Description": DESCRIPTION,
        "Moniker": "quillet",
        "Tags": ["status", "microblog", "mastodon", "bluesky", "nostr", "journal", "tray"],
        "ReleaseNotesUrl": NEWS_PAGE,
    })
    zip_name = os.path.basename(portable_zip)
    scoop = {
        "version": version,
        "description": SHORT,
        "homepage": HOMEPAGE,
        "license": LICENSE,
        "url": download + zip_name,
        "hash": sha256(portable_zip).lower(),
        "bin": "quillet.exe",
        "shortcuts": [["quillet.exe", "Quillet"]],
        "checkver": {"url": feed, "jsonpath": "$.tag_name", "regex": "v?([\\d.]+)$"},
        "autoupdate": {"url": f"{url_base.rstrip('/')}/v$version/{zip_name}"},
    }
    write(os.path.join(out_dir, "scoop", "quillet.json"), json.dumps(scoop, indent=4) + "\n")


if __name__ == "__main__":
    main(sys.argv)
