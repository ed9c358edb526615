#!/usr/bin/env python3
"""brelo-batch timed from outside, side by side with find, on real trees of empty files.

  scan:  brelo-batch --preview (the scan into the tree value, printed) against find -name over
         100,000 files in 1,111 folders, once with a pattern matching 90,000 files, once with one
         matching 10.
  preview: brelo-batch --preview against find -iname '*.txt' over N empty files in N / 100
         folders, three of every four named *.txt (--sizes, default 10,000 and 100,000), with
         the wall clock, the CPU time and the peak memory of every run.
  batch: brelo-batch running a trivial converter over 1,000, 10,000 and 50,000 files, against
         find -type f -name '*.txt' -exec CONVERTER {} OUT ';' over the same files, and
         brelo-batch once more with a converter that is not there ("nostart", and
         "before-nostart" for the other build). Standard
         output goes through a pipe to this script, which stamps the arrival of the first
         file's entry and of every 1,000th (every 100th below 10,000 files), with the program's
         own CPU time and its converters' so far; the stamps give the cost per file in each
         fifth of the run.

Every round runs every tool once, in an order that rotates from round to round; the tables give
medians over the rounds. Peak memory is what /usr/bin/time -f %M prints for the program (the
larger of its own peak and its children's); time runs it, since a child forked from this script
would count the script's own pages.

Usage:
  run.py scan  BIN [--before BIN] [--rounds N] [--work DIR]
  run.py preview BIN [--before BIN] [--rounds N] [--sizes 10000,100000] [--work DIR]
  run.py batch BIN [--before BIN] [--rounds N] [--sizes 1000,10000,50000] [--tools LIST]
               [--work DIR]
BIN holds brelo-batch and spawn_trivial; --before adds the brelo-batch of another build as tool
"before" (with the same converter).
"""
import argparse
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def make_files(directory, names):
    os.makedirs(directory, exist_ok=True)
    for name in names:
        open(os.path.join(directory, name), "wb").close()


def make_scan_tree(root):
    """10 x 10 x 10 leaf folders of 90 .txt and 10 .dat files; ten rare.xyz: 101,121 entries."""
    if os.path.isdir(root):
        return
    for a in range(10):
        for b in range(10):
            for c in range(10):
                leaf = os.path.join(root, f"d{a}", f"e{b}", f"f{c}")
                make_files(leaf, [f"n{i:02d}.txt" for i in range(90)] +
                           [f"n{i:02d}.dat" for i in range(90, 100)])
        make_files(os.path.join(root, f"d{a}", "e0", "f0"), ["rare.xyz"])


