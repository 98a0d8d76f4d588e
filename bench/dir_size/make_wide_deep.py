#!/usr/bin/env python3
"""Builds SIBLINGS folders side by side (default 4,000), each the top of a
chain DEPTH folders deep (default 33, one more than the POSIX walk keeps
open), with one 1,024-byte file at the bottom of each chain: the shape that
makes a walk come back many times to a level it had to close.

usage: make_wide_deep.py FOLDER [SIBLINGS [DEPTH]]
"""
import os
import sys


def main():
    if len(sys.argv) not in (2, 3, 4):
        sys.exit(__doc__)
    siblings = int(sys.argv[2]) if len(sys.argv) >= 3 else 4_000
    depth = int(sys.argv[3]) if len(sys.argv) == 4 else 33
    os.makedirs(sys.argv[1], exist_ok=False)
    for sibling in range(siblings):
        bottom = os.path.join(sys.argv[1], f"s{sibling}", *(["d"] * (depth - 1)))
        os.makedirs(bottom)
        with open(os.path.join(bottom, "f"), "wb") as file:
            file.truncate(1024)
    print(f"{sys.argv[1]}: {siblings} chains {depth} folders deep")


if __name__ == "__main__":
    main()
