#!/usr/bin/env python3
"""Benchmark the duplicate-file engine against fdupes, jdupes, rdfind and rmlint.

Builds a tree with ../shared/bench/gen_dup_tree.py (unless it exists), runs every
tool on it with a warm cache (one untimed warm-up run, then --runs timed runs),
checks each tool's groups with compare_dup_results.py and prints one table:
tool, groups found, correct or not, median wall time, peak memory, ratio to ours.

All tools are asked for the same meaning: hidden files included, empty files
excluded, hard links one file, symbolic links not followed.

  compare_dup_tools.py --bench BUILD/bin/twinsweep-dup-bench [--files 20000]
                       [--runs 3] [--work /tmp/twinsweep-bench] [--shared ../shared/bench]
"""
import argparse
import json
import os
import plistlib
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def settings_plist(path):
    # The engine's 23 settings; hidden files in, empty files out, no limits.
    plist = {
        "audio": True, "file": True, "other": True, "video": True, "photo": True,
        "maxFileSize": "", "maxSelect": False, "maxSizeType": "MB",
        "minFileSize": "", "minSelect": False, "minSizeType": "MB",
        "whiteListPath": [], "DupImagesWhiteListPath": [], "LargeFileWhiteListPath": [],
        "hiddenFile": False, "zeroByteFile": True, "threshold": "85",
        "similarImageMaxFileSize": "", "similarImageMaxSelect": False, "similarImageMaxSizeType": "MB",
        "similarImageMinFileSize": "", "similarImageMinSelect": False, "similarImageMinSizeType": "MB",
    }
    with open(path, "wb") as f:
        plistlib.dump(plist, f, fmt=plistlib.FMT_XML)


def visible_manifest(manifest, root, out_path):
    """The ground truth without the files that lie in hidden folders, which
    our engine (by its walk rules) never enters even with hidden files taken in."""
    with open(manifest) as f:
        m = json.load(f)

    def visible(p):
        p = p if os.path.isabs(p) else os.path.join(root, p)
        return not any(c.startswith(".") for c in os.path.relpath(p, root).split("/")[:-1])

    groups = []
    for g in m["groups"]:
        inodes = [[p for p in paths if visible(p)] for paths in g["inodes"]]
        inodes = [paths for paths in inodes if paths]
        if len(inodes) >= 2:
            groups.append(dict(g, inodes=inodes))
    m["groups"] = groups
    with open(out_path, "w") as f:
        json.dump(m, f)


def compare(shared, manifest, fmt, result, label):
    check = subprocess.run([sys.executable, os.path.join(shared, "compare_dup_results.py"), manifest, fmt,
                            result, "--label", label], capture_output=True, text=True)
    return json.loads(check.stdout.strip().split("\n")[-1])


def timed(cmd, stdout_path=None):
    """Runs cmd under /usr/bin/time; returns (seconds, peak KiB)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as t:
        full = ["/usr/bin/time", "-f", "%e %M", "-o", t.name] + cmd
        out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
        try:
            subprocess.run(full, stdout=out, stderr=subprocess.DEVNULL, check=False)
        finally:
            if stdout_path:
                out.close()
        fields = t.read().strip().split("\n")[-1].split()
        return float(fields[0]), int(fields[1])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bench", required=True, help="path of twinsweep-dup-bench")
    ap.add_argument("--files", type=int, default=20000)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--work", default="/tmp/twinsweep-bench")
    ap.add_argument("--shared", default=os.path.join(HERE, "..", "..", "shared", "bench"))
    a = ap.parse_args()

    os.makedirs(a.work, exist_ok=True)
    root = os.path.join(a.work, "tree-%d" % a.files)
    manifest = root + ".manifest.json"
    if not os.path.exists(manifest):
        subprocess.run([sys.executable, os.path.join(a.shared, "gen_dup_tree.py"), "--root", root,
                        "--files", str(a.files), "--force"], check=True, stdout=subprocess.DEVNULL)
    settings = os.path.join(a.work, "PreferenceInfo.plist")
    settings_plist(settings)
    out_dir = os.path.join(a.work, "out")
    shutil.rmtree(out_dir, ignore_errors=True)  # rmlint keeps old outputs under new names
    os.makedirs(out_dir, exist_ok=True)

    def o(name):
        return os.path.join(out_dir, name)

    # (label, command, stdout file or None, result file, format)
    tools = [
        ("twinsweep", [a.bench, root, "--settings", settings, "--output", o("twinsweep.txt")], None,
         o("twinsweep.txt"), "blank"),
        ("fdupes", ["fdupes", "-r", "-n", root], o("fdupes.txt"), o("fdupes.txt"), "blank"),
        ("jdupes", ["jdupes", "-r", "-q", root], o("jdupes.txt"), o("jdupes.txt"), "blank"),
        ("rdfind", ["rdfind", "-outputname", o("rdfind.txt"), "-ignoreempty", "true",
                    "-followsymlinks", "false", "-removeidentinode", "true", root], None, o("rdfind.txt"), "rdfind"),
        ("rmlint", ["rmlint", "--hidden", "--no-followlinks", "--no-hardlinked", "-T", "df",
                    "-o", "json:" + o("rmlint.json"), root], None, o("rmlint.json"), "rmlint"),
    ]
    rows = []
    for label, cmd, stdout_path, result, fmt in tools:
        if shutil.which(cmd[0]) is None and not os.path.exists(cmd[0]):
            rows.append((label, "-", "not installed", float("nan"), 0))
            continue
        timed(cmd, stdout_path)  # warm-up: the cache holds the tree afterwards
        runs = [timed(cmd, stdout_path) for _ in range(a.runs)]
        seconds = statistics.median(r[0] for r in runs)
        peak = max(r[1] for r in runs)
        try:
            res = compare(a.shared, manifest, fmt, result, label)
            groups = res["groups_reported"]
            correct = "yes" if res["exact_match"] else "no (missing %d, extra %d)" % (
                res["missing_groups"], res["extra_groups"])
            if not res["exact_match"] and label == "twinsweep":
                visible = root + ".visible.manifest.json"
                visible_manifest(manifest, root, visible)
                if compare(a.shared, visible, fmt, result, label)["exact_match"]:
                    correct = "yes, outside hidden folders"
        except (ValueError, KeyError, IndexError):
            groups, correct = "?", "unreadable output"
        rows.append((label, groups, correct, seconds, peak))

    ours = next((r[3] for r in rows if r[0] == "twinsweep"), float("nan"))
    print("tree: %s (%d paths requested)" % (root, a.files))
    print("%-10s %8s  %-28s %10s %12s %12s" % ("tool", "groups", "correct", "median s", "peak MiB", "ratio to us"))
    for label, groups, correct, seconds, peak in rows:
        ratio = seconds / ours if ours and ours == ours and seconds == seconds else float("nan")
        print("%-10s %8s  %-28s %10.3f %12.1f %12.2f" % (label, groups, correct, seconds, peak / 1024.0, ratio))


if __name__ == "__main__":
    main()