def make_batch_tree(root, count):
    """count .txt files, 100 to a folder."""
    if os.path.isdir(root):
        return
    for folder in range(count // 100):
        make_files(os.path.join(root, f"g{folder:03d}"), [f"m{i:02d}.txt" for i in range(100)])


def write_ini(path, converter):
    with open(path, "w") as ini:
        ini.write("[Converter]\nConverter_Number=1\nCurrent Converter=0\n"
                  "Converter001_Title=Trivial\n"
                  f"Converter001_ExeFile={converter}\n"
                  "Converter001_Arguments=${infile} ${outfile}\n"
                  "Converter001_WorkDir=${location}\n")


RSS_FILE = None  # where /usr/bin/time leaves the peak resident KiB


def timed(command):
    return ["/usr/bin/time", "-f", "%M", "-o", RSS_FILE] + command


def finish(child, command, ok_codes=(0,)):
    """Waits for child; the peak resident KiB of command, or the end of the script if it failed."""
    if child.wait() not in ok_codes:
        sys.exit(f"{command[0]} exited with {child.returncode}")
    with open(RSS_FILE) as rss:
        return int(rss.read().split()[-1])


def program_pid(time_pid):
    """The pid of the program /usr/bin/time started, once it has been started."""
    try:
        with open(f"/proc/{time_pid}/task/{time_pid}/children") as children:
            pids = children.read().split()
        return int(pids[0]) if pids else None
    except OSError:
        return None


def cpu_seconds(pid):
    """(own, children's) CPU seconds of pid so far; the children's count once they are reaped."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except (OSError, TypeError):
        return (float("nan"), float("nan"))
    ticks = os.sysconf("SC_CLK_TCK")
    return ((int(fields[11]) + int(fields[12])) / ticks,
            (int(fields[13]) + int(fields[14])) / ticks)


def run_stamped(command, marker, every, total, ok_codes):
    """Runs command with standard output on a pipe. Returns (wall seconds, stamps, lines, rss):
    stamps maps n to (seconds from the start, the program's own CPU seconds, its reaped
    children's CPU seconds) when the n-th line holding marker arrived, for n = 1, every
    multiple of every and total - 1 (the program may be gone by the total-th line, so its CPU
    is read there too); rss is the peak resident KiB."""
    stamps = {}
    seen = 0
    pid = None
    start = time.perf_counter()
    child = subprocess.Popen(timed(command), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    for line in child.stdout:
        if marker in line:
            seen += 1
            if seen == 1 or seen % every == 0 or seen == total - 1:
                wall = time.perf_counter() - start
                pid = pid or program_pid(child.pid)
                stamps[seen] = (wall,) + cpu_seconds(pid)
    peak = finish(child, command, ok_codes)
    return time.perf_counter() - start, stamps, seen, peak


def run_quiet(command):
    """Wall seconds and peak resident KiB of command, its output discarded."""
    start = time.perf_counter()
    child = subprocess.Popen(timed(command), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    peak = finish(child, command)
    return time.perf_counter() - start, peak


def rotated(tools, round_number):
    shift = round_number % len(tools)
    return tools[shift:] + tools[:shift]


def median(values):
    return statistics.median(values)


def scan(args, work):
    tree = os.path.join(work, "scan-tree")
    make_scan_tree(tree)
    out = os.path.join(work, "scan-out")
    os.makedirs(out, exist_ok=True)
    ini = os.path.join(work, "trivial.ini")
    write_ini(ini, os.path.join(args.bin, "spawn_trivial"))
    entries = sum(1 + len(files) for _, _, files in os.walk(tree))

    def preview(bin_dir, pattern):
        return [os.path.join(bin_dir, "brelo-batch"), "--ini", ini, "--input", tree,
                "--patterns", pattern, "--subfolders", "--output", out, "--preview"]

    tools = {}
    for label, pattern in (("most", "*.txt"), ("rare", "*.xyz")):
        tools[f"preview {label}"] = preview(args.bin, pattern)
        if args.before:
            tools[f"before {label}"] = preview(args.before, pattern)
        tools[f"find {label}"] = ["find", tree, "-name", pattern]
    times = {name: [] for name in tools}
    rss = {name: [] for name in tools}
    for r in range(args.rounds):
        for name in rotated(list(tools), r):
            wall, peak = run_quiet(tools[name])
            times[name].append(wall)
            rss[name].append(peak)
            print(f"round {r + 1} {name:<14} {wall:8.3f} s {peak:8d} KiB", flush=True)
    print(f"\n{entries} entries, {args.rounds} rounds, medians")
    print(f"{'tool':<14} {'s':>8} {'entries/s':>11} {'find/tool':>9} {'peak KiB':>9}")
    for name in tools:
        t = median(times[name])
        find_time = median(times["find " + name.split()[1]])
        print(f"{name:<14} {t:8.3f} {entries / t:11.0f} {find_time / t:9.2f} "
              f"{median(rss[name]):9.0f}")


def make_preview_tree(root, count):
    """count empty files, 100 to a folder, three of every four *.txt and the fourth *.dat."""
    if os.path.isdir(root):
        return
    for folder in range(count // 100):
        make_files(os.path.join(root, f"d{folder:04d}"),
                   [f"f{folder * 100 + i:05d}.{'dat' if i % 4 == 3 else 'txt'}"
                    for i in range(100)])


def run_measured(command):
    """(wall, CPU seconds, peak resident KiB) of command, its output discarded. The CPU time
    comes from the rusage of /usr/bin/time, which holds the program's, to the microsecond."""
    start = time.perf_counter()
    child = subprocess.Popen(timed(command), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"{command[0]} exited with {child.returncode}")
    with open(RSS_FILE) as rss:
        peak = int(rss.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak


def preview(args, work):
    sizes = [int(size) for size in (args.sizes or "10000,100000").split(",")]
    tools = {}
    for count in sizes:
        tree = os.path.join(work, f"preview-{count}")
        make_preview_tree(tree, count)
        out = os.path.join(work, f"preview-{count}-out")
        os.makedirs(out, exist_ok=True)
        ini = os.path.join(work, f"preview-{count}.ini")
        with open(ini, "w") as settings:
            settings.write(f"[Input]\nInput Directory 001={tree}\nFile Patterns 001=*.txt\n"
                           "Include Subfolders=1\n[Output]\n"
                           f"Output Directory 001={out}\n"
                           "File Patterns 001=${prefix}.${suffix}\n")
        tools[f"preview {count}"] = [os.path.join(args.bin, "brelo-batch"), "--ini", ini,
                                     "--preview"]
        if args.before:
            tools[f"before {count}"] = [os.path.join(args.before, "brelo-batch"), "--ini", ini,
                                        "--preview"]
        tools[f"find {count}"] = ["find", tree, "-iname", "*.txt"]
    figures = {name: [] for name in tools}
    for r in range(args.rounds):
        for name in rotated(list(tools), r):
            figures[name].append(run_measured(tools[name]))
            wall, cpu, peak = figures[name][-1]
            print(f"round {r + 1} {name:<14} {wall:7.3f} s {cpu:7.3f} cpu s {peak:7d} KiB",
                  flush=True)
    print(f"\n{args.rounds} rounds, medians")
    print(f"{'tool':<14} {'wall s':>7} {'x find':>7} {'cpu s':>7} {'x find':>7} {'peak KiB':>9}")
    for name in tools:
        find = "find " + name.split()[1]
        wall, cpu, peak = (median([run[i] for run in figures[name]]) for i in range(3))
        find_wall, find_cpu = (median([run[i] for run in figures[find]]) for i in range(2))
        print(f"{name:<14} {wall:7.3f} {wall / find_wall:7.2f} {cpu:7.3f} "
              f"{cpu / find_cpu:7.2f} {peak:9.0f}")


def per_file(stamps, first, last, clock=0):
    """Seconds per file between the first-th and the last-th stamped file: wall clock (clock
    0), the program's own CPU (1) or its converters' CPU (2)."""
    if math.isnan(stamps[last][clock]):
        last -= 1  # the program had ended when the last file's line arrived
    return (stamps[last][clock] - stamps[first][clock]) / (last - first)


def slice_costs(stamps, n, clock):
    """Seconds each fifth of the n files took (slices of at most 10,000 files), by clock."""
    step = min(10000, n // 5)
    return [per_file(stamps, max(lo, 1), lo + step, clock) * step for lo in range(0, n, step)]


def batch(args, work):
    trivial = os.path.join(args.bin, "spawn_trivial")
    ini = os.path.join(work, "trivial.ini")
    write_ini(ini, trivial)
    out = os.path.join(work, "batch-out")
    sizes = [int(s) for s in (args.sizes or "1000,10000,50000").split(",")]
    for n in sizes:
        make_batch_tree(os.path.join(work, f"batch{n}"), n)

    # The same runs with a converter that is not there: every start fails at once, so what is
    # left is brelo-batch's own work per file, without a process start to hide it.
    missing_ini = os.path.join(work, "missing.ini")
    write_ini(missing_ini, os.path.join(work, "no-such-converter"))

    def brelo(bin_dir, tree, settings=ini):
        # Exit code 3: some file failed, as every file does without its converter.
        return ([os.path.join(bin_dir, "brelo-batch"), "--ini", settings, "--input", tree,
                 "--patterns", "*.txt", "--subfolders", "--output", out], b" -> ",
                (0,) if settings == ini else (0, 3))

    def find(tree):
        # The converter prints one line per file, so every line marks a file.
        return (["find", tree, "-type", "f", "-name", "*.txt",
                 "-exec", trivial, "{}", os.path.join(out, "x"), ";"], b"", (0,))

    names = ["batch"] + (["before"] if args.before else []) + ["find", "nostart"]
    names += ["before-nostart"] if args.before else []
    if args.tools:
        names = args.tools.split(",")
    results = {(n, name): [] for n in sizes for name in names}
    for r in range(args.rounds):
        for n in sizes:
            tree = os.path.join(work, f"batch{n}")
            every = min(1000, n // 10)
            commands = {"batch": brelo(args.bin, tree), "find": find(tree),
                        "nostart": brelo(args.bin, tree, missing_ini)}
            if args.before:
                commands["before"] = brelo(args.before, tree)
                commands["before-nostart"] = brelo(args.before, tree, missing_ini)
            for name in rotated(names, r):
                shutil.rmtree(out, ignore_errors=True)
                os.makedirs(out)
                command, marker, ok_codes = commands[name]
                wall, stamps, seen, peak = run_stamped(command, marker, every, n, ok_codes)
                if seen != n:
                    sys.exit(f"{name}: {seen} entries for {n} files")
                results[(n, name)].append((wall, peak, stamps))
                w = slice_costs(stamps, n, 0)
                own = slice_costs(stamps, n, 1)
                print(f"round {r + 1} {n:6d} files {name:<14} {wall:8.3f} s  slices {w[0]:7.3f}"
                      f" .. {w[-1]:7.3f} s (x{w[-1] / w[0]:5.3f}), own CPU {own[0]:6.3f} .."
                      f" {own[-1]:6.3f} s  {peak:7d} KiB", flush=True)

    print(f"\n{args.rounds} rounds, medians. first, last: seconds the first and the last fifth"
          " of the files took (at most 10,000 files), wall clock and the program's own CPU")
    print(f"{'files':>6} {'tool':<14} {'wall s':>8} {'x find':>7} {'us/file':>8} {'first':>8}"
          f" {'last':>8} {'last/first':>10} {'CPU first':>9} {'CPU last':>9} {'peak KiB':>9}")
    for n in sizes:
        find_wall = median([x[0] for x in results[(n, "find" if "find" in names else names[0])]])
        for name in names:
            rows = results[(n, name)]
            wall = median([x[0] for x in rows])
            walls = [slice_costs(x[2], n, 0) for x in rows]
            own = [slice_costs(x[2], n, 1) for x in rows]
            print(f"{n:6d} {name:<14} {wall:8.3f} {wall / find_wall:7.3f} {wall / n * 1e6:8.0f}"
                  f" {median([c[0] for c in walls]):8.3f} {median([c[-1] for c in walls]):8.3f}"
                  f" {median([c[-1] / c[0] for c in walls]):10.3f}"
                  f" {median([c[0] for c in own]):9.3f} {median([c[-1] for c in own]):9.3f}"
                  f" {median([x[1] for x in rows]):9.0f}")
    # Every slice of the largest run, to show whether the time per file drifts.
    n = sizes[-1]
    for clock, what in ((0, "wall clock"), (1, "the program's own CPU"),
                        (2, "its converters' CPU")):
        print(f"\n{n} files, seconds per fifth, {what} (medians over the rounds)")
        for name in names:
            costs = [slice_costs(x[2], n, clock) for x in results[(n, name)]]
            print(f"{name:<14} " + " ".join(f"{median(c[i] for c in costs):7.3f}"
                                          for i in range(len(costs[0]))))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=["scan", "preview", "batch"])
    parser.add_argument("bin")
    parser.add_argument("--before")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--sizes", help="default 1000,10000,50000 (batch), 10000,100000 (preview)")
    parser.add_argument("--tools", help="batch tools to run, e.g. batch,find (default: all)")
    parser.add_argument("--work", help="folder for the trees (kept); a temporary one otherwise")
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    if args.before:
        args.before = os.path.abspath(args.before)
    work = args.work or tempfile.mkdtemp(prefix="brelo-bench-")
    os.makedirs(work, exist_ok=True)
    global RSS_FILE
    RSS_FILE = os.path.join(work, "peak-rss")
    try:
        {"scan": scan, "preview": preview, "batch": batch}[args.mode](args, work)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
