#!/usr/bin/env python3
"""Benchmark the duplicate-file engine against fdupes, jdupes, rdfind and rmlint.

Every tool is asked the same question as far as it can be: hidden files and
folders left out, empty files left out, links not followed, a file with
several names counted once, and the engine's skipped extensions left out.
Where a tool cannot leave something out, the table says so, and that tool is
checked against the truth of its own question: the ground truth (equal size,
equal content) restricted to what it was asked.

Runs are interleaved (every tool once per round, the order turning each
round), so a change in the machine's load falls on all of them. With --cold
the page cache is dropped before every run (root only; otherwise the cold
runs are skipped and the table says so).

  compare_dup_tools.py --bench BUILD/bin/twinsweep-dup-bench
                       [--files 20000 [--seed 4242] | --root /usr] [--runs 5] [--cold]
                       [--large-bench BUILD/bin/largefiles_bench]
                       [--work /tmp/twinsweep-bench] [--shared ../shared/bench]

For a generated tree (--files) the truth comes from its manifest; for any
other root (--root) it is computed once and kept in the work folder. The
engine never scans the operating system's own folders (/usr, /etc, ...): a
root that is one is scanned by every tool through a read-only bind mount of
it in the work folder (root only), made for the run and taken down after it.
--large-bench also times the large-file scan against
`find ROOT -type f -size +9999999c` in the same rounds.

Columns: median wall time of the whole process; ratio to the fastest tool
whose groups are right for its question; median processor time (user and
system) and its ratio to that same peer's; peak memory; bytes per walked
path (peak memory less the tool's own peak on a tiny tree, over the number
of paths below the root); bytes read (the process's read calls; the
engine's bench counts its own, as its reads through the kernel's ring are
not read calls) and, cold, bytes that came from the disk.

Below the table stands the processor time of the engine and of the fastest
peer beyond what each takes to start (the median of five runs on a two-file
tree, cold when the runs are): the engine's start loads Qt and its
libraries, which the program pays once at its launch and not per scan.
Then the run's lower bound: the bytes the engine's
question must read (every file of a size group once at its edges, then whole
for those whose edges match another's) at this machine's memory-copy rate,
and the bytes it must hash at its MD5 rate, both measured on all cores at
once. The MD5 rate is that of one message at a time (Python's hashlib);
the bound with the engine's own sixteen-lane rate (`--md5-rate` of the
bench program) is printed beside it when the program offers it.
"""
import argparse
import atexit
import importlib.util
import hashlib
import json
import multiprocessing
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# The extensions the engine's walk leaves out (lower-cased compare).
SKIPPED_EXTENSIONS = ["framework", "dylib", "json", "ini", "toml", "yaml", "xml", "xib", "db", "plist",
                      "strings", "swift", "m", "mm", "pch", "h", "sh", "c", "cpp", "py"]


# The operating system's own folders: the engine leaves them out as folders
# to scan, and so does a scan of a folder that leads into one by a link.
SYSTEM_FOLDERS = ["/usr", "/etc", "/boot", "/opt", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32",
                  "/var/lib", "/proc", "/sys", "/dev", "/snap", "/run"]
USER_PLACES_INSIDE = ["/run/media"]


def is_system_folder(path):
    def below(p, folder):
        return p == folder or p.startswith(folder + "/")
    return any(any(below(p, f) for f in SYSTEM_FOLDERS) and not any(below(p, f) for f in USER_PLACES_INSIDE)
               for p in (os.path.normpath(path), os.path.realpath(path)))


def bind_view(folder, work):
    """A read-only view of a system folder at a path that is none, as a user
    would scan it; taken down when the run ends."""
    if os.geteuid() != 0:
        sys.exit("%s is a system folder, which the engine leaves out: scan a view of it instead "
                 "(as root: mount --bind %s /tmp/view; mount -o remount,bind,ro /tmp/view)" % (folder, folder))
    view = os.path.join(os.path.abspath(work), "view" + os.path.realpath(folder).replace("/", "-"))
    os.makedirs(view, exist_ok=True)
    if os.path.ismount(view):  # left by a run that was killed
        subprocess.run(["umount", view], check=True)
    subprocess.run(["mount", "--bind", folder, view], check=True)
    atexit.register(subprocess.run, ["umount", view])
    subprocess.run(["mount", "-o", "remount,bind,ro", view], check=True)
    return view


