#!/usr/bin/env python3
"""Per-slice times of one run of the window benchmark, and the table over all runs.

  slices.py sample TEXT CPU_FILE
      waits (up to a minute) for a process whose program name holds TEXT and writes a line
      "WALL_CLOCK CPU_SECONDS" (its own user + system time) to CPU_FILE every 0.1 s until it ends
  slices.py run OUT_DIR FILES SLICE PRESS END [CPU_FILE]
      one result line for the run whose converter wrote one file per input below OUT_DIR: the
      whole run (PRESS to END, wall clock), the seconds each SLICE files took, from the output
      files' modification times (up to two may be missing: starts that failed), and with
      CPU_FILE the CPU seconds the sampled process spent in each slice
  slices.py table RESULTS SLICE
      medians per tool over the lines "TOOL RESULT"

A slice's cost is its time per file times SLICE; a file's time is the gap between two
completions, so the first slice, which has no completion before its first file, is measured
from its first completion (SLICE - 1 gaps) and the start of the run is left out of every slice.
The CPU of a slice is read off the samples at the same completions.
"""
import bisect
import os
import statistics
import sys
import time

max_missing = 2


def find_process(text):
    """The pid of a process whose program name (its first argument) holds text, or None after
    a minute. Only the first argument counts: drive_brelo names brelo in its arguments."""
    wanted = text.encode()
    deadline = time.time() + 60
    while time.time() < deadline:
        for name in os.listdir("/proc"):
            if not name.isdigit() or int(name) == os.getpid():
                continue
            try:
                with open(f"/proc/{name}/cmdline", "rb") as cmdline:
                    if wanted in cmdline.read().split(b"\0")[0]:
                        return int(name)
            except OSError:
                pass
        time.sleep(0.05)
    return None


def sample(text, cpu_file):
    pid = find_process(text)
    ticks = os.sysconf("SC_CLK_TCK")
    with open(cpu_file, "w") as out:
        while pid:
            try:
                with open(f"/proc/{pid}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
            except OSError:
                break
            if fields[0] == "Z":
                break
            out.write(f"{time.time():.3f} {(int(fields[11]) + int(fields[12])) / ticks:.2f}\n")
            time.sleep(0.1)


def completions(out_dir):
    times = []
    for folder, _, files in os.walk(out_dir):
        times.extend(os.stat(os.path.join(folder, name)).st_mtime for name in files)
    return sorted(times)


def cpu_at(samples, when):
    """The sampled CPU seconds at wall-clock time when, interpolated between samples."""
    walls = [s[0] for s in samples]
    i = bisect.bisect_left(walls, when)
    if i == 0:
        return samples[0][1]
    if i == len(samples):
        return samples[-1][1]
    (w0, c0), (w1, c1) = samples[i - 1], samples[i]
    return c0 + (c1 - c0) * (when - w0) / (w1 - w0)


def run(out_dir, files, slice_size, press, end, cpu_file=None):
    done = completions(out_dir)
    # Under a loaded Wine a process start fails now and then (brelo logs "Create process
    # failed."); a run missing a few outputs still shows its pace, its last slice a file short.
    if len(done) > files or len(done) < files - max_missing:
        sys.exit(f"{len(done)} outputs for {files} files")
    samples = []
    if cpu_file and os.path.exists(cpu_file):
        with open(cpu_file) as lines:
            samples = [tuple(float(v) for v in line.split()) for line in lines]
    walls, cpus = [], []
    for lo in range(0, files, slice_size):
        first, hi = max(lo, 1), min(lo + slice_size, len(done))
        a, b = done[first - 1], done[hi - 1]
        scale = slice_size / (hi - first)
        walls.append((b - a) * scale)
        if samples:
            cpus.append((cpu_at(samples, b) - cpu_at(samples, a)) * scale)
    line = f"{end - press:.3f} " + " ".join(f"{w:.3f}" for w in walls)
    if cpus:
        line += " cpu " + " ".join(f"{c:.3f}" for c in cpus)
    print(line)
    if len(done) < files:
        print(f"{files - len(done)} outputs missing", file=sys.stderr)


def table(results, slice_size):
    rows = {}
    with open(results) as lines:
        for line in lines:
            tool, rest = line.split(None, 1)
            times, _, cpu = rest.partition(" cpu ")
            rows.setdefault(tool, []).append(([float(v) for v in times.split()],
                                              [float(v) for v in cpu.split()]))
    reference = statistics.median(r[0][0] for r in rows["loop"]) if "loop" in rows else None
    print(f"{'tool':<7} {'runs':>4} {'wall s':>8} {'x loop':>7} {'files/s':>8} "
          f"{'last/first':>10}   seconds per slice of {slice_size} files; own CPU seconds")
    for tool, runs in rows.items():
        wall = statistics.median(r[0][0] for r in runs)
        slices = len(runs[0][0]) - 1
        files = slices * slice_size
        ratio = statistics.median(r[0][-1] / r[0][1] for r in runs)
        medians = [statistics.median(r[0][i] for r in runs) for i in range(1, slices + 1)]
        cpu = ""
        if all(r[1] for r in runs):
            cpu = "; " + " ".join(f"{statistics.median(r[1][i] for r in runs):5.2f}"
                                  for i in range(slices))
        against = f"{wall / reference:7.3f}" if reference else f"{'':7}"
        print(f"{tool:<7} {len(runs):4d} {wall:8.1f} {against} {files / wall:8.2f} "
              f"{ratio:10.3f}   " + " ".join(f"{m:6.1f}" for m in medians) + cpu)


if __name__ == "__main__":
    if sys.argv[1:2] == ["sample"] and len(sys.argv) == 4:
        sample(sys.argv[2], sys.argv[3])
    elif sys.argv[1:2] == ["run"] and len(sys.argv) in (7, 8):
        run(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5]),
            float(sys.argv[6]), sys.argv[7] if len(sys.argv) == 8 else None)
    elif sys.argv[1:2] == ["table"] and len(sys.argv) == 4:
        table(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit(__doc__)
