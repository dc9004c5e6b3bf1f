"""Measures what watching costs with zwstats against what an operator would
use instead, a shell polling loop and inotifywait, and prints one Markdown
table. Figures only: nothing here passes or fails.

Usage: bench.py ZWSTATS PASS_BENCH [WIN32_EXE WIN64_EXE]
Needs strace and valgrind; inotifywait is measured where installed.
"""
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

IDLE_SECONDS = 20        # idle watch for the CPU figure
STRACE_PASSES = 10       # scan passes traced at delay 1
CADENCE_PASSES = 50      # probe periods measured per delay
LATENCY_FILES = 20       # files timed from creation to the client's start
CALLGRIND_PASSES = (1000, 11000)

SHELL = "/bin/sh"
SHELL_LOOP = "while :; do [ -r stats.log ] && ftp -s:up.scr && rm -f stats.log; sleep 1; done"
INOTIFY_LOOP = ("inotifywait -q -m -e close_write,moved_to --format %f . | "
                "while read f; do [ \"$f\" = stats.log ] && ftp -s:up.scr && rm -f stats.log; done")

# The fake client notes when it started (realtime, ns) and succeeds at once.
CLIENT = "#!/bin/sh\nPATH=/usr/bin:/bin\ndate +%s%N >> starts\nexit 0\n"


def make_dir(root, name):
    path = os.path.join(root, name)
    os.makedirs(os.path.join(path, "bin"))
    client = os.path.join(path, "bin", "ftp")
    with open(client, "w") as f:
        f.write(CLIENT)
    os.chmod(client, 0o755)
    with open(os.path.join(path, "up.scr"), "w") as f:
        f.write("open 127.0.0.1\n")
    return path


def environment(path):
    env = dict(os.environ)
    env["PATH"] = os.path.join(path, "bin") + ":/usr/bin:/bin"
    env["LC_ALL"] = "C"
    return env


def start(path, argv, stdout=subprocess.DEVNULL):
    return subprocess.Popen(argv, cwd=path, env=environment(path), stdin=subprocess.DEVNULL,
                            stdout=stdout, stderr=subprocess.DEVNULL, start_new_session=True)


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.005)
    return True


def status_kb(pid, field):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def stop_group(proc):
    """Kills the process and its group; returns the CPU seconds (user+sys) of
    the process and of the children it had waited for."""
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = 0
    return usage.ru_utime + usage.ru_stime


def watchers(zwstats, delay="1"):
    result = [("zwstats", [zwstats, "stats.log", delay, "up.scr"]),
              ("shell loop", [SHELL, "-c", SHELL_LOOP])]
    if shutil.which("inotifywait"):
        result.append(("inotifywait", [SHELL, "-c", INOTIFY_LOOP]))
    return result


# --- the cost of watching ---------------------------------------------------

def idle_cpu(root, zwstats):
    """CPU time and peak RSS over the same idle watch, all watchers at once."""
    runs = []
    for name, argv in watchers(zwstats):
        if name == "inotifywait":  # the watcher alone; the pipeline's reader sleeps in read
            argv = ["inotifywait", "-q", "-m", "-e", "close_write,moved_to", "."]
        path = make_dir(root, "idle-" + name.replace(" ", "-"))
        runs.append((name, start(path, argv)))
    time.sleep(IDLE_SECONDS)
    cpu, hwm = {}, {}
    for name, proc in runs:
        hwm[name] = status_kb(proc.pid, "VmHWM")
        cpu[name] = stop_group(proc)
    return cpu, hwm


def count_syscalls(lines, is_marker):
    """System calls from the first marker to the last, and the passes between."""
    marks = [k for k, line in enumerate(lines) if is_marker(line)]
    if len(marks) < 2:
        return None, 0
    calls = sum(1 for line in lines[marks[0]:marks[-1]] if is_call(line))
    return calls, len(marks) - 1


