#!/usr/bin/env python3
"""Runs every benchmark under Wine and prints one table: each figure, its target, what was measured
and whether the target was met. Run through tools/bench.sh, which builds the benchmarks and starts
the Wine session; here each benchmark's own report is read line by line.

Targets come from the benchmarks themselves; a target marked * is this table's own, for a figure
that its benchmark prints with none."""
import argparse
import os
import pathlib
import re
import subprocess
import sys
from dataclasses import dataclass
from typing import Callable, List, Optional


@dataclass
class Row:
    figure: str
    target: float
    unit: str
    measured: Optional[float]
    own_target: bool = False

    def met(self) -> bool:
        return self.measured is not None and self.measured <= self.target


def number(pattern: str, text: str, group: int = 1) -> Optional[float]:
    found = re.search(pattern, text, re.MULTILINE)
    return float(found.group(group).replace(',', '')) if found else None


def text_bench(out: str) -> List[Row]:
    return [Row('6,000 word widths from the width tables (median)', 0.5, 'ms',
                number(r'widths from tables:.*median\s+([\d.]+) ms', out))]


def engine_bench(out: str) -> List[Row]:
    return [Row('main page of 1,000 rows parsed and styled (median)', 50, 'ms',
                number(r'^parse and style\s.*median\s+([\d.]+) ms', out), own_target=True)]


def layout_bench(out: str) -> List[Row]:
    rows = []
    for line in out.splitlines():
        found = re.match(r'^(\S.*?)\s+best\s+[\d.]+ ms, median\s+([\d.]+) ms, .*\(target ([\d.]+) ms\)', line)
        if found:
            rows.append(Row(f'1,000 rows at 1280x800: {found.group(1)} (median)', float(found.group(3)), 'ms',
                            float(found.group(2))))
    return rows or [Row('1,000 rows at 1280x800: layout and paint', 7, 'ms', None)]


def input_bench(out: str) -> List[Row]:
    return [Row('keystroke to its painted caret (median)', 16, 'ms',
                number(r'^keystroke to caret\s.*median\s+([\d.]+) ms', out)),
            Row('click to the painted list of a drop-down of 200 (median)', 16, 'ms',
                number(r'^drop-down of 200\s.*median\s+([\d.]+) ms', out))]


def memory_bench(out: str) -> List[Row]:
    empty = number(r'^empty page\s+heap\s+([\d.]+) KB', out)
    full = number(r'^1,000 rows laid out, painted\s+heap\s+([\d.]+) KB', out)
    rows_heap = (full - empty) / 1024 if full is not None and empty is not None else None
    return [Row('engine heap for 1,000 rows', 7, 'MB', rows_heap),
            Row('engine private memory with 1,000 rows', 20, 'MB',
                number(r'^1,000 rows laid out, painted\s.*committed private ([\d.]+) MB', out))]


def store_bench(out: str) -> List[Row]:
    return [Row('store of 256 MB of empty records loaded', 3000, 'ms',
                number(r'store of 256 MB of empty records: loaded, \d+ entries, ([\d.]+) ms', out)),
            Row('  its peak private memory', 100, 'MB',
                number(r'store of 256 MB of empty records: .*peak private \+?([-\d.]+) MB', out)),
            Row('store of 300 MB refused', 10, 'ms',
                number(r'store of 300 MB of empty records: refused, \d+ entries, ([\d.]+) ms', out)),
            Row('store of 10,000 profiles saved (median)', 500, 'ms', number(r'^save: median ([\d.]+) ms', out),
                own_target=True),
            Row('store of 10,000 profiles loaded (median)', 500, 'ms', number(r'^load: median ([\d.]+) ms', out),
                own_target=True)]


def monitor_bench(out: str) -> List[Row]:
    return [Row('monitor thread at its 300 ms period, share of one core', 0.2, '%',
                number(r'^product period:.*\n\s+monitor thread CPU .*, ([\d.]+)% of one core', out), own_target=True)]


def app_startup(out: str) -> List[Row]:
    return [Row('Gatewarden.exe start-up to its view on screen, times the floor', 1.2, 'x',
                number(r'^start-up goal: .*the floor: ([\d.]+)x', out))]


def app_scaling(out: str) -> List[Row]:
    per_1000 = number(r'processor time per profile: ([\d.]+) ms up to 1,000', out)
    per_5000 = number(r'processor time per profile: [\d.]+ ms up to 1,000, ([\d.]+) ms up to 5,000', out)
    return [Row('start-up with 1,000 profiles, times the start with 4 (wall)', 1.5, 'x',
                number(r'^start-up with 1000 profiles: median [\d.]+ ms \(([\d.]+)x', out)),
            Row('start-up with 1,000 profiles, times the start with 4 (processor)', 1.5, 'x',
                number(r'^start-up with 1000 profiles: .*processor [\d.]+ ms \(([\d.]+)x', out)),
            Row('processor time per profile to 5,000, times that to 1,000', 1.5, 'x',
                per_5000 / per_1000 if per_1000 and per_5000 is not None else None)]


