#!/usr/bin/env python3
"""How soon a stop and a quit take effect while a large file is being hashed.

The real program runs offscreen in a private home and plays a session script
(the same the program's end-to-end tests use): a duplicate scan of a tree
holding two equal sparse files of --size GiB, so their whole contents are
read and hashed, and a few hundred small pairs. Timed, --runs times each:

  stop      Stop, then "Yes": from the press on "Yes" to the screen showing
            the stopped scan's results;
  quit      the window's close under the scan, then "Yes": from the press on
            "Yes" to the process gone;
  results   a scan of the small pairs to its results, then the window's
            close and "Yes": from the press to the process gone.

A whole file of --size GiB takes many seconds to hash (about 0.8 GB/s a
core), so a time well under a second says the file in hand was not read to
its end.

  stop_timing.py --program build/bin/Twinsweep [--size 8] [--runs 3] [--pause 3000]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def make_tree(root, size_gib):
    big = os.path.join(root, "big")
    os.makedirs(big)
    for name in ("a.bin", "b.bin"):
        with open(os.path.join(big, name), "wb") as f:
            f.truncate(size_gib * 1024 ** 3)
    small = os.path.join(root, "small")
    os.makedirs(small)
    for i in range(300):
        body = (b"pair %d " % i) * (10 + i)
        for copy in ("x", "y"):
            with open(os.path.join(small, "%s%d.txt" % (copy, i)), "wb") as f:
                f.write(body)
    return big, small


def run(program, work, script, marks):
    """Plays `script` and returns the monotonic time each line of `marks`
    first showed in the session log ("exit": the process's end)."""
    home = os.path.join(work, "home")
    run_dir = os.path.join(work, "run")
    os.makedirs(run_dir, exist_ok=True)
    os.chmod(run_dir, 0o700)
    script_path = os.path.join(work, "script")
    log_path = os.path.join(work, "session.log")
    if os.path.exists(log_path):
        os.remove(log_path)
    with open(script_path, "w") as f:
        f.write("\n".join(script) + "\n")
    env = dict(os.environ)
    env.update({
        "HOME": home,
        "XDG_DATA_HOME": os.path.join(home, ".local/share"),
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_RUNTIME_DIR": run_dir,
        "QT_QPA_PLATFORM": "offscreen",
        "TWINSWEEP_SESSION_SCRIPT": script_path,
        "TWINSWEEP_SESSION_LOG": log_path,
    })
    process = subprocess.Popen([program], env=env, cwd=work, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    seen = {}
    deadline = time.monotonic() + 600
    while time.monotonic() < deadline:
        now = time.monotonic()
        if process.poll() is not None:
            seen["exit"] = now
            break
        try:
            with open(log_path) as f:
                lines = f.read().splitlines()
        except OSError:
            lines = []
        for mark in marks:
            if mark not in seen and mark in lines:
                seen[mark] = now
        if "done" in seen and "exit" not in marks:
            break
        time.sleep(0.002)
    if process.poll() is None:
        process.kill()
        process.wait()
    return seen


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--size", type=int, default=8, help="GiB of each of the two equal files")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--pause", type=int, default=3000,
                        help="milliseconds of hashing before the stop or the quit")
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    with tempfile.TemporaryDirectory(prefix="twinsweep-stop-") as work:
        home = os.path.join(work, "home")
        os.makedirs(home)
        big, small = make_tree(os.path.join(home, "Tree"), args.size)
        scan_big = ["scan duplicates " + os.path.dirname(big), "wait scanning", "pause %d" % args.pause]
        yes = "answer Yes while scanning=1"
        cases = {
            "stop": (scan_big + ["stop", "answer Yes", "wait finished"], [yes, "finished stopped=1", "done"],
                     yes, "finished stopped=1"),
            "quit": (scan_big + ["close", "answer Yes"], [yes, "exit"], yes, "exit"),
            "results": (["scan duplicates " + small, "wait finished", "close", "answer Yes"],
                        ["answer Yes while scanning=0", "exit"], "answer Yes while scanning=0", "exit"),
        }
        load = os.getloadavg()
        print("Stop and quit while two equal files of %d GiB are hashed (%d runs, load %.1f %.1f %.1f)"
              % (args.size, args.runs, *load))
        for name, (script, marks, start, end) in cases.items():
            times = []
            for _ in range(args.runs):
                seen = run(program, work, script, marks)
                if start not in seen or end not in seen:
                    print("  %-8s did not reach its end: saw %s" % (name, sorted(seen)))
                    continue
                times.append((seen[end] - seen[start]) * 1000)
            if times:
                print("  %-8s %s ms, median %.0f ms"
                      % (name, " / ".join("%.0f" % t for t in times), statistics.median(times)))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