def is_call(line):
    parts = line.split(None, 1)
    if len(parts) < 2:
        return False
    rest = parts[1]
    return not (rest.startswith("<...") or rest.startswith("---") or rest.startswith("+++"))


def traced(root, name, argv, seconds, attach_after):
    path = make_dir(root, "strace-" + name.replace(" ", "-"))
    proc = start(path, argv)
    time.sleep(attach_after)  # past start-up, so only the watch itself is traced
    out = os.path.join(path, "trace")
    tracer = subprocess.Popen(["strace", "-f", "-qq", "-o", out, "-p", str(proc.pid)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(seconds)
    tracer.send_signal(signal.SIGINT)  # detaches and writes the rest of the trace
    tracer.wait()
    stop_group(proc)
    with open(out) as f:
        return f.read().splitlines()


def syscalls(root, zwstats):
    seconds = (STRACE_PASSES + 1) * 1.25 + 0.5
    jobs = {}

    def run(name, argv):
        jobs[name] = traced(root, name, argv, seconds, 1.5)

    threads = [threading.Thread(target=run, args=w) for w in watchers(zwstats)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    result = {}
    calls, passes = count_syscalls(jobs["zwstats"], lambda l: 'write(1, "SCAN\\n"' in l)
    result["zwstats"] = (calls, passes)
    calls, passes = count_syscalls(jobs["shell loop"], lambda l: '"stats.log", R_OK' in l)
    result["shell loop"] = (calls, passes)
    if "inotifywait" in jobs:
        # Event driven: no passes; every call seen while idle, over the traced time.
        result["inotifywait"] = (sum(1 for l in jobs["inotifywait"] if is_call(l)), seconds)
    return result


def callgrind_instructions(root, argv, path):
    out = os.path.join(root, "callgrind.out")
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + argv,
                   cwd=path, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    with open(out) as f:
        for line in f:
            if line.startswith("summary:") or line.startswith("totals:"):
                return int(line.split()[1])
    raise RuntimeError("no totals in callgrind output")


def instructions_per_pass(root, pass_bench):
    """Instructions of N more passes, divided by N: start-up cancels out."""
    path = make_dir(root, "callgrind")
    low, high = CALLGRIND_PASSES
    extra = high - low
    zw = (callgrind_instructions(root, [pass_bench, str(high), "stats.log", "up.scr"], path) -
          callgrind_instructions(root, [pass_bench, str(low), "stats.log", "up.scr"], path)) / extra

    def shell(n):  # the polling loop with its sleep faked by ':'
        loop = f"i=0; while [ $i -lt {n} ]; do [ -r stats.log ] && break; i=$((i+1)); :; done"
        return callgrind_instructions(root, [SHELL, "-c", loop], path)

    sh = (shell(high) - shell(low)) / extra
    return zw, sh


# --- cadence ----------------------------------------------------------------

def cadence(root, zwstats, delay):
    """Periods between SCAN lines, each stamped as it is read from the pipe."""
    path = make_dir(root, "cadence-" + delay)
    proc = start(path, [zwstats, "stats.log", delay, "up.scr"], stdout=subprocess.PIPE)
    stamps = []
    for line in proc.stdout:
        if line.rstrip(b"\n") == b"SCAN":
            stamps.append(time.monotonic_ns())
            if len(stamps) > CADENCE_PASSES + 1:  # the first period starts at the 2nd scan
                break
    stop_group(proc)
    proc.stdout.close()
    stamps = stamps[1:]
    expected = 250 + 1000 * int(delay)
    periods = [(b - a) / 1e6 for a, b in zip(stamps, stamps[1:])]
    errors = [abs(p - expected) for p in periods]
    return expected, len(periods), statistics.median(periods), statistics.median(errors), max(errors)


# --- detection latency ------------------------------------------------------

def latency(root, name, argv, spread):
    """Creation-to-client-start times; each file arrives at a random moment of
    the watcher's cycle (uniform over spread seconds after the last one went)."""
    path = make_dir(root, "latency-" + name.replace(" ", "-"))
    src = os.path.join(path, "stats.log")
    starts = os.path.join(path, "starts")
    proc = start(path, argv)
    rng = random.Random(5)
    time.sleep(0.5)
    created, lost = [], 0
    for i in range(LATENCY_FILES):
        if not wait_until(lambda: not os.path.exists(src), 15):
            lost += 1
            break
        time.sleep(rng.uniform(0, spread))
        aside = os.path.join(path, ".next")
        with open(aside, "w") as f:
            f.write(f"file {i}\n")
        os.rename(aside, src)
        created.append(time.time_ns())

        def started(n=i + 1):
            try:
                with open(starts) as f:
                    return len(f.read().split()) >= n
            except OSError:
                return False
        if not wait_until(started, 15):
            lost += 1
            break
    wait_until(lambda: not os.path.exists(src), 15)
    hwm = status_kb(proc.pid, "VmHWM")
    stop_group(proc)
    with open(starts) as f:
        begun = [int(x) for x in f.read().split()]
    ms = [(b - a) / 1e6 for a, b in zip(created, begun)]
    return ms, lost, hwm


# --- footprint --------------------------------------------------------------

def imports(exe):
    objdump = shutil.which("objdump")
    if not objdump:
        return "objdump missing"
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True).stdout
    names = [line.split("DLL Name:")[1].strip() for line in out.splitlines() if "DLL Name:" in line]
    return ", ".join(names) if names else "none found"


# --- the table --------------------------------------------------------------

def ratio(other, mine):
    if other is None or mine is None:
        return "n/a"
    if mine == 0:
        return "inf" if other else "1.0x"
    return f"{other / mine:.3g}x"


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    zwstats, pass_bench = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    windows = sys.argv[3:5]
    have_inotify = shutil.which("inotifywait") is not None
    root = tempfile.mkdtemp(prefix="zwstats-bench.")
    try:
        say = lambda text: print(text, file=sys.stderr, flush=True)
        say(f"idle watch, {IDLE_SECONDS}s at delay 1 ...")
        cpu, idle_hwm = idle_cpu(root, zwstats)
        say(f"system calls over {STRACE_PASSES} passes ...")
        calls = syscalls(root, zwstats)
        say("instructions per pass (callgrind) ...")
        zw_ir, sh_ir = instructions_per_pass(root, pass_bench)
        say(f"cadence over {CADENCE_PASSES} passes at delay 0 and 1 (about a minute) ...")
        found = {}
        threads = [threading.Thread(target=lambda d=d: found.__setitem__(d, cadence(root, zwstats, d)))
                   for d in ("0", "1")]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        say(f"detection latency over {LATENCY_FILES} files ...")
        spreads = {"zwstats": 1.25, "shell loop": 1.0, "inotifywait": 0.2}
        lat = {name: latency(root, name, argv, spreads[name]) for name, argv in watchers(zwstats)}
    finally:
        shutil.rmtree(root, ignore_errors=True)

    rows = []
    names = ["zwstats", "shell loop", "inotifywait"]

    def row(figure, values, unit="", fmt="{:.3g}", ratios=True):
        cells = []
        for n in names:
            v = values.get(n)
            if n == "inotifywait" and not have_inotify:
                cells.append("not installed")
            elif v is None:
                cells.append("—")
            elif isinstance(v, str):
                cells.append(v)
            else:
                cells.append(fmt.format(v) + unit)
        if ratios:
            nums = {n: v for n, v in values.items() if isinstance(v, (int, float))}
            r1 = ratio(nums.get("shell loop"), nums.get("zwstats"))
            r2 = ratio(nums.get("inotifywait"), nums.get("zwstats")) if have_inotify else "n/a"
        else:
            r1 = r2 = "—"
        rows.append([figure] + cells + [r1, r2])

    cpu_ms = {n: v * 1000 for n, v in cpu.items()}
    row(f"CPU time (user+sys) over a {IDLE_SECONDS} s idle watch, delay 1", cpu_ms, " ms", "{:.1f}")
    row("CPU share while idle", {n: v / (IDLE_SECONDS * 1000) * 100 for n, v in cpu_ms.items()},
        " %", "{:.4f}")
    zc, zp = calls["zwstats"]
    sc, sp = calls["shell loop"]
    per_pass = {"zwstats": zc / zp if zp else None, "shell loop": sc / sp if sp else None,
                "inotifywait": "no passes (blocks in read)"}
    row(f"System calls per scan pass (strace -f, {zp} and {sp} passes)", per_pass, "", "{:.1f}")
    per_sec = {"zwstats": per_pass["zwstats"] / 1.25 if zp else None,
               "shell loop": per_pass["shell loop"] / 1.0 if sp else None}
    if "inotifywait" in calls:
        n, secs = calls["inotifywait"]
        per_sec["inotifywait"] = n / secs
    row("System calls per second of idle watch, delay 1", per_sec, "", "{:.2f}")
    row(f"Instructions per pass, waits faked (callgrind, {CALLGRIND_PASSES[1] - CALLGRIND_PASSES[0]} passes)",
        {"zwstats": zw_ir, "shell loop": sh_ir, "inotifywait": "no passes"}, "", "{:.0f}")
    for d in ("0", "1"):
        expected, n, med, med_err, max_err = found[d]
        rows.append([f"Probe period at delay {d}, expected {expected} ms ({n} passes)",
                     f"median {med:.1f} ms (measured/expected {med / expected:.4f}); "
                     f"error median {med_err:.1f} ms, max {max_err:.1f} ms", "—", "—", "—", "—"])
    for label, pick in (("min", min), ("median", statistics.median), ("max", max)):
        values = {}
        for n, (ms, lost, _) in lat.items():
            values[n] = pick(ms) if ms else None
        row(f"Detection latency {label}, creation to client start, delay 1 ({LATENCY_FILES} files)",
            values, " ms", "{:.1f}")
    lost = {n: str(v[1]) for n, v in lat.items()}
    row("Files not picked up within 15 s", lost, ratios=False)
    hwm = dict(idle_hwm)
    row("Peak RSS (VmHWM) of the watching process, idle", hwm, " kB", "{:.0f}")
    # The inotifywait pipeline spreads over three processes; no single figure compares.
    after = {n: v[2] for n, v in lat.items() if n != "inotifywait"}
    row(f"Peak RSS (VmHWM) of the watching process after {LATENCY_FILES} uploads", after,
        " kB", "{:.0f}")
    rows.append(["Size of the native zwstats (RelWithDebInfo, not stripped)",
                 f"{os.path.getsize(zwstats)} bytes", "—", "—", "—", "—"])
    for label, exe in zip(("win32", "win64"), windows):
        if os.path.isfile(exe):
            cell = f"{os.path.getsize(exe)} bytes; imports {imports(exe)}"
        else:
            cell = "not built"
        rows.append([f"build/{label}/zwstats.exe: size and DLL imports", cell, "—", "—", "—", "—"])

    head = ["Figure", "zwstats", "shell loop", "inotifywait", "shell loop ÷ zwstats",
            "inotifywait ÷ zwstats"]
    print("| " + " | ".join(head) + " |")
    print("|" + "|".join(["---"] * len(head)) + "|")
    for r in rows:
        print("| " + " | ".join(r) + " |")
    print()
    print(f"Shell loop: `{SHELL} -c '{SHELL_LOOP}'`; its CPU includes the `sleep` it starts.  ")
    print(f"inotifywait: `{INOTIFY_LOOP}` (the idle CPU and RSS rows measure inotifywait alone).  ")
    print("Latency is taken from the rename that makes the file appear to the first command of the "
          "fake client (`date +%s%N`); files arrive at random moments of the watcher's cycle.")


if __name__ == "__main__":
    main()
