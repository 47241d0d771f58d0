#!/usr/bin/env bash
# Times the main window's encryption of one large file of random data against
# `veilcraft encrypt` on the same file, and checks the window's goals while it
# runs: its event loop never stalls more than 100 ms, Cancel ends the run
# within 200 ms of the run seeing it (and leaves no encrypted file under its
# final name), and the run takes at most 1.1 times the command's time.
#
#   bench/window_encrypt.sh [SIZE_MIB]      (default BENCH_SIZE_MB, else 1024)
#
# Environment:
#   BUILD_DIR     build folder holding bin/veilcraft and bin/veilcraft_window_bench
#                 (default: build in the repository)
#   BENCH_DIR     work folder; kept afterwards, and its data file is reused by
#                 later runs (default: a fresh folder under TMPDIR or /tmp,
#                 removed at the end)
#   BENCH_REPEAT  runs of each; the medians count (default 3)
#   BENCH_CANCEL_MS  when the window's second run is cancelled, in ms after its
#                 start (at most nine tenths of the first run's time; default
#                 1500, at most half of it)
#
# The command and the window take turns, in alternating order, so that other
# work on the machine weighs on both alike; both read the file from the page cache (it is warmed
# first), write into the same folder with the same cipher and without removing
# the source, and the output is deleted and dirty pages flushed between runs,
# outside the timed region. The window runs offscreen with a private home.
#
# Exit status: 0 when every goal is met, 1 when one is missed or a run fails,
# 2 when something needed is missing.
set -euo pipefail

