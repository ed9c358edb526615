#!/usr/bin/env python3
"""brelo-batch running converters side by side, and skipping files whose output is up to date.

  jobs: 400 Shift_JIS texts of about 2 MB each converted to EUC-JP by jpconv (-euc, the
        arguments of the starter converter), by brelo-batch --jobs 1, brelo-batch --jobs 0 (one
        per processor), xargs -P2 and GNU parallel -j2 running the same jpconv commands. Every
        round runs every tool once, in an order that rotates from round to round; the output
        folder is emptied and the disk synced before every run. Every output of every run is
        checked against the text converted here by Python's codecs.
  skip: 10,000 small files, 100 to a folder, and a trivial converter that writes its output
        (spawn_trivial_out). brelo-batch --skip-up-to-date into an empty output folder (every
        file converts), then the same command again (every file should be skipped), and
        find -type f over the tree as the floor of the walk. The second run's log must say that
        nothing converted and every file was skipped, and no output's modification time may
        change: a converter that ran would have rewritten its output.

The timed commands run under nice -n NICE (default -15 for root, so that they take the processors
from other work on a shared machine; 0 otherwise), each in a session of its own whose scheduling
group gets the same nice value. Times are wall clock; the CPU column is user plus system time of
the command and everything it started. The load average is read before every run.

Usage:
  run.py jobs BIN [--rounds N] [--files 400] [--work DIR] [--keep] [--nice N]
  run.py skip BIN [--rounds N] [--files 10000] [--work DIR] [--keep] [--nice N]
BIN holds brelo-batch, jpconv and spawn_trivial_out. GNU parallel: Bench/setup.sh installs it.
The trees go under DIR (default /tmp/bench18) and are removed at the end unless --keep.
"""
import argparse
import hashlib
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "jpconv"))
import make_text  # noqa: E402  (the generator of the jpconv benchmark's text)

FILE_BYTES = 2_000_000
# Everything the script leaves in its work folder.
OWN_ENTRIES = ("sjis", "euc", "jpconv.ini", "pairs", "small", "small-out", "trivial.ini", "log")


def load():
    with open("/proc/loadavg") as loadavg:
        return float(loadavg.read().split()[0])


def busy_seconds():
    """CPU seconds the whole machine has spent on anything but idling, all processors together
    (time stolen by the host for other guests included: the processors were not ours then)."""
    with open("/proc/stat") as stat:
        fields = [int(x) for x in stat.readline().split()[1:]]
    idle = fields[3] + fields[4]  # idle and waiting for I/O
    return (sum(fields[:8]) - idle) / os.sysconf("SC_CLK_TCK")


def run(command, log_path, cwd=None):
    """Runs command with standard output into log_path. Returns (exit code, wall seconds, CPU
    seconds of the command and all it started, CPU seconds the rest of the machine used
    meanwhile, seconds the processors were idle meanwhile, all processors together)."""
    with open(log_path, "wb") as log:
        busy = busy_seconds()
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=log, stderr=subprocess.DEVNULL, cwd=cwd)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        busy = busy_seconds() - busy
    child.returncode = os.waitstatus_to_exitcode(status)
    cpu = usage.ru_utime + usage.ru_stime
    other = max(0.0, busy - cpu)
    return child.returncode, wall, cpu, other, max(0.0, os.cpu_count() * wall - cpu - other)


def prioritized(command, nice):
    """command run under nice -n nice in a session of its own whose scheduling group gets the
    same nice value. With automatic process grouping (Linux sched_autogroup) every session
    shares the processors as a group, whatever the nice values inside it, so the nice value alone
    would not take the processors from work in other sessions; only root may raise priorities."""
    if nice == 0:
        return command
    script = f'echo {nice} >/proc/self/autogroup 2>/dev/null; exec nice -n {nice} "$@"'
    return ["setsid", "-w", "sh", "-c", script, "sh"] + command


def empty_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    os.sync()  # the previous run's writes stay out of the next run's time


def rotated(tools, round_number):
    shift = round_number % len(tools)
    return tools[shift:] + tools[:shift]


def write_ini(path, program, arguments):
    with open(path, "w") as ini:
        ini.write("[Converter]\nConverter_Number=1\nCurrent Converter=0\n"
                  "Converter001_Title=Bench\n"
                  f"Converter001_ExeFile={program}\n"
                  f"Converter001_Arguments={arguments}\n"
                  "Converter001_WorkDir=${location}\n")