def extension(name):
    dot = name.rfind(".")
    if dot <= 0 or dot == len(name) - 1:
        return ""
    return name[dot + 1:]


def hidden_below(path, root):
    return any(part.startswith(".") for part in os.path.relpath(path, root).split("/"))


def truth_for(manifest_path, root, hidden_out, extensions_out, out_path):
    """The ground truth of one question: the manifest's groups without the
    names the question leaves out."""
    with open(manifest_path, encoding="utf-8") as f:
        m = json.load(f)
    skipped = set(SKIPPED_EXTENSIONS)

    def asked(p):
        p = p if os.path.isabs(p) else os.path.join(root, p)
        if hidden_out and hidden_below(p, root):
            return False
        if extensions_out and extension(os.path.basename(p)).lower() in skipped:
            return False
        return True

    groups = []
    for g in m["groups"]:
        inodes = [[p for p in paths if asked(p)] for paths in g["inodes"]]
        inodes = [paths for paths in inodes if paths]
        if len(inodes) >= 2:
            groups.append(dict(g, inodes=inodes))
    m["groups"] = groups
    with open(out_path, "w", encoding="utf-8") as f:
        json.dump(m, f)
    return len(groups)


def manifest_of(root, work, shared):
    """The ground truth of any root, computed once by the generator's own
    independent scan."""
    path = os.path.join(work, "truth-" + root.strip("/").replace("/", "_") + ".manifest.json")
    if not os.path.exists(path):
        spec = importlib.util.spec_from_file_location("gen_dup_tree", os.path.join(shared, "gen_dup_tree.py"))
        gen = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(gen)
        truth = gen.scan(root)
        with open(path, "w", encoding="utf-8") as f:
            json.dump(truth, f, ensure_ascii=False)
    return path


def count_paths(root):
    n = 0
    for _, dirs, files in os.walk(root, followlinks=False):
        n += len(dirs) + len(files)
    return n


# The edges the engine compares before it reads a file whole.
EDGE = 4096


def question_files(root):
    """The files the engine's question compares, by size: regular and not
    empty, no hidden name on the way, no skipped extension, links not
    followed, one name per file."""
    skipped = set(SKIPPED_EXTENSIONS)
    seen = set()
    by_size = {}
    stack = [root]
    while stack:
        try:
            entries = os.scandir(stack.pop())
        except OSError:
            continue
        with entries:
            for e in entries:
                if e.name.startswith("."):
                    continue
                try:
                    if e.is_dir(follow_symlinks=False):
                        stack.append(e.path)  # a folder with a skipped extension is still entered
                        continue
                    if not e.is_file(follow_symlinks=False) or extension(e.name).lower() in skipped:
                        continue
                    st = e.stat(follow_symlinks=False)
                except OSError:
                    continue
                if st.st_size == 0 or (st.st_dev, st.st_ino) in seen:
                    continue
                seen.add((st.st_dev, st.st_ino))
                by_size.setdefault(st.st_size, []).append(e.path)
    return by_size


def bytes_to_read(root, work, paths):
    """What the question must read and hash: every file of a size group at
    its edges (a small one whole), then whole where its edges match another
    file's, and the bytes to hash (every file read whole). Computed once per
    root and number of paths, kept in the work folder."""
    cache = os.path.join(work, "bound-%s-%d.json" % (root.strip("/").replace("/", "_"), paths))
    if os.path.exists(cache):
        with open(cache) as f:
            return json.load(f)
    edges = whole = hashed = 0
    for size, names in question_files(root).items():
        if len(names) < 2:
            continue
        keys = []
        for name in names:
            try:
                with open(name, "rb") as f:
                    if size <= 2 * EDGE:
                        data = f.read()
                    else:
                        data = f.read(EDGE)
                        f.seek(size - EDGE)
                        data += f.read(EDGE)
            except OSError:
                continue
            edges += min(size, 2 * EDGE)
            keys.append(hashlib.blake2b(data, digest_size=16).digest())
        counts = {}
        for k in keys:
            counts[k] = counts.get(k, 0) + 1
        for k in keys:
            if counts[k] >= 2:
                hashed += size
                if size > 2 * EDGE:
                    whole += size
    result = {"edges": edges, "whole": whole, "hashed": hashed}
    with open(cache, "w") as f:
        json.dump(result, f)
    return result


