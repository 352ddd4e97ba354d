#!/usr/bin/env python3
"""Packs a folder into a Java package (.vnj) that Vantrel installs.

The folder holds "vnjava.ini" (suite=, num=, domain=, midlet=, icon=, class=
lines) and the suite's files named "java." + extension, as an exported
package folder does. The package is a RAR 4 archive whose files are stored
uncompressed; every RAR reader takes it.

    scripts/make-vnj.py FOLDER PACKAGE.vnj
"""
import os
import sys
import zlib


def block(from_type: bytes) -> bytes:
    # Each block starts with the low 16 bits of the CRC32 of the rest.
    return (zlib.crc32(from_type) & 0xFFFF).to_bytes(2, "little") + from_type


def file_block(name: str, data: bytes) -> bytes:
    encoded = name.encode("utf-8")
    header = bytes([0x74])
    header += (0x8000).to_bytes(2, "little")           # long block: data follows
    header += (32 + len(encoded)).to_bytes(2, "little")
    header += len(data).to_bytes(4, "little")          # packed size
    header += len(data).to_bytes(4, "little")          # unpacked size
    header += bytes([3])                               # made on Unix
    header += zlib.crc32(data).to_bytes(4, "little")
    header += ((40 << 25) | (1 << 21) | (1 << 16)).to_bytes(4, "little")  # 2020-01-01
    header += bytes([29, 0x30])                        # version 2.9, stored
    header += len(encoded).to_bytes(2, "little")
    header += (0o100644).to_bytes(4, "little")
    return block(header + encoded) + data


def main() -> int:
    if len(sys.argv) != 3 or not os.path.isdir(sys.argv[1]):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder, package = sys.argv[1], sys.argv[2]
    names = sorted(n for n in os.listdir(folder) if os.path.isfile(os.path.join(folder, n)))
    if "vnjava.ini" not in names:
        print(f"make-vnj: {folder} holds no vnjava.ini", file=sys.stderr)
        return 1
    archive = b"Rar!\x1a\x07\x00" + block(bytes([0x73]) + (0).to_bytes(2, "little") +
                                          (13).to_bytes(2, "little") + bytes(6))
    for name in names:
        with open(os.path.join(folder, name), "rb") as source:
            archive += file_block(name, source.read())
    archive += block(bytes([0x7B]) + (0x4000).to_bytes(2, "little") + (7).to_bytes(2, "little"))
    with open(package + ".part", "wb") as target:
        target.write(archive)
    os.replace(package + ".part", package)
    return 0


if __name__ == "__main__":
    sys.exit(main())