def app_memory(out: str) -> List[Row]:
    return [Row('Gatewarden.exe private memory over the floor, empty store', 3, 'MB',
                number(r'^private memory, empty store: .*\+([-\d.]+) MB', out)),
            Row('Gatewarden.exe private memory over the floor, 1,000 profiles', 10, 'MB',
                number(r'^private memory, 1,000 profiles: .*\+([-\d.]+) MB', out)),
            Row('Gatewarden.exe with 1,000 profiles, private', 20, 'MB',
                number(r'^private memory, 1,000 profiles: .*Gatewarden ([\d.]+) MB', out))]


def app_idle(out: str) -> List[Row]:
    return [Row('Gatewarden.exe idle, window shown, share of one core', 0.05, '%',
                number(r'^idle with the window shown, \d+ s: .*Gatewarden ([\d.]+)%', out)),
            Row('Gatewarden.exe idle, window hidden, share of one core', 0.05, '%',
                number(r'^idle with the window hidden, \d+ s: .*Gatewarden ([\d.]+)%', out))]


def shown(value: float) -> str:
    return f'{value:.0f}' if value >= 100 else f'{value:.1f}' if value >= 10 else f'{value:.3g}'


def run(wine: str, exe: pathlib.Path, arguments: List[str], log, standin: bool) -> str:
    print(f'running {exe.name} {" ".join(arguments)}', file=sys.stderr, flush=True)
    env = dict(os.environ)
    if standin:
        env['WINEDLLOVERRIDES'] = 'wininet=n'
    try:
        # From the checkout's root, where MemoryBench finds the main page.
        done = subprocess.run([wine, str(exe), *arguments], capture_output=True, text=True,
                              errors='replace', timeout=1200, env=env)
        out = done.stdout
        if done.returncode != 0:
            log.write(f'(exit code {done.returncode})\n{done.stderr[-2000:]}\n')
    except subprocess.TimeoutExpired as expired:
        out = expired.stdout.decode(errors='replace') if expired.stdout else ''
    log.write(f'=== {exe.name} {" ".join(arguments)}\n{out}\n')
    return out


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--bench', required=True, help='folder of the engine, store and memory benchmarks')
    parser.add_argument('--beside-standin', required=True,
                        help='folder where AppBench and MonitorIdleBench run beside the WinINet stand-in')
    parser.add_argument('--idle-seconds', default='60')
    parser.add_argument('--log', default='bench-output.txt', help='where the benchmarks\' own reports go')
    parser.add_argument('--wine', default='wine')
    args = parser.parse_args()
    bench = pathlib.Path(args.bench).resolve()
    standin = pathlib.Path(args.beside_standin).resolve()
    plan: List[tuple] = [
        (bench / 'TextBench.exe', [], text_bench),
        (bench / 'EngineBench.exe', [], engine_bench),
        (bench / 'LayoutBench.exe', [], layout_bench),
        (bench / 'InputBench.exe', [], input_bench),
        (bench / 'MemoryBench.exe', [], memory_bench),
        (bench / 'StoreBench.exe', [], store_bench),
        (standin / 'MonitorIdleBench.exe', [], monitor_bench),
        (standin / 'AppBench.exe', ['startup'], app_startup),
        (standin / 'AppBench.exe', ['scaling'], app_scaling),
        (standin / 'AppBench.exe', ['memory'], app_memory),
        (standin / 'AppBench.exe', ['idle', args.idle_seconds], app_idle),
    ]
    rows: List[Row] = []
    with open(args.log, 'w', encoding='utf-8') as log:
        for exe, arguments, read in plan:
            rows += read(run(args.wine, exe, arguments, log, exe.parent == standin))

    width = max(len(row.figure) for row in rows)
    print(f'{"figure":<{width}}  {"target":>12}  {"measured":>12}  result')
    print(f'{"-" * width}  {"-" * 12}  {"-" * 12}  ------')
    for row in rows:
        target = f'<= {row.target:g} {row.unit}{"*" if row.own_target else ""}'
        measured = f'{shown(row.measured)} {row.unit}' if row.measured is not None else 'no result'
        print(f'{row.figure:<{width}}  {target:>12}  {measured:>12}  {"pass" if row.met() else "FAIL"}')
    met = sum(row.met() for row in rows)
    print(f'\nBenchmarks: {met} of {len(rows)} targets met.'
          ' * this table\'s own target: its benchmark states none.'
          f' Each benchmark\'s own report: {args.log}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
