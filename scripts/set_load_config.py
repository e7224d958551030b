#!/usr/bin/env python3
"""Points a linked PE32 image's load-config directory at its _load_config_used record.

GNU ld 2.40 fills in the TLS directory from __tls_used but leaves the load-config directory empty,
so the stub's record (and with it DependentLoadFlags) would be ignored by the loader. This runs
after the link: it takes the record's address from the link map, checks the record in the image,
writes the directory entry (address and the record's own size) and recomputes the image checksum.

    set_load_config.py IMAGE MAP
"""

import re
import struct
import sys

LOAD_CONFIG_ENTRY = 10
SYMBOL = "_load_config_used"  # the map shows C names without the leading underscore


def fail(message):
    sys.exit(f"set_load_config: {message}")


def symbol_address(map_path):
    pattern = re.compile(r"^\s*0x([0-9a-fA-F]+)\s+_?" + re.escape(SYMBOL) + r"\s*$")
    with open(map_path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            match = pattern.match(line)
            if match:
                return int(match.group(1), 16)
    fail(f"{SYMBOL} not found in {map_path}")


def pe_checksum(image, checksum_at):
    """The optional header's checksum: 16-bit word sum with end-around carry, plus the length."""
    data = bytearray(image)
    data[checksum_at:checksum_at + 4] = bytes(4)  # the field itself counts as zero
    if len(data) % 2:
        data.append(0)
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def main():
    if len(sys.argv) != 3:
        fail("usage: set_load_config.py IMAGE MAP")
    image_path, map_path = sys.argv[1:]
    image = bytearray(open(image_path, "rb").read())
    (pe,) = struct.unpack_from("<I", image, 0x3C)
    if image[pe:pe + 4] != b"PE\0\0":
        fail("not a PE image")
    machine, section_count = struct.unpack_from("<HH", image, pe + 4)
    (optional_size,) = struct.unpack_from("<H", image, pe + 20)
    optional = pe + 24
    if machine != 0x14C or struct.unpack_from("<H", image, optional)[0] != 0x10B:
        fail("not a PE32 i386 image")
    (image_base,) = struct.unpack_from("<I", image, optional + 28)
    (directory_count,) = struct.unpack_from("<I", image, optional + 92)
    if directory_count <= LOAD_CONFIG_ENTRY:
        fail("no load-config directory slot")

    rva = symbol_address(map_path) - image_base
    sections = optional + optional_size
    for i in range(section_count):
        _, virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from(
            "<8sIIII", image, sections + 40 * i)
        if virtual_address <= rva < virtual_address + min(virtual_size, raw_size):
            record = raw_offset + rva - virtual_address
            break
    else:
        fail(f"{SYMBOL} at RVA {rva:#x} lies in no section's file data")

    (size,) = struct.unpack_from("<I", image, record)
    if not 0x40 <= size <= 0x1000:
        fail(f"the record's size {size:#x} is implausible")
    entry = optional + 96 + 8 * LOAD_CONFIG_ENTRY
    struct.pack_into("<II", image, entry, rva, size)
    checksum_at = optional + 64
    struct.pack_into("<I", image, checksum_at, pe_checksum(bytes(image), checksum_at))
    with open(image_path, "wb") as out:
        out.write(image)


if __name__ == "__main__":
    main()
