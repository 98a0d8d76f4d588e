#!/usr/bin/env python3
"""Times whole processes in turn, ROUNDS times each, and prints the median
and minimum of each with its ratio to the first command (the floor).

usage: interleaved.py ROUNDS NAME COMMAND [NAME COMMAND ...]
"""
import shlex
import statistics
import subprocess
import sys
import time


def main():
    rounds = int(sys.argv[1])
    pairs = list(zip(sys.argv[2::2], sys.argv[3::2]))
    commands = [(name, shlex.split(command)) for name, command in pairs]
    times = {name: [] for name, _ in commands}
    for name, argv in commands:  # warm the cache
        subprocess.run(argv, stdout=subprocess.DEVNULL, check=True)
    for _ in range(rounds):
        for name, argv in commands:
            start = time.perf_counter()
            subprocess.run(argv, stdout=subprocess.DEVNULL, check=True)
            times[name].append(time.perf_counter() - start)
    floor = commands[0][0]
    floor_median = statistics.median(times[floor])
    floor_min = min(times[floor])
    print(f"{'':28} {'median s':>9} {'min s':>7} {'x floor (median)':>17} {'x floor (min)':>14}")
    for name, _ in commands:
        median = statistics.median(times[name])
        least = min(times[name])
        print(f"{name:28} {median:9.3f} {least:7.3f} {median / floor_median:17.3f} "
              f"{least / floor_min:14.3f}")


if __name__ == "__main__":
    main()
