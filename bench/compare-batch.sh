#!/bin/bash
# Compares the run time of two korvel-batch builds on the same runs, interleaved and repeated so that
# the machine's other load falls on both alike. Prints the least user CPU time of each over the
# repetitions and their ratio (new / old).
#   bench/compare-batch.sh OLD_BATCH NEW_BATCH [REPEATS] [GRID ...]
# GRID is N (an N x N default run); default grids 10 30 100.
set -euo pipefail
old=$1
new=$2
repeats=${3:-5}
shift $(($# < 3 ? $# : 3))
grids=("$@")
[ ${#grids[@]} -eq 0 ] && grids=(10 30 100)
usertime() { /usr/bin/time -f '%U' "$@" 2>&1 >/dev/null | tail -1; }
# A small grid runs too briefly for the clock: run it several times per sample.
runs_for() { if [ "$1" -le 10 ]; then echo 20; elif [ "$1" -le 30 ]; then echo 3; else echo 1; fi; }
printf '%-8s %12s %12s %8s\n' grid old_s new_s ratio
for n in "${grids[@]}"; do
    k=$(runs_for "$n")
    best_old=1000000
    best_new=1000000
    for ((r = 0; r < repeats; r++)); do
        for which in old new; do
            bin=${!which}
            t=$(usertime bash -c "for ((q = 0; q < $k; q++)); do '$bin' L=$n M=$n >/dev/null; done")
            t=$(awk -v t="$t" -v k="$k" 'BEGIN { print t / k }')
            if [ "$which" = old ]; then
                best_old=$(awk -v a="$t" -v b="$best_old" 'BEGIN { print (a < b ? a : b) }')
            else
                best_new=$(awk -v a="$t" -v b="$best_new" 'BEGIN { print (a < b ? a : b) }')
            fi
        done
    done
    printf '%-8s %12.4f %12.4f %8.3f\n' "${n}x${n}" "$best_old" "$best_new" "$(awk -v a="$best_new" -v b="$best_old" 'BEGIN { print a / b }')"
done
