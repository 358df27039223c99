#!/bin/sh
# Makes a synthetic tree for the large-file comparison (see README): <folders> folders of <files> small
# files each, every <every>-th file a sparse file of 10,000,000 to 60,000,000
# bytes (no real disk use). Kept between runs; make it once.
#
#   bench/largefiles/maketree.sh <dir> [folders] [files] [every]
set -eu
dir=$1
folders=${2:-200}
files=${3:-100}
every=${4:-10}
mkdir -p "$dir"
f=0
while [ "$f" -lt "$folders" ]; do
    sub="$dir/d$f"
    mkdir -p "$sub"
    i=0
    while [ "$i" -lt "$files" ]; do
        if [ $((i % every)) -eq 0 ]; then
            truncate -s $((10000000 + (i * 500000) % 50000000)) "$sub/large$i.bin"
        else
            : > "$sub/small$i.txt"
        fi
        i=$((i + 1))
    done
    f=$((f + 1))
done
