#!/usr/bin/env python3
"""Writes the Windows programs (not libraries) an NSIS installer carries to OUT_DIR as
program-N.exe, each whole: as far as its sections and its certificate table reach. For an
installer made with one solid LZMA block (SetCompressor /SOLID lzma), which is how
installer/quillet.nsi makes it; with !uninstfinalize, the uninstaller is one of them, as it was
finalized (signed). Prints how many it wrote.

  nsis_programs.py INSTALLER OUT_DIR
"""
import lzma
import os
import struct
import sys

installer, out_dir = sys.argv[1:3]
data = open(installer, "rb").read()
marker = data.find(b"\xef\xbe\xad\xdeNullsoftInst")
if marker < 4:
    sys.exit("no NSIS data in " + installer)
start = marker + 24  # after the first header: flags, signature, magic, two lengths
props = data[start]
dict_size = struct.unpack_from("<I", data, start + 1)[0]
lzma1 = {"id": lzma.FILTER_LZMA1, "dict_size": dict_size, "lc": props % 9, "lp": props // 9 % 5, "pb": props // 45}
payload = lzma.LZMADecompressor(format=lzma.FORMAT_RAW, filters=[lzma1]).decompress(data[start + 5:])


def program_at(offset):
    """The bytes of the executable (not a DLL) whose MZ header is at offset, or None."""
    try:
        pe = offset + struct.unpack_from("<I", payload, offset + 0x3C)[0]
        if payload[pe:pe + 4] != b"PE\0\0":
            return None
        sections, optional_size, characteristics = struct.unpack_from("<H12xHH", payload, pe + 6)
        if characteristics & 0x2000:  # a DLL: the installer's plug-ins
            return None
        optional = pe + 24
        magic = struct.unpack_from("<H", payload, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        cert_offset, cert_size = struct.unpack_from("<II", payload, directories + 4 * 8)
        end = cert_offset + cert_size
        table = optional + optional_size
        for i in range(sections):
            raw_size, raw_pointer = struct.unpack_from("<II", payload, table + 40 * i + 16)
            end = max(end, raw_pointer + raw_size)
        return payload[offset:offset + end] if offset + end <= len(payload) else None
    except struct.error:
        return None


os.makedirs(out_dir, exist_ok=True)
count = 0
offset = payload.find(b"MZ")
while offset >= 0:
    program = program_at(offset)
    if program:
        count += 1
        with open(os.path.join(out_dir, f"program-{count}.exe"), "wb") as f:
            f.write(program)
    offset = payload.find(b"MZ", offset + 2)
print(count)
