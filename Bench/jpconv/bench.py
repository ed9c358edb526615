#!/usr/bin/env python3
"""jpconv side by side with iconv and nkf on the same files, in one run.

Usage: bench.py JPCONV [--data DIR] [--size MB] [--runs N]
Makes DIR/text.sjis and DIR/text.euc with make_text.py when they are missing, then runs every
tool on every conversion once per round, N rounds, and prints the medians as a Markdown table:
wall-clock time and the CPU time (user + system) the tool used, as MB/s of input (1 MB = 10^6
bytes), and jpconv's ratio to each peer. jpconv always detects the input's encoding; nkf runs
both guessing the input and told it."""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# (title, input file, [(tool label, command, writes to stdout)])
def conversions(jpconv, data, out):
    sjis = os.path.join(data, "text.sjis")
    euc = os.path.join(data, "text.euc")
    return [
        ("Shift_JIS to EUC-JP", sjis, [
            ("jpconv -euc", [jpconv, "-euc", sjis, out], False),
            ("iconv -f SHIFT_JIS -t EUC-JP", ["iconv", "-f", "SHIFT_JIS", "-t", "EUC-JP", sjis], True),
            ("nkf -x -S -e (input named)", ["nkf", "-x", "-S", "-e", sjis], True),
            ("nkf -x -e (input guessed)", ["nkf", "-x", "-e", sjis], True),
        ]),
        ("Shift_JIS to 7-bit JIS", sjis, [
            ("jpconv -newjis", [jpconv, "-newjis", sjis, out], False),
            ("iconv -f SHIFT_JIS -t ISO-2022-JP-3", ["iconv", "-f", "SHIFT_JIS", "-t", "ISO-2022-JP-3", sjis], True),
            ("nkf -S -j (input named)", ["nkf", "-S", "-j", sjis], True),
            ("nkf -j (input guessed)", ["nkf", "-j", sjis], True),
        ]),
        ("EUC-JP to Shift_JIS", euc, [
            ("jpconv -sjis", [jpconv, "-sjis", euc, out], False),
            ("iconv -f EUC-JP -t SHIFT_JIS", ["iconv", "-f", "EUC-JP", "-t", "SHIFT_JIS", euc], True),
            ("nkf -x -E -s (input named)", ["nkf", "-x", "-E", "-s", euc], True),
            ("nkf -x -s (input guessed)", ["nkf", "-x", "-s", euc], True),
        ]),
    ]


def timed(command, to_stdout, out):
    """Wall-clock and CPU seconds of one run; raises if the tool fails."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    if to_stdout:
        with open(out, "wb") as f:
            subprocess.run(command, stdout=f, check=True)
    else:
        subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("jpconv")
    parser.add_argument("--data", default=os.path.join(HERE, "..", "..", "build", "jp-bench-data"))
    parser.add_argument("--size", default="100")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    data = os.path.abspath(args.data)
    if not os.path.exists(os.path.join(data, "text.euc")):
        subprocess.run([sys.executable, os.path.join(HERE, "make_text.py"), data, args.size], check=True)
    out = os.path.join(data, "out")
    table = conversions(os.path.abspath(args.jpconv), data, out)

    # Same job, same bytes: jpconv's EUC-JP must equal iconv's before any figure counts.
    subprocess.run(table[0][2][0][1], stdout=subprocess.DEVNULL, check=True)
    with open(out, "rb") as f:
        ours = f.read()
    theirs = subprocess.run(table[0][2][1][1], stdout=subprocess.PIPE, check=True).stdout
    print("jpconv -euc output %s iconv's" % ("equals" if ours == theirs else "DIFFERS FROM"))

    times = {}
    for _ in range(args.runs):
        for title, source, tools in table:
            for label, command, to_stdout in tools:
                times.setdefault((title, label), []).append(timed(command, to_stdout, out))
    os.remove(out)

    with open("/proc/loadavg") as f:
        load = f.read().split()[:3]
    print("%d rounds, medians; load average after the run: %s" % (args.runs, " ".join(load)))
    print()
    print("| conversion | tool | wall s | wall MB/s | CPU s | CPU MB/s | jpconv is x (wall) | jpconv is x (CPU) |")
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for title, source, tools in table:
        size_mb = os.path.getsize(source) / 1e6
        ours_wall = statistics.median(w for w, _ in times[(title, tools[0][0])])
        ours_cpu = statistics.median(c for _, c in times[(title, tools[0][0])])
        for label, _, _ in tools:
            wall = statistics.median(w for w, _ in times[(title, label)])
            cpu = statistics.median(c for _, c in times[(title, label)])
            ratio_wall = "" if label.startswith("jpconv") else "%.1f" % (wall / ours_wall)
            ratio_cpu = "" if label.startswith("jpconv") else "%.1f" % (cpu / ours_cpu)
            print("| %s | %s | %.2f | %.0f | %.2f | %.0f | %s | %s |" % (
                title, label, wall, size_mb / wall, cpu, size_mb / cpu, ratio_wall, ratio_cpu))
    return 0


if __name__ == "__main__":
    sys.exit(main())