def read(path):
    with open(path, "rb") as f:
        return f.read()


# ---------------------------------------------------------------------------------------- jobs

def make_texts(folder, count):
    """count Shift_JIS files of just under FILE_BYTES each, every one a different stretch of the
    jpconv benchmark's text; returns {name: MD5 of the EUC-JP text} as Python's codecs give it."""
    rng = random.Random(20261207)
    compounds, weights, loans = make_text.vocabulary(rng)
    lines = []
    for _ in range(8):
        lines += make_text.block(rng, compounds, weights, loans, FILE_BYTES).split("\r\n")[:-1]
    lines = [(line + "\r\n").encode("shift_jis") for line in lines]
    os.makedirs(folder, exist_ok=True)
    expected = {}
    for i in range(count):
        name = f"text{i:03d}.txt"
        at = (i * 7919) % len(lines)
        chosen, size = [], 0
        while size + len(lines[at]) <= FILE_BYTES:
            chosen.append(lines[at])
            size += len(lines[at])
            at = (at + 1) % len(lines)
        data = b"".join(chosen)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        expected[name] = hashlib.md5(data.decode("shift_jis").encode("euc_jp")).hexdigest()
    return expected


def check_outputs(folder, expected):
    """None when folder holds exactly the expected EUC-JP files, else what is wrong."""
    names = sorted(os.listdir(folder))
    if names != sorted(expected):
        return f"{len(names)} outputs for {len(expected)} inputs"
    for name in names:
        if hashlib.md5(read(os.path.join(folder, name))).hexdigest() != expected[name]:
            return f"{name} differs from the expected EUC-JP text"
    return None


def without_time_stamp(log):
    """The log up to its last line, the time stamp, which differs from run to run."""
    return log[:log.rstrip(b"\r\n").rfind(b"\n")]


