#!/usr/bin/env python3
"""Builds the sample tree the directory-size benchmark walks.

About FILES regular files (default 200,000) in folders 1 to 12 levels deep,
sized with truncate so they take almost no disk, plus symbolic links (loops
back up the tree, links to files and folders) and hard links. The same seed
gives the same tree.

usage: make_tree.py FOLDER [FILES]
"""
import os
import random
import sys

MAX_DEPTH = 12
FILES_PER_FOLDER = 20
LINK_EVERY = 50        # one folder in this many gets the link loops
HARD_LINK_EVERY = 100  # one file in this many gets a second name
SEED = 20261206


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    top = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) == 3 else 200_000
    rng = random.Random(SEED)
    os.makedirs(top, exist_ok=False)

    folders = [(top, 0)]
    for index in range(max(1, files // FILES_PER_FOLDER)):
        parent, depth = rng.choice(folders)
        if depth >= MAX_DEPTH:
            parent, depth = top, 0
        path = os.path.join(parent, f"d{index}")
        os.mkdir(path)
        folders.append((path, depth + 1))

    made = []
    for index in range(files):
        folder, _ = folders[index % len(folders)]
        path = os.path.join(folder, f"f{index}.dat")
        with open(path, "wb"):
            pass
        # Sizes from a byte to a megabyte, most of them small; the total
        # stays well inside the 32-bit kilobyte result.
        os.truncate(path, int(2 ** rng.uniform(0, 20)))
        made.append(path)
        if index % HARD_LINK_EVERY == 0:
            os.link(path, path + ".hard")

    for index, (folder, _) in enumerate(folders):
        if index % LINK_EVERY == 0:
            os.symlink("..", os.path.join(folder, "loop_up"))
            os.symlink(".", os.path.join(folder, "loop_self"))
            os.symlink(os.path.abspath(top), os.path.join(folder, "loop_top"))
            os.symlink(os.path.abspath(rng.choice(made)), os.path.join(folder, "file_link"))

    print(f"{top}: {files} files, {files // HARD_LINK_EVERY} hard links, "
          f"{len(folders)} folders, deepest {max(d for _, d in folders)}")


if __name__ == "__main__":
    main()
