#!/usr/bin/env python3
"""Builds a chain of DEPTH nested folders (default 10,000), each holding one
1,024-byte file, made through folder descriptors since no path could name
its bottom.

usage: make_chain.py FOLDER [DEPTH]
"""
import os
import sys


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    depth = int(sys.argv[2]) if len(sys.argv) == 3 else 10_000
    os.makedirs(sys.argv[1], exist_ok=False)
    fd = os.open(sys.argv[1], os.O_RDONLY | os.O_DIRECTORY)
    for _ in range(depth):
        os.mkdir("d", dir_fd=fd)
        child = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
        os.close(fd)
        fd = child
        file = os.open("f", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd)
        os.ftruncate(file, 1024)
        os.close(file)
    os.close(fd)
    print(f"{sys.argv[1]}: a chain {depth} folders deep")


if __name__ == "__main__":
    main()
