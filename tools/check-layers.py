#!/usr/bin/env python3
"""Fails on an #include that crosses a layer upward.

Reads the table of allowed folder pairs (tools/layers.txt unless given) and checks every C++
source and header under the folders it names: an #include "..." that names a file of another
folder must name one that the including folder may use. Prints each wrong include with its file
and line, and exits 1 when there is one.

    tools/check-layers.py [--root DIR] [--table FILE]
"""
import argparse
import os
import re
import sys

SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.c', '.inl')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s*<([^>]+)>')
# The table's name for the system's own headers (<windows.h>, <wrl/client.h>...): every <...> header
# with a suffix or a folder, which leaves out the C++ library's (<vector>, <cstdint>).
SYSTEM = '<system>'


def system_header(name):
    return name.endswith('.h') or '/' in name


def read_table(path):
    table = {}
    with open(path, encoding='utf-8') as lines:
        for number, line in enumerate(lines, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            name, colon, allowed = line.partition(':')
            if not colon or not name.strip():
                sys.exit(f'{path}:{number}: expected "folder: folders it may use"')
            table[name.strip().rstrip('/')] = allowed.split()
    return table


def owner(table, path):
    """The table's name for a path: the longest name the path starts with, or None."""
    best = None
    for name in table:
        if (path == name or path.startswith(name + '/')) and (best is None or len(name) > len(best)):
            best = name
    return best


def allowed(table, user, used_path):
    return any(used_path == name or used_path.startswith(name + '/') for name in [user] + table[user])


def check(root, table):
    wrong = []
    seen = set()
    for name in sorted(table):
        if name == SYSTEM:
            continue
        top = os.path.join(root, name)
        if not os.path.isdir(top):
            continue
        for folder, _, files in os.walk(top):
            for file in sorted(files):
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.relpath(os.path.join(folder, file), root).replace(os.sep, '/')
                if path in seen:  # a folder's inner layers are walked with the folder too
                    continue
                seen.add(path)
                user = owner(table, path)
                with open(os.path.join(root, path), encoding='utf-8', errors='replace') as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            system = SYSTEM_INCLUDE.match(line)
                            if system and system_header(system.group(1)) and SYSTEM in table and SYSTEM not in table[user]:
                                wrong.append(f'{path}:{number}: includes <{system.group(1)}>: {user} may not use the system\'s headers')
                            continue
                        included = match.group(1)
                        # Beside the file first, as the compiler looks; then from the root.
                        beside = os.path.normpath(os.path.join(os.path.dirname(path), included)).replace(os.sep, '/')
                        used = beside if os.path.isfile(os.path.join(root, beside)) else os.path.normpath(included).replace(os.sep, '/')
                        used_by = owner(table, used)
                        if used_by is not None and not allowed(table, user, used):
                            wrong.append(f'{path}:{number}: includes "{included}": {user} may not use {used_by}')
    return wrong


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--root', default=os.path.dirname(here))
    parser.add_argument('--table', default=os.path.join(here, 'layers.txt'))
    arguments = parser.parse_args()
    table = read_table(arguments.table)
    unknown = sorted({used for uses in table.values() for used in uses if owner(table, used) is None})
    if unknown:
        sys.exit(f'{arguments.table}: not in the table: {" ".join(unknown)}')
    wrong = check(arguments.root, table)
    for line in wrong:
        print(line)
    if wrong:
        print(f'check-layers: {len(wrong)} include(s) cross a layer upward', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
