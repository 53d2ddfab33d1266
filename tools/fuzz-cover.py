#!/usr/bin/env python3
"""Cuts a fuzz corpus down to the files that cover the most edges.

Reads the control file that libFuzzer's -merge=1 -merge_control_file=FILE writes (the corpus's
files and the edges each covers), keeps every file with a name of its own (the seeds: test pages,
stores, transcripts, findings), then adds the fuzzer's hash-named files one at a time, each the
one that covers the most edges not yet covered, until the corpus holds CAP files or nothing more
is gained; it deletes the rest and prints what is kept.

    tools/fuzz-cover.py CONTROL_FILE CAP
"""
import os
import re
import sys

HASH_NAME = re.compile(r'^[0-9a-f]{40}$')


def main():
    control, cap = sys.argv[1], int(sys.argv[2])
    lines = open(control, encoding='utf-8').read().split('\n')
    count = int(lines[0])
    files = lines[2:2 + count]
    edges = {i: set() for i in range(count)}
    for line in lines[2 + count:]:
        parts = line.split()
        if parts and parts[0] == 'COV':
            edges[int(parts[1])] = set(parts[2:])
    every = set().union(*edges.values()) if edges else set()
    kept = [i for i in range(count) if not HASH_NAME.match(os.path.basename(files[i]))]
    left = every.difference(*(edges[i] for i in kept))
    others = [i for i in range(count) if i not in kept]
    while left and others and len(kept) < cap:
        best = max(others, key=lambda i: len(edges[i] & left))
        if not edges[best] & left:
            break
        kept.append(best)
        others.remove(best)
        left -= edges[best]
    for i in others:
        os.remove(files[i])
    print(f'{len(kept)} files covering {len(every) - len(left)} of {len(every)} edges')


if __name__ == '__main__':
    main()
