#!/usr/bin/env python3
"""brelo-batch split into shards that run at once on one machine, against one brelo-batch run
with --jobs of the same width.

The inputs are FILES Shift_JIS texts of about 2 MB each (the texts of run.py's jobs benchmark),
converted to EUC-JP by jpconv (-euc). For each width W in 1, 2 and 4:
  shards W: W copies of brelo-batch --jobs 1 --shard K/W started together into one output
            folder; the time runs from the first start to the last end;
  jobs W:   one brelo-batch --jobs W.
Every round runs every configuration once, in an order that rotates from round to round; the
output folder is emptied and the disk synced before every run, and every run's outputs are
checked against Python's codecs. Prints the median wall time of each configuration, and the
ratio of the shards' median to the --jobs median of the same width.

Usage: shards.py BIN [--rounds N] [--files 120] [--work DIR] [--keep]
BIN holds brelo-batch and jpconv."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run import check_outputs, empty_folder, load, make_texts, rotated, write_ini  # noqa: E402

WIDTHS = (1, 2, 4)


def timed(commands):
    """Starts every command at once, waits for all; returns (wall seconds, exit codes)."""
    start = time.perf_counter()
    children = [subprocess.Popen(c, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                for c in commands]
    codes = []
    for child in children:
        _, err = child.communicate()
        codes.append(child.returncode)
        if child.returncode != 0:
            sys.stderr.write(err.decode(errors="replace"))
    return time.perf_counter() - start, codes


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--files", type=int, default=120)
    parser.add_argument("--work", default="/tmp/bench-shards")
    parser.add_argument("--keep", action="store_true")
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    work = args.work
    inputs, out = os.path.join(work, "sjis"), os.path.join(work, "euc")
    print(f"writing {args.files} texts to {inputs}", flush=True)
    expected = make_texts(inputs, args.files)
    ini = os.path.join(work, "jpconv.ini")
    write_ini(ini, os.path.join(args.bin, "jpconv"), "-euc ${infile} ${outfile}")
    batch = [os.path.join(args.bin, "brelo-batch"), "--ini", ini, "--input", inputs,
             "--patterns", "*.txt", "--output", out, "--no-progress", "--no-skip-up-to-date"]
    configs = {}
    for width in WIDTHS:
        configs[f"shards {width}"] = [batch + ["--jobs", "1", "--shard", f"{k}/{width}"]
                                      for k in range(1, width + 1)]
        configs[f"jobs {width}"] = [batch + ["--jobs", str(width)]]
    names = list(configs)
    times = {name: [] for name in names}
    for round_number in range(args.rounds):
        for name in rotated(names, round_number):
            empty_folder(out)
            before = load()
            wall, codes = timed(configs[name])
            problem = check_outputs(out, expected)
            if any(codes) or problem:
                sys.exit(f"{name}: exit codes {codes}, {problem or 'outputs as expected'}")
            times[name].append(wall)
            print(f"round {round_number + 1} {name:9} {wall:7.2f} s  load {before:5.2f}",
                  flush=True)
    print(f"\n{args.files} texts, {args.rounds} rounds, median wall seconds")
    print("| width | shards at once | one run --jobs | shards / jobs |")
    print("|---|---|---|---|")
    for width in WIDTHS:
        shards = statistics.median(times[f"shards {width}"])
        jobs = statistics.median(times[f"jobs {width}"])
        print(f"| {width} | {shards:.2f} s | {jobs:.2f} s | {shards / jobs:.2f}x |")
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
