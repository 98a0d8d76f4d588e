#!/usr/bin/env python3
"""Writes a host configuration file shaped like a large real one.

ZKCO/0 header, CR LF lines, about one line in ten a Plugin line, one Plugin
line in fifty naming the plug-in in mixed case, a few lines of 300 to 2,000
characters (some naming the plug-in past column 255).

usage: make_host_file.py OUTPUT SIZE_MB PLUGIN_NAME
"""
import random
import sys

WORDS = ["Window", "Colour", "Path", "Recent", "Toolbar", "Palette", "Grid", "Zoom", "Font", "Units"]
DIRS = ["C:\\Program Files\\Host\\Plug-ins\\", "D:\\Shared\\Extensions\\", "C:\\Host\\Extras\\"]
LONG_LINE_EVERY = 100  # lines
PLUGIN_LINE_EVERY = 10
NAMING_PLUGIN_EVERY = 50  # Plugin lines


def mixed_case(rng, name):
    return "".join(c.upper() if rng.random() < 0.5 else c.lower() for c in name)


def plugin_line(rng, name, long):
    names_it = rng.randrange(NAMING_PLUGIN_EVERY) == 0
    base = mixed_case(rng, name) if names_it else "Other%05d" % rng.randrange(100000)
    if long:
        padding = "x" * rng.randrange(300, 2000)
        return "Plugin %s%s\\%s.dll" % (rng.choice(DIRS), padding, base)
    return "Plugin %s%s.dll" % (rng.choice(DIRS), base)


def setting_line(rng, long):
    key = rng.choice(WORDS) + str(rng.randrange(1000))
    if long:
        value = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(50, 330)))
    else:
        value = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(2, 12)))
    return "%s %s" % (key, value)


def main():
    output, size_mb, name = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    rng = random.Random(20261206)
    target = int(size_mb * 1000 * 1000)
    written = 0
    with open(output, "wb") as out:
        lines = ["ZKCO host configuration", "0"]
        pending = 0
        while written + pending < target:
            long = rng.randrange(LONG_LINE_EVERY) == 0
            if rng.randrange(PLUGIN_LINE_EVERY) == 0:
                lines.append(plugin_line(rng, name, long))
            else:
                lines.append(setting_line(rng, long))
            pending += len(lines[-1]) + 2
            if len(lines) >= 10000:
                chunk = ("\r\n".join(lines) + "\r\n").encode("latin-1")
                out.write(chunk)
                written += len(chunk)
                lines = []
                pending = 0
        if lines:
            out.write(("\r\n".join(lines) + "\r\n").encode("latin-1"))


if __name__ == "__main__":
    main()