def jobs(args, work):
    inputs = os.path.join(work, "sjis")
    out = os.path.join(work, "euc")
    print(f"writing {args.files} texts of about {FILE_BYTES} bytes to {inputs}", flush=True)
    shutil.rmtree(inputs, ignore_errors=True)
    expected = make_texts(inputs, args.files)
    jpconv = os.path.join(args.bin, "jpconv")
    ini = os.path.join(work, "jpconv.ini")
    write_ini(ini, jpconv, "-euc ${infile} ${outfile}")
    # Every tool runs the command line the starter converter gives: jpconv -euc IN OUT, in
    # jpconv's folder.
    pairs = os.path.join(work, "pairs")
    with open(pairs, "wb") as f:
        for name in sorted(expected):
            f.write(os.path.join(inputs, name).encode() + b"\0" +
                    os.path.join(out, name).encode() + b"\0")

    def batch(count):
        return [os.path.join(args.bin, "brelo-batch"), "--ini", ini, "--input", inputs,
                "--patterns", "*.txt", "--no-subfolders", "--output", out,
                "--name", "${prefix}.${suffix}", "--jobs", str(count), "--no-progress"]

    tools = {
        "brelo-batch --jobs 1": batch(1),
        "brelo-batch --jobs 0": batch(0),
        "xargs -P2": ["xargs", "-0", "-P2", "-n2", "-a", pairs, jpconv, "-euc"],
        "parallel -j2": ["parallel", "--will-cite", "-j2", "-0", "-N2", "-a", pairs,
                         jpconv, "-euc"],
    }
    tools = {name: prioritized(command, args.nice) for name, command in tools.items()}
    walls = {name: [] for name in tools}
    cpus = {name: [] for name in tools}
    others = {name: [] for name in tools}
    idles = {name: [] for name in tools}
    loads = []
    logs = {}
    for r in range(args.rounds):
        for name in rotated(list(tools), r):
            empty_folder(out)
            loads.append(load())
            log_path = os.path.join(work, "log")
            code, wall, cpu, other, idle = run(tools[name], log_path, cwd=args.bin)
            problem = f"exit code {code}" if code != 0 else check_outputs(out, expected)
            if problem:
                sys.exit(f"{name}: {problem}")
            log = read(log_path)
            if name.startswith("brelo-batch"):
                if b"\r\nTotal %d Files are converted.\r\n" % args.files not in log:
                    sys.exit(f"{name}: the log's total is wrong")
                logs.setdefault(name, without_time_stamp(log))
            elif log.count(b"Convertion successful.") != args.files:
                sys.exit(f"{name}: {log.count(b'Convertion successful.')} successes")
            walls[name].append(wall)
            cpus[name].append(cpu)
            others[name].append(other)
            idles[name].append(idle)
            print(f"round {r + 1} {name:<22} {wall:7.3f} s  CPU {cpu:7.3f} s  others' CPU "
                  f"{other:6.3f} s  idle {idle:6.3f} s  load {loads[-1]:.2f}", flush=True)
    one, many = logs["brelo-batch --jobs 1"], logs["brelo-batch --jobs 0"]
    print("\nthe --jobs 0 log " + ("equals" if one == many else "DIFFERS FROM") +
          " the --jobs 1 log (time stamp aside)")

    megabytes = sum(os.path.getsize(os.path.join(inputs, n)) for n in expected) / 1e6
    base = statistics.median(walls["brelo-batch --jobs 0"])
    print(f"\n{args.files} files, {megabytes:.1f} MB, {args.rounds} rounds, medians; "
          f"load average before the runs {min(loads):.2f} to {max(loads):.2f}")
    print("CPU: the tool and all it started; busy: its CPU / wall, the processors it kept busy;"
          " others: the CPU the rest of the machine used during the run; idle: the processors'"
          " idle time during the run")
    print(f"{'tool':<22} {'wall s':>8} {'MB/s':>7} {'CPU s':>7} {'busy':>5} {'others':>7}"
          f" {'idle':>6} {'x --jobs 0':>10}  per round (wall s)")
    for name in tools:
        wall = statistics.median(walls[name])
        busy = statistics.median(c / w for c, w in zip(cpus[name], walls[name]))
        print(f"{name:<22} {wall:8.3f} {megabytes / wall:7.1f} "
              f"{statistics.median(cpus[name]):7.3f} {busy:5.2f} "
              f"{statistics.median(others[name]):7.3f} {statistics.median(idles[name]):6.3f}"
              f" {wall / base:10.3f}  " +
              " ".join(f"{w:.3f}" for w in walls[name]))

    def ratio(name):
        """The median of the rounds' time ratios name / --jobs 0."""
        return statistics.median(a / b for a, b in zip(walls[name],
                                                        walls["brelo-batch --jobs 0"]))

    print("\ngoals (median of each round's ratio):")
    speedup = ratio("brelo-batch --jobs 1")
    print(f"  --jobs 0 at least 1.8x as fast as --jobs 1: {speedup:.3f}x  "
          f"{'met' if speedup >= 1.8 else 'NOT met'}")
    for peer in ("xargs -P2", "parallel -j2"):
        x = ratio(peer)
        print(f"  --jobs 0 at least as fast as {peer}: {x:.3f}x  "
              f"{'met' if x >= 1.0 else 'NOT met'}")


# ---------------------------------------------------------------------------------------- skip

