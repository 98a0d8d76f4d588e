#!/usr/bin/env python3
"""The kilobytes GetDirSizeKB should report for FOLDER: every regular file's
size divided by 1024, rounded down on its own; links are neither followed
nor counted; each hard-linked name counts."""
import os
import stat
import sys


def main():
    total = 0
    for folder, _, names in os.walk(sys.argv[1]):  # does not follow links
        for name in names:
            info = os.lstat(os.path.join(folder, name))
            if stat.S_ISREG(info.st_mode):
                total += info.st_size // 1024
    print(min(total, 2**31 - 1))


if __name__ == "__main__":
    main()
