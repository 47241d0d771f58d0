#!/usr/bin/env bash
# Times `veilcraft shred --passes 3 --yes` on one file against three passes of
# `dd if=/dev/zero conv=notrunc,fsync` over the same file, and checks the
# shredder's speed (at most 1.0x dd) and peak memory (under 64 MiB).
#
# Environment:
#   BUILD_DIR     build folder holding bin/veilcraft (default: build in the repository)
#   BENCH_DIR     work folder (default: a fresh folder under /var/tmp, removed at the end)
#   BENCH_SIZE_MB size of the file in MiB (default 1024)
#   BENCH_REPEAT  runs per tool; the best wall time counts (default 3)
#
# Before every run the file is made afresh from a random seed file and the
# dirty pages are flushed, outside the timed region, so both tools start from
# the same state and each pays for its own writes to the disk.
#
# Exit status: 0 when every check passes, 1 when one fails, 2 when something
# needed is missing.
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing (install the package 'time'); peak memory cannot be measured"

seed=$work_dir/seed.bin
target=$work_dir/target.bin

# shellcheck disable=SC2317 # called by the EXIT trap
cleanup() {
    rm -f "$target"
    if [[ $keep_work_dir -eq 0 ]]; then
        rm -rf "$work_dir"
    fi
}
trap cleanup EXIT

if [[ ! -f $seed || $(stat -c %s "$seed") -ne $((BENCH_SIZE_MB * 1048576)) ]]; then
    echo "making a ${BENCH_SIZE_MB} MiB seed file in $work_dir ..." >&2
    head -c $((BENCH_SIZE_MB * 1048576)) /dev/urandom > "$seed"
fi

fresh_target() {
    rm -f "$target"
    cp "$seed" "$target"
    sync
}

now() { date +%s.%N; }

# Runs one measured command; prints "SECONDS PEAK_KIB".
measure() {
    local log=$work_dir/time.log start end
    start=$(now)
    /usr/bin/time -f '%M' -o "$log" "$@" > /dev/null 2>&1 || {
        echo "error: '$*' failed" >&2
        return 1
    }
    end=$(now)
    echo "$(echo "$end - $start" | bc -l) $(tail -n 1 "$log")"
}

dd_three_passes() {
    local _
    for _ in 1 2 3; do
        /usr/bin/time -f '%M' -a -o "$work_dir/dd.log" \
            dd if=/dev/zero of="$target" bs=1M count="$BENCH_SIZE_MB" conv=notrunc,fsync status=none
    done
}

best_shred= ; peak_shred=0
best_dd= ; peak_dd=0
for run in $(seq "$BENCH_REPEAT"); do
    fresh_target
    read -r seconds peak < <(measure "$veilcraft" shred --passes 3 --yes "$target")
    [[ ! -e $target ]] || { echo "FAIL: veilcraft shred left $target" >&2; exit 1; }
    echo "run $run: veilcraft shred ${seconds}s, peak ${peak} KiB" >&2
    if [[ -z $best_shred ]] || (($(echo "$seconds < $best_shred" | bc -l))); then best_shred=$seconds; fi
    ((peak > peak_shred)) && peak_shred=$peak

    fresh_target
    rm -f "$work_dir/dd.log"
    start=$(now)
    dd_three_passes
    end=$(now)
    seconds=$(echo "$end - $start" | bc -l)
    peak=$(sort -n "$work_dir/dd.log" | tail -n 1)
    echo "run $run: 3 x dd ${seconds}s, peak ${peak} KiB" >&2
    if [[ -z $best_dd ]] || (($(echo "$seconds < $best_dd" | bc -l))); then best_dd=$seconds; fi
    ((peak > peak_dd)) && peak_dd=$peak
done

ratio=$(echo "$best_shred / $best_dd" | bc -l)
printf 'best of %d: veilcraft shred %.2fs, 3 x dd %.2fs, ratio %.3f (goal <= 1.0)\n' \
    "$BENCH_REPEAT" "$best_shred" "$best_dd" "$ratio"
printf 'peak memory: veilcraft shred %d KiB, dd %d KiB (goal < 65536 KiB)\n' "$peak_shred" "$peak_dd"

status=0
if (($(echo "$ratio <= 1.0" | bc -l))); then echo "PASS speed"; else echo "FAIL speed"; status=1; fi
if ((peak_shred < 65536)); then echo "PASS memory"; else echo "FAIL memory"; status=1; fi
exit $status
