#!/usr/bin/env python3
"""Appends a package header and a one-file stored cabinet to a copy of the stub."""
import struct
import sys
import zlib

stub_path, out_path = sys.argv[1], sys.argv[2]
payload = b"Hello from a tamrix package.\r\n"
name = b"readme.txt\0"
files_offset = 36 + 8
data_offset = files_offset + 16 + len(name)
cabinet_size = data_offset + 8 + len(payload)
cabinet = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, cabinet_size, 0, files_offset, 0, 3, 1, 1, 1, 0,
                      0x1234, 0)
cabinet += struct.pack("<IHH", data_offset, 1, 0)
cabinet += struct.pack("<IIHHHH", len(payload), 0, 0, 0x5A21, 0x6000, 0x20) + name
cabinet += struct.pack("<IHH", 0, len(payload), len(payload)) + payload
header = bytearray(512)
header[0:8] = b"TAMRIX3\0"
struct.pack_into("<5I", header, 396, 0, 1, 0, 0, zlib.crc32(cabinet))
header[416:416 + 5] = b"Demo\0"
with open(stub_path, "rb") as stub, open(out_path, "wb") as out:
    out.write(stub.read() + bytes(header) + cabinet)