def make_small_tree(root, count):
    shutil.rmtree(root, ignore_errors=True)
    for folder in range(count // 100):
        directory = os.path.join(root, f"g{folder:03d}")
        os.makedirs(directory)
        for i in range(100):
            with open(os.path.join(directory, f"m{i:02d}.txt"), "wb") as f:
                f.write(b"text number %d\r\n" % (folder * 100 + i))


def modification_times(root):
    """{path: modification time in ns} of every file under root."""
    times = {}
    for directory, _, files in os.walk(root):
        for name in files:
            path = os.path.join(directory, name)
            times[path] = os.stat(path).st_mtime_ns
    return times


def skip(args, work):
    tree = os.path.join(work, "small")
    out = os.path.join(work, "small-out")
    print(f"writing {args.files} small files to {tree}", flush=True)
    make_small_tree(tree, args.files)
    ini = os.path.join(work, "trivial.ini")
    write_ini(ini, os.path.join(args.bin, "spawn_trivial_out"), "${infile} ${outfile}")
    batch = prioritized([os.path.join(args.bin, "brelo-batch"), "--ini", ini, "--input", tree,
                         "--patterns", "*.txt", "--subfolders", "--output", out, "--jobs", "1",
                         "--skip-up-to-date", "--no-progress"], args.nice)
    find = prioritized(["find", tree, "-type", "f", "-name", "*.txt"], args.nice)
    total = b"\r\nTotal %d Files are converted.\r\n"
    walls = {"first": [], "second": [], "find": []}
    cpus = {"first": [], "second": [], "find": []}
    loads = []
    log_path = os.path.join(work, "log")
    for r in range(args.rounds):
        empty_folder(out)
        loads.append(load())
        code, wall, cpu, _, _ = run(batch, log_path)
        log = read(log_path)
        if code != 0 or total % args.files not in log or b"skipped" in log:
            sys.exit(f"first run: exit code {code}, or its log does not say that every file "
                     "converted")
        walls["first"].append(wall)
        cpus["first"].append(cpu)
        before = modification_times(out)
        if len(before) != args.files:
            sys.exit(f"first run: {len(before)} outputs for {args.files} files")

        loads.append(load())
        code, wall, cpu, _, _ = run(batch, log_path)
        log = read(log_path)
        skipped_line = b"%d files were skipped: their output was up to date.\r\n" % args.files
        entries = log.count(b"\r\n\tSkipped: the output is up to date.\r\n")
        if (code != 0 or total % 0 + skipped_line not in log or entries != args.files or
                b"Console:" in log):
            sys.exit(f"second run: exit code {code}, {entries} skipped entries, or its log "
                     "does not say that nothing converted")
        if modification_times(out) != before:
            sys.exit("second run: outputs were written again")
        walls["second"].append(wall)
        cpus["second"].append(cpu)

        loads.append(load())
        code, wall, cpu, _, _ = run(find, os.devnull)
        if code != 0:
            sys.exit(f"find: exit code {code}")
        walls["find"].append(wall)
        cpus["find"].append(cpu)
        print(f"round {r + 1}  first {walls['first'][-1]:7.3f} s  second "
              f"{walls['second'][-1]:6.3f} s  (x{walls['first'][-1] / walls['second'][-1]:.1f})"
              f"  find {walls['find'][-1]:6.3f} s  load {min(loads[-3:]):.2f} to "
              f"{max(loads[-3:]):.2f}", flush=True)
    print("\nevery second run: the log's total 0, every file skipped, no converter output, no "
          "output rewritten")
    print(f"\n{args.files} files, {args.rounds} rounds, medians; load average before the runs "
          f"{min(loads):.2f} to {max(loads):.2f}")
    print(f"{'run':<36} {'wall s':>8} {'us/file':>8} {'CPU s':>7}")
    for name, label in (("first", "first (every file converts)"),
                        ("second", "second (every file up to date)"),
                        ("find", "find -type f (the walk alone)")):
        wall = statistics.median(walls[name])
        print(f"{label:<36} {wall:8.3f} {wall / args.files * 1e6:8.1f} "
              f"{statistics.median(cpus[name]):7.3f}")
    speedup = statistics.median(a / b for a, b in zip(walls["first"], walls["second"]))
    print(f"\ngoal: second run at least 20x faster than the first: {speedup:.1f}x (median of "
          f"each round's ratio)  {'met' if speedup >= 20 else 'NOT met'}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=["jobs", "skip"])
    parser.add_argument("bin")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--files", type=int, help="default 400 (jobs) or 10000 (skip)")
    parser.add_argument("--work", default="/tmp/bench18")
    parser.add_argument("--keep", action="store_true", help="keep the trees")
    parser.add_argument("--nice", type=int, default=-15 if os.geteuid() == 0 else 0)
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    args.files = args.files or (400 if args.mode == "jobs" else 10000)
    if args.mode == "skip" and args.files % 100:
        parser.error("skip: --files must be a multiple of 100")
    if args.mode == "jobs" and not shutil.which("parallel"):
        sys.exit("GNU parallel is missing: run Bench/setup.sh")
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    try:
        (jobs if args.mode == "jobs" else skip)(args, work)
    finally:
        if not args.keep:
            # Only what this script writes: the folder may hold other things.
            for name in OWN_ENTRIES:
                path = os.path.join(work, name)
                if os.path.isdir(path):
                    shutil.rmtree(path, ignore_errors=True)
                elif os.path.exists(path):
                    os.remove(path)
            if not os.listdir(work):
                os.rmdir(work)


if __name__ == "__main__":
    main()