if (($# > 0)); then
    BENCH_SIZE_MB=$1
fi
# The work folder goes under the temporary folder unless one is named.
own_dir=
if [[ -z ${BENCH_DIR:-} ]]; then
    own_dir=$(mktemp -d "${TMPDIR:-/tmp}/veilcraft-window.XXXXXX")
    BENCH_DIR=$own_dir
fi

# shellcheck source=bench/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
window_bench=$BUILD_DIR/bin/veilcraft_window_bench
[[ -x $window_bench ]] || die "$window_bench not found; build it first (cmake --build $BUILD_DIR --target veilcraft_window_bench)"

# --- work folder -------------------------------------------------------------

use_scratch_folders
# shellcheck disable=SC2317 # called by the EXIT trap
remove_work() {
    cleanup
    if [[ -n $own_dir ]]; then
        rm -rf "$own_dir"
    fi
}
trap remove_work EXIT

prepare_random_data
data_base=$(basename "$data_file")
vkf_out=$out_dir/${data_base%%.*}.vkf

# A private home for the window: its settings, the desktop association it
# registers at start and its temporary files stay in the work folder.
home=$scratch/home
mkdir -p "$home/tmp"
export VEILCRAFT_PASSWORD=VeilcraftBench16

# --- measurement -------------------------------------------------------------

# The window bench's figure KEY from log LOG.
figure() { awk -v k="$1" '$1 == k { print $2 }' "$2"; }

# median VALUE...: the middle value (the mean of the two middle ones for an
# even count).
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

cli_seconds=()
window_seconds=()
stall_ms=()
cancel_ms=()
request_ms=()
partial=()

# run_cli RUN: one timed run of the command into the empty output folder.
run_cli() {
    local start end
    rm -rf "${out_dir:?}"/*
    sync
    start=$(date +%s%N)
    "$veilcraft" encrypt --dest "$out_dir" --cipher RC4 "$data_file" > "$scratch/cli.log" 2>&1 || {
        echo "error: veilcraft encrypt failed:" >&2
        sed 's/^/    /' "$scratch/cli.log" >&2
        exit 1
    }
    end=$(date +%s%N)
    [[ -f $vkf_out && $(file_size "$vkf_out") -eq $((size_bytes + 9)) ]] ||
        { echo "error: veilcraft encrypt did not write $vkf_out of $((size_bytes + 9)) bytes" >&2; exit 1; }
    cli_seconds+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')")
    printf '  run %d: veilcraft encrypt %8.3f s\n' "$1" "${cli_seconds[-1]}"
}

# run_window RUN: the window bench's two runs into the empty output folder.
run_window() {
    local log=$scratch/window.log
    rm -rf "${out_dir:?}"/*
    sync
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share TMPDIR=$home/tmp \
        VEILCRAFT_REGISTRY=$home/registry QT_QPA_PLATFORM=offscreen \
        "$window_bench" "$data_file" "$out_dir" ${BENCH_CANCEL_MS:+"$BENCH_CANCEL_MS"} > "$log" \
        2> "$scratch/window.err" || {
        echo "error: the window bench failed:" >&2
        sed 's/^/    /' "$log" "$scratch/window.err" >&2
        exit 1
    }
    window_seconds+=("$(figure run_seconds "$log")")
    stall_ms+=("$(figure max_gap_ms "$log")")
    cancel_ms+=("$(figure cancel_ms "$log")")
    request_ms+=("$(figure cancel_from_request_ms "$log")")
    partial+=("$(figure partial_output "$log")")
    printf '  run %d: window            %8.3f s, longest stall %5.1f ms (ended %s ms in, %s ms of it waiting for a' \
        "$1" "${window_seconds[-1]}" "${stall_ms[-1]}" "$(figure max_gap_end_ms "$log")" \
        "$(figure max_gap_waiting_ms "$log")"
    printf ' processor; p99 tick gap %s ms), cancel %5.1f ms (%s MiB written, %s leftovers)\n' \
        "$(figure p99_gap_ms "$log")" "${cancel_ms[-1]}" "$(figure cancel_partial_mib "$log")" \
        "$(figure leftover_files "$log")"
}

# The order alternates, so that neither always follows the other's output.
echo "Timing $BENCH_REPEAT runs of each on $BENCH_SIZE_MB MiB"
for ((i = 1; i <= BENCH_REPEAT; i++)); do
    if ((i % 2)); then
        run_cli "$i"
        run_window "$i"
    else
        run_window "$i"
        run_cli "$i"
    fi
done
rm -rf "${out_dir:?}"/*

# --- report ------------------------------------------------------------------

echo
printf '%-8s %10s %10s %7s %15s %11s %18s %15s\n' run "CLI s" "window s" ratio "max stall ms" \
    "cancel ms" "cancel-request ms" "partial output"
for ((i = 0; i < BENCH_REPEAT; i++)); do
    printf '%-8s %10.3f %10.3f %7.3f %15.1f %11.1f %18.1f %15s\n' "$((i + 1))" "${cli_seconds[i]}" \
        "${window_seconds[i]}" "$(awk -v w="${window_seconds[i]}" -v c="${cli_seconds[i]}" 'BEGIN { print w / c }')" \
        "${stall_ms[i]}" "${cancel_ms[i]}" "${request_ms[i]}" "${partial[i]}"
done
cli_median=$(median "${cli_seconds[@]}")
window_median=$(median "${window_seconds[@]}")
ratio=$(awk -v w="$window_median" -v c="$cli_median" 'BEGIN { printf "%.3f", w / c }')
stall_median=$(median "${stall_ms[@]}")
cancel_median=$(median "${cancel_ms[@]}")
request_median=$(median "${request_ms[@]}")
partial_seen=no
for state in "${partial[@]}"; do
    [[ $state == no ]] || partial_seen=yes
done
printf '%-8s %10.3f %10.3f %7.3f %15.1f %11.1f %18.1f %15s\n' median "$cli_median" "$window_median" "$ratio" \
    "$stall_median" "$cancel_median" "$request_median" "$partial_seen"
echo "(ratio = window s / CLI s, medians for the median row; cancel ms from the first cancelRequested()"
echo " that answers yes to the end of the click, cancel-request ms from setting cancel to that end)"
echo

state=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.1) ? "PASS" : "FAIL" }')
verdict "window run time <= 1.1x veilcraft encrypt" "$state" "ratio $ratio"
state=$(awk -v s="$stall_median" 'BEGIN { print (s <= 100) ? "PASS" : "FAIL" }')
stall_worst=$(printf '%s\n' "${stall_ms[@]}" | sort -g | tail -n 1)
verdict "window event loop stall <= 100 ms" "$state" "median of the longest stalls $stall_median ms, worst $stall_worst ms"
state=$(awk -v s="$cancel_median" 'BEGIN { print (s <= 200) ? "PASS" : "FAIL" }')
verdict "Cancel takes effect <= 200 ms" "$state" "median $cancel_median ms"
state=$([[ $partial_seen == no ]] && echo PASS || echo FAIL)
verdict "no encrypted file left by a cancelled run" "$state" "partial output: $partial_seen"

exit "$failed"