def _copy_worker(seconds):
    # Out of a buffer larger than the caches into one that stays in them, as
    # a read from the page cache does.
    chunk = 1 << 20
    src = memoryview(bytearray(os.urandom(chunk)) * 64)
    dst = bytearray(chunk)
    done, start, cpu = 0, time.monotonic(), time.process_time()
    while time.monotonic() - start < seconds:
        for i in range(0, len(src), chunk):
            dst[:] = src[i:i + chunk]
        done += len(src)
    return done, time.process_time() - cpu


def _md5_worker(seconds):
    data = os.urandom(1 << 20)
    done, start, cpu = 0, time.monotonic(), time.process_time()
    while time.monotonic() - start < seconds:
        for _ in range(16):
            hashlib.md5(data).digest()
        done += 16 * len(data)
    return done, time.process_time() - cpu


def all_core_rate(worker, seconds=0.5):
    """Bytes a second of `worker` running on every core at once, each copy
    timed by the processor time it got, so that a busy machine's other work
    does not count as slowness (the copies still share the memory)."""
    cores = os.cpu_count() or 1
    with multiprocessing.Pool(cores) as pool:
        results = pool.map(worker, [seconds] * cores)
    return sum(r[0] / r[1] for r in results if r[1] > 0)


def lanes_rate(bench, env):
    """Bytes a second of the engine's widest MD5 lanes, one bench process a
    core, all at once; None when the program cannot tell."""
    cores = os.cpu_count() or 1
    procs = [subprocess.Popen([bench, "--md5-rate"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                              env=env) for _ in range(cores)]
    total = 0.0
    for p in procs:
        out, _ = p.communicate()
        rate = [l for l in out.split("\n") if l.startswith("md5_lanes_bytes_per_second:")]
        if p.returncode != 0 or not rate:
            return None
        total += float(rate[-1].split()[1])
    return total


def drop_caches():
    subprocess.run(["sync"], check=False)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def run(cmd, stdout_path=None, env=None, report_path=None):
    """Runs cmd; returns wall seconds, peak KiB, bytes read by read calls,
    bytes read from the disk, and user and system seconds. GNU time measures
    the peak and the disk reads of the tool alone (a process forked from
    this one would count this interpreter's memory as its own); the
    processor times are those of GNU time and the tool it waited for, in
    microseconds, of which GNU time's own are a few hundred. A tool that
    reports its own bytes read on standard error (report_path: the engine's
    bench, whose reads through the kernel's ring the read counters miss)
    is taken at its word."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    err = open(report_path, "wb") if report_path else subprocess.DEVNULL
    with tempfile.NamedTemporaryFile("r", suffix=".time") as t:
        start = time.monotonic()
        try:
            p = subprocess.Popen(["/usr/bin/time", "-f", "%M %I", "-o", t.name] + cmd, stdout=out,
                                 stderr=err, env=env)
            # Wait without reaping, so the counters, which hold those of the
            # tool it reaped, can still be read.
            os.waitid(os.P_PID, p.pid, os.WEXITED | os.WNOWAIT)
            wall = time.monotonic() - start
            rchar = 0
            try:
                with open("/proc/%d/io" % p.pid) as io:
                    for line in io:
                        if line.startswith("rchar:"):
                            rchar = int(line.split()[1])
            except OSError:
                pass
            _, status, usage = os.wait4(p.pid, 0)
            p.returncode = os.waitstatus_to_exitcode(status)
        finally:
            if stdout_path:
                out.close()
            if report_path:
                err.close()
        fields = t.read().strip().split("\n")[-1].split()
    if report_path:
        with open(report_path, errors="replace") as f:
            told = [l for l in f.read().split("\n") if l.startswith("read_bytes:")]
        if told and told[-1].split()[1].isdigit():
            rchar = int(told[-1].split()[1])
    return wall, int(fields[0]), rchar, int(fields[1]) * 512, usage.ru_utime, usage.ru_stime


def compare(shared, manifest, fmt, result, label):
    check = subprocess.run([sys.executable, os.path.join(shared, "compare_dup_results.py"), manifest, fmt,
                            result, "--label", label], capture_output=True, text=True)
    return json.loads(check.stdout.strip().split("\n")[-1])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bench", required=True, help="path of twinsweep-dup-bench")
    ap.add_argument("--large-bench", help="path of largefiles_bench: also time the large-file scan against find")
    ap.add_argument("--files", type=int, default=20000)
    ap.add_argument("--seed", type=int, default=4242, help="seed of the generated tree")
    ap.add_argument("--root", help="scan this folder instead of a generated tree")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--cold", action="store_true", help="drop the page cache before every run (root only)")
    ap.add_argument("--work", default="/tmp/twinsweep-bench")
    # The shared folder beside the checkout, or beside the folder of worktrees.
    shared = [os.path.join(HERE, *[".."] * up, "shared", "bench") for up in (2, 3)]
    ap.add_argument("--shared", default=next((p for p in shared if os.path.isdir(p)), shared[0]))
    ap.add_argument("--tools", default="twinsweep,jdupes,rdfind,fdupes,rmlint,find")
    a = ap.parse_args()

    os.makedirs(a.work, exist_ok=True)
    manifest = None
    if a.root:
        root = os.path.abspath(a.root)
        if is_system_folder(root):
            view = bind_view(root, a.work)
            print("%s is a system folder: every tool scans the read-only view %s" % (root, view))
            root = view
    else:
        root = os.path.join(a.work, "tree-%d-seed%d" % (a.files, a.seed))
        manifest = root + ".manifest.json"
        if not os.path.exists(manifest):
            subprocess.run([sys.executable, os.path.join(a.shared, "gen_dup_tree.py"), "--root", root,
                            "--files", str(a.files), "--seed", str(a.seed), "--force"], check=True,
                           stdout=subprocess.DEVNULL)
    cold = a.cold and os.geteuid() == 0
    cold_note = ""
    if a.cold and not cold:
        cold_note = "cold runs skipped: dropping the page cache needs root; these runs are warm"
    out_dir = os.path.join(a.work, "out")
    shutil.rmtree(out_dir, ignore_errors=True)  # rmlint keeps old outputs under new names
    os.makedirs(out_dir, exist_ok=True)
    tiny = os.path.join(a.work, "tiny")
    os.makedirs(tiny, exist_ok=True)
    for name in ("a.txt", "b.txt"):
        with open(os.path.join(tiny, name), "w") as f:
            f.write("same\n")

    def o(name):
        return os.path.join(out_dir, name)

    # The engine runs with its default settings (hidden and empty files left
    # out) in a throw-away home beside no other user's folder.
    home = tempfile.mkdtemp(prefix="dup-bench-home.", dir="/var/tmp")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_CACHE_HOME=home + "/.cache",
               QT_QPA_PLATFORM="offscreen")
    noext = "noext:" + ",".join(SKIPPED_EXTENSIONS)

    # label: (command for a root, stdout file, result file, format, hidden out, extensions out, note)
    def tools_for(target, tag):
        return {
            "twinsweep": ([a.bench, target, "--output", o("twinsweep%s.txt" % tag), "--data-home", home + "/data"], None,
                          o("twinsweep%s.txt" % tag), "blank", True, True, ""),
            "jdupes": (["jdupes", "-r", "-q", "-A", "-X", noext, target], o("jdupes%s.txt" % tag),
                       o("jdupes%s.txt" % tag), "blank", True, True, ""),
            "rdfind": (["rdfind", "-outputname", o("rdfind%s.txt" % tag), "-ignoreempty", "true",
                        "-followsymlinks", "false", "-removeidentinode", "true", target], None,
                       o("rdfind%s.txt" % tag), "rdfind", False, False, "cannot leave out hidden files or extensions"),
            "fdupes": (["fdupes", "-r", "-n", "-A", "-q", target], o("fdupes%s.txt" % tag), o("fdupes%s.txt" % tag),
                       "blank", True, False, "cannot leave out extensions"),
            "rmlint": (["rmlint", "--no-followlinks", "--no-hardlinked", "-T", "df",
                        "-o", "json:" + o("rmlint%s.json" % tag), target], None, o("rmlint%s.json" % tag),
                       "rmlint", True, False, "cannot leave out extensions"),
        }

    wanted = [t for t in a.tools.split(",") if t]
    tools = {k: v for k, v in tools_for(root, "").items() if k in wanted}
    tools = {k: v for k, v in tools.items() if shutil.which(v[0][0]) or os.path.exists(v[0][0])}
    missing = [t for t in wanted if t not in tools and t != "find"]
    large = bool(a.large_bench) and "find" in wanted

    # Each tool's own peak and processor time on a tiny tree: what it costs
    # to start, before it looks at any tree (for the engine, loading Qt and
    # its libraries, which the program pays once at launch, not per scan).
    baseline = {}
    start_cpu = {}
    for label, spec in tools_for(tiny, "-tiny").items():
        if label in tools:
            cpus = []
            for _ in range(5):
                if cold:
                    drop_caches()
                _, peak, _, _, utime, stime = run(spec[0], spec[1], env)
                baseline[label] = max(baseline.get(label, 0), peak)
                cpus.append(utime + stime)
            start_cpu[label] = statistics.median(cpus)
    paths = count_paths(root)

    times = {label: [] for label in tools}
    peaks = {label: 0 for label in tools}
    reads = {label: [] for label in tools}
    disk = {label: [] for label in tools}
    user = {label: [] for label in tools}
    system = {label: [] for label in tools}
    large_times = {"largefiles": [], "find": []}
    large_counts = {}
    order = list(tools)
    if not cold:
        for label in order:  # warm-up: the cache holds the tree afterwards
            run(tools[label][0], tools[label][1], env)
    for round_ in range(a.runs):
        turn = order[round_ % len(order):] + order[:round_ % len(order)] if order else []
        for label in turn:
            if cold:
                drop_caches()
            wall, peak, rchar, inblock, utime, stime = run(tools[label][0], tools[label][1], env,
                                                           o("report.txt") if label == "twinsweep" else None)
            times[label].append(wall)
            user[label].append(utime)
            system[label].append(stime)
            peaks[label] = max(peaks[label], peak)
            reads[label].append(rchar)
            disk[label].append(inblock)
        if large:
            for label in ("largefiles", "find") if round_ % 2 == 0 else ("find", "largefiles"):
                if cold:
                    drop_caches()
                if label == "find":
                    start = time.monotonic()
                    found = subprocess.run(["find", root, "-type", "f", "-size", "+9999999c"],
                                           capture_output=True).stdout.count(b"\n")
                    large_times["find"].append(time.monotonic() - start)
                    large_counts["find"] = found
                else:
                    # One scan per process after a cold drop; warm, the second of two.
                    text = subprocess.run([a.large_bench, root, "0" if cold else "1"], capture_output=True,
                                          text=True, env=env).stdout.split("\n")
                    line = [l for l in text if l.startswith("warm" if cold else "run")][-1].split()
                    large_times["largefiles"].append(float(line[-3]) / 1000.0)
                    large_counts["largefiles"] = int(line[-1])

    rows = {}
    if tools and manifest is None:
        manifest = manifest_of(root, a.work, a.shared)
    for label, spec in tools.items():
        question = os.path.join(out_dir, "truth-%s.json" % label)
        expected = truth_for(manifest, root, spec[4], spec[5], question)
        try:
            res = compare(a.shared, question, spec[3], spec[2], label)
            correct = res["exact_match"]
            verdict = "yes" if correct else "no (missing %d, extra %d)" % (res["missing_groups"],
                                                                         res["extra_groups"])
            groups = res["groups_reported"]
        except (ValueError, KeyError, IndexError):
            correct, verdict, groups = False, "unreadable output", "?"
        rows[label] = (groups, expected, correct, verdict)

    median = {label: statistics.median(v) for label, v in times.items() if v}
    cpu = {label: statistics.median([u + s for u, s in zip(user[label], system[label])]) for label in median}
    peers = [l for l in tools if l != "twinsweep" and rows[l][2]]
    fastest = min(peers, key=lambda l: median[l]) if peers else None
    if not tools:
        fastest = None
    mode = "cold (page cache dropped before every run)" if cold else "warm"
    print("root: %s, %d paths below it; %s; median of %d interleaved runs; load %s" % (
        root, paths, mode, a.runs, open("/proc/loadavg").read().split()[0]))
    if cold_note:
        print(cold_note)
    print("fastest correct peer: %s" % (fastest or "none"))
    print("%-10s %7s %7s %-26s %9s %7s %7s %7s %7s %7s %9s %7s %10s %10s" % (
        "tool", "groups", "truth", "correct", "median s", "ratio", "user s", "sys s", "cpu s", "ratio",
        "peak MiB", "B/path", "read MB", "disk MB"))
    for label in tools:
        groups, expected, _, verdict = rows[label]
        ratio = median[label] / median[fastest] if fastest else float("nan")
        cpu_ratio = cpu[label] / cpu[fastest] if fastest and cpu[fastest] else float("nan")
        per_path = (peaks[label] - baseline.get(label, 0)) * 1024.0 / paths if paths else float("nan")
        print("%-10s %7s %7s %-26s %9.3f %7.2f %7.3f %7.3f %7.3f %7.2f %9.1f %7.0f %10.1f %10.1f" % (
            label, groups, expected, verdict, median[label], ratio, statistics.median(user[label]),
            statistics.median(system[label]), cpu[label], cpu_ratio, peaks[label] / 1024.0, per_path,
            statistics.median(reads[label]) / 1e6, statistics.median(disk[label]) / 1e6))
    if "twinsweep" in tools and fastest:
        beyond = {label: cpu[label] - start_cpu.get(label, 0.0) for label in ("twinsweep", fastest)}
        print("processor time beyond start-up (a run on a two-file tree: twinsweep %.0f ms, %s %.0f ms): "
              "twinsweep %.3f s, %s %.3f s, ratio %.2f" % (
                  start_cpu.get("twinsweep", 0.0) * 1000, fastest, start_cpu.get(fastest, 0.0) * 1000,
                  beyond["twinsweep"], fastest, beyond[fastest],
                  beyond["twinsweep"] / beyond[fastest] if beyond[fastest] > 0 else float("nan")))
    for label, spec in tools.items():
        if spec[6]:
            print("  %s %s: checked against the truth of its own question" % (label, spec[6]))
    for label in missing:
        print("  %s: not installed" % label)
    if "twinsweep" in tools:
        need = bytes_to_read(root, a.work, paths)
        copy_rate = all_core_rate(_copy_worker)
        md5_rate = all_core_rate(_md5_worker)
        read_s = (need["edges"] + need["whole"]) / copy_rate
        bound = read_s + need["hashed"] / md5_rate
        print("lower bound %.3f s: %.1f MB at the edges and %.1f MB whole at %.0f MB/s (copy, %d cores), "
              "%.1f MB hashed at %.0f MB/s (MD5 one message at a time, all cores); Twinsweep at %.2f times it" % (
                  bound, need["edges"] / 1e6, need["whole"] / 1e6, copy_rate / 1e6, os.cpu_count() or 1,
                  need["hashed"] / 1e6, md5_rate / 1e6, median["twinsweep"] / bound))
        lanes = lanes_rate(a.bench, env)
        if lanes:
            bound_lanes = read_s + need["hashed"] / lanes
            print("  with the engine's widest MD5 lanes full (%.0f MB/s, all cores): %.3f s; Twinsweep at %.2f times it" % (
                lanes / 1e6, bound_lanes, median["twinsweep"] / bound_lanes))
    if large:
        lf = statistics.median(large_times["largefiles"])
        fd = statistics.median(large_times["find"])
        print("large files: engine %.3f s (%d files filed), find %.3f s (%d names listed), ratio %.2f" % (
            lf, large_counts.get("largefiles", -1), fd, large_counts.get("find", -1), lf / fd if fd else float("nan")))
    shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
