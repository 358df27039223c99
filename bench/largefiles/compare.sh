#!/bin/sh
# Median scan time of the large-file engine against
# `find <root> -type f -size +9999999c` over the same tree, warm cache.
#
#   bench/largefiles/compare.sh <largefiles_bench binary> <root> [runs]
#
# The engine runs with a throw-away HOME in /var/tmp (BENCH_HOME_PARENT
# chooses another parent), where its settings file is made with the defaults.
# The engine does not scan other users' folders, that is folders beside that
# HOME, so the root must not lie directly in that parent folder.
set -eu
bin=$1
root=$2
runs=${3:-5}

home=$(mktemp -d "${BENCH_HOME_PARENT:-/var/tmp}/largefiles-bench-home.XXXXXX")
trap 'rm -rf "$home"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Engine and find take turns, so a change in the machine's load falls on both.
find "$root" -type f -size +9999999c > /dev/null 2>&1 || true  # warm-up
engine_times=""
find_times=""
i=0
while [ "$i" -lt "$runs" ]; do
    out=$(HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config \
        XDG_CACHE_HOME=$home/.cache QT_QPA_PLATFORM=offscreen "$bin" "$root" 1)
    engine_times="$engine_times $(printf '%s\n' "$out" | awk '$1 == "run" { print $3 }')"
    engine_files=$(printf '%s\n' "$out" | awk '$1 == "run" { print $5 }')
    t0=$(date +%s%N)
    find_files=$(find "$root" -type f -size +9999999c 2>/dev/null | wc -l)
    t1=$(date +%s%N)
    find_times="$find_times $(( (t1 - t0) / 1000 ))"
    i=$((i + 1))
done
engine_ms=$(for t in $engine_times; do echo "$t"; done | median)
find_ms=$(for t in $find_times; do echo "$t"; done | median | awk '{ printf "%.1f", $1 / 1000 }')

echo "root: $root ($runs runs, warm cache, medians)"
echo "engine: $engine_ms ms, $engine_files files filed"
echo "find:   $find_ms ms, $find_files files listed"
awk -v e="$engine_ms" -v f="$find_ms" 'BEGIN { if (f > 0) printf "ratio:  %.2f x find\n", e / f }'
