#!/usr/bin/env python3
"""pe-finish.py FILE: pads a PE file with zero bytes to a multiple of 8 and
sets the checksum in its optional header, in place.

An Authenticode signature is appended at an 8-byte boundary and the signing
tool sets the checksum; doing both here, at link time, means that taking the
signature off a shipped file gives back exactly the bytes that were built."""
import struct
import sys

SIGNATURE_ALIGNMENT = 8
PE_HEADER_POINTER = 0x3C
# The checksum field sits 64 bytes into the optional header, which follows
# the 4-byte "PE\0\0" signature and the 20-byte file header.
CHECKSUM_FROM_PE_HEADER = 4 + 20 + 64


def checksum(data: bytes, field: int) -> int:
    """The PE checksum: 16-bit one's-complement-style sum of the file with
    the checksum field read as zero, plus the file's length."""
    data = data[:field] + b"\0\0\0\0" + data[field + 4 :]
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def main() -> int:
    path = sys.argv[1]
    with open(path, "rb") as file:
        data = bytearray(file.read())
    if data[:2] != b"MZ" or len(data) < PE_HEADER_POINTER + 4:
        sys.exit(f"pe-finish: {path} is not a PE file")
    (pe_header,) = struct.unpack_from("<I", data, PE_HEADER_POINTER)
    field = pe_header + CHECKSUM_FROM_PE_HEADER
    if data[pe_header : pe_header + 4] != b"PE\0\0" or field + 4 > len(data):
        sys.exit(f"pe-finish: {path} is not a PE file")
    data += b"\0" * (-len(data) % SIGNATURE_ALIGNMENT)
    struct.pack_into("<I", data, field, checksum(bytes(data), field))
    with open(path, "wb") as file:
        file.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
