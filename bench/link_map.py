#!/usr/bin/env python3
"""link_map.py MAP [N]: what a GNU ld link map says each input put into the
linked image, summed by archive, then the N largest archive members with the
symbol that pulled each one in. The Windows presets write
build/win32/bin/Install.map and build/win64/bin/Install.map."""
import collections
import re
import sys

SECTION = re.compile(r"^ (\.\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+))?\s*$")
CONTINUED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+)\s*$")


def placed_sizes(text):
    """Yields (input file, bytes) for every input section placed in the image."""
    pending = None
    for line in text.split("Linker script and memory map", 1)[1].splitlines():
        match = SECTION.match(line)
        if match and match.group(2) is None:
            pending = match.group(1)
            continue
        if match:
            name, address, size, source = match.groups()
        else:
            match = CONTINUED.match(line)
            if not (match and pending):
                continue
            name, (address, size, source) = pending, match.groups()
        pending = None
        if not name.startswith(".debug") and int(address, 16) != 0:
            yield source.rsplit("/", 1)[-1], int(size, 16)


def reasons(text):
    """Maps each archive member to the reference that pulled it in."""
    block = text.split("Archive member included", 1)[-1].split("\n", 1)[1]
    lines = block.lstrip("\n").split("\n\n", 1)[0].splitlines()
    return {
        member.strip().rsplit("/", 1)[-1]: because.strip().rsplit("/", 1)[-1]
        for member, because in zip(lines[0::2], lines[1::2])
    }


def main():
    text = open(sys.argv[1]).read()
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    by_archive, by_member = collections.Counter(), collections.Counter()
    for source, size in placed_sizes(text):
        by_archive[source.split("(")[0] if "(" in source else "(objects)"] += size
        by_member[source] += size
    for archive, size in by_archive.most_common():
        print(f"{size:9,d}  {archive}")
    print()
    why = reasons(text)
    for member, size in by_member.most_common(count):
        print(f"{size:9,d}  {member}\n           <- {why.get(member, '')}")


main()
