#!/usr/bin/env python3
"""Prints the version resource of a Windows program as the file holds it, one "name=value" a
line: FILEVERSION and PRODUCTVERSION from the fixed part, then every string of the string
tables (ProductName, FileVersion, LegalCopyright, ...).

Usage: wrestool -x --raw --type=16 PROGRAM.exe | version_resource.py
"""
import struct
import sys

FIXED_SIGNATURE = 0xFEEF04BD
TEXT_VALUE = 1  # wType of a node whose value is UTF-16 text, its length counted in characters
HEADER = struct.Struct("<HHH")  # wLength, wValueLength, wType


def align4(offset):
    return (offset + 3) & ~3


def parse_node(data, offset):
    """One node of the resource's tree: (key, value bytes, children, offset of its end)."""
    length, value_length, kind = HEADER.unpack_from(data, offset)
    end = offset + length
    if length < HEADER.size or end > len(data):
        raise ValueError(f"node at {offset} has a length of {length}")
    key_end = offset + HEADER.size
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise ValueError(f"node at {offset} has an unterminated key")
    key = data[offset + HEADER.size:key_end].decode("utf-16-le")
    value_at = align4(key_end + 2)
    value_size = value_length * 2 if kind == TEXT_VALUE else value_length
    value = data[value_at:value_at + value_size]
    children = []
    child_at = align4(value_at + value_size)
    while child_at < end:
        child = parse_node(data, child_at)
        children.append(child)
        child_at = align4(child[3])
    return key, value, children, end


def dotted(most, least):
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def main():
    data = sys.stdin.buffer.read()
    if not data:
        sys.exit("no version resource")
    key, fixed, children, _ = parse_node(data, 0)
    if key != "VS_VERSION_INFO":
        sys.exit(f"not a version resource: {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_SIGNATURE:
        sys.exit(f"fixed version part has signature {signature:#x}")
    print(f"FILEVERSION={dotted(file_ms, file_ls)}")
    print(f"PRODUCTVERSION={dotted(product_ms, product_ls)}")
    for block_key, _, tables, _ in children:
        if block_key != "StringFileInfo":
            continue
        for _, _, strings, _ in tables:
            for name, value, _, _ in strings:
                print(f"{name}={value.decode('utf-16-le').rstrip(chr(0))}")


if __name__ == "__main__":
    main()
