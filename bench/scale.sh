#!/usr/bin/env bash
# Checks the scale goals with an archive and a folder of BENCH_FILES files
# (default 100,000, small, in folders of a thousand):
#   `veilcraft list` of the archive container            < 0.5 s
#   the archive window lists it                           < 1 s
#   the browser lists a folder of as many files           < 1.5 s
#   each of these, and zipping and extracting it, peaks under 200 MiB
# It also times the extraction, and how soon an extraction stopped half-way
# by SIGINT has ended (with nothing left under the names it was writing).
#
# Environment: BUILD_DIR, BENCH_DIR, BENCH_REPEAT (see common.sh), BENCH_FILES.
# Exit status: 0 when every check passes, 1 when one fails, 2 when something
# needed is missing.
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
BENCH_FILES=${BENCH_FILES:-100000}
[[ $BENCH_FILES =~ ^[1-9][0-9]*$ ]] || die "BENCH_FILES must be a positive whole number"
window_bench=$BUILD_DIR/bin/veilcraft_archive_window_bench
browser_bench=$BUILD_DIR/bin/veilcraft_browser_bench
for program in "$window_bench" "$browser_bench"; do
    [[ -x $program ]] || die "$program not found; build it first (cmake --build $BUILD_DIR)"
done
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing (install the package 'time')"
use_scratch_folders
export VEILCRAFT_PASSWORD=bench-password

echo "Making $BENCH_FILES files in $scratch/tree"
python3 - "$scratch/tree" "$BENCH_FILES" << 'EOF'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    folder = os.path.join(root, "part%03d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(folder)
    with open(os.path.join(folder, "file%06d.txt" % i), "w") as f:
        f.write("file %d\n" % i * (1 + i % 40))
EOF

# measure NAME COMMAND...: median seconds of BENCH_REPEAT runs and the
# largest peak memory, in secs[NAME] and mib[NAME]. The seconds are the
# process's wall time, or the time it reports itself ("... N ms") for the
# benchmark programs, which make their windows and files first.
declare -A secs mib
median() { tr ' ' '\n' <<< "$1" | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
measure() {
    local name=$1 i list="" peak=0 kib seconds reported status
    shift
    for ((i = 1; i <= BENCH_REPEAT; i++)); do
        # The benchmark programs end with 1 when they miss their own goal;
        # the goals are judged here.
        status=0
        /usr/bin/time -f '%e %M' -o "$scratch/time" "$@" > "$scratch/log" 2>&1 || status=$?
        ((status <= 1)) || { echo "error: $name failed:" >&2; sed 's/^/    /' "$scratch/log" >&2; exit 1; }
        read -r seconds kib < <(tail -n 1 "$scratch/time")
        reported=$(grep -o -m 1 '[0-9]* ms' "$scratch/log" | cut -d' ' -f1 || true)
        [[ -n $reported ]] && seconds=$(awk -v m="$reported" 'BEGIN { printf "%.3f", m / 1000 }')
        list+="$seconds "
        ((kib > peak)) && peak=$kib
    done
    secs[$name]=$(median "$list")
    mib[$name]=$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')
    printf '  %-28s %8s s %10s MiB\n' "$name" "${secs[$name]}" "${mib[$name]}"
}

measure "encrypt-folder" sh -c "rm -f '$scratch/all.vkf' && '$veilcraft' encrypt-folder '$scratch/tree' --output '$scratch/all.vkf'"
measure "veilcraft list" "$veilcraft" list "$scratch/all.vkf"
measure "archive window" "$window_bench" "$scratch/all.vkf" 1000000
# Each extraction into a folder of its own: removing 100,000 files just
# before creating as many makes ext4 search past the freed inodes.
measure "extract" sh -c "'$veilcraft' extract '$scratch/all.vkf' --dest \"\$(mktemp -d '$out_dir/x.XXXXXX')\""
measure "browser listing" "$browser_bench" "$BENCH_FILES"
listed=$(grep -c $'\t' < <("$veilcraft" list "$scratch/all.vkf"))

# A stop half-way: SIGINT once the extraction has written some files.
rm -rf "$out_dir/stop"
"$veilcraft" extract "$scratch/all.vkf" --dest "$out_dir/stop" > /dev/null 2>&1 &
pid=$!
while (($(find "$out_dir/stop" -type f 2> /dev/null | head -n 2000 | wc -l) < 2000)); do sleep 0.01; done
start=$(date +%s%N)
kill -INT "$pid"
wait "$pid" || true
stop_ms=$((($(date +%s%N) - start) / 1000000))
written=$(find "$out_dir/stop" -type f | wc -l)
leftovers=$(find "$out_dir/stop" "${TMPDIR:-/tmp}" -maxdepth 1 -name '*.vctmp-*' 2> /dev/null | wc -l)
echo "  stop by SIGINT half-way:       ended ${stop_ms} ms after the signal, $written files written whole, $leftovers temporary files left"

echo
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
state() { if below "$1" "$2"; then echo PASS; else echo FAIL; fi; }
verdict "veilcraft list of $listed entries < 0.5 s" "$(state "${secs[veilcraft list]}" 0.5)" "${secs[veilcraft list]} s"
verdict "archive window lists them < 1 s" "$(state "${secs[archive window]}" 1.0)" "${secs[archive window]} s"
verdict "browser lists $BENCH_FILES files < 1.5 s" "$(state "${secs[browser listing]}" 1.5)" "${secs[browser listing]} s"
for name in "encrypt-folder" "veilcraft list" "archive window" "extract" "browser listing"; do
    verdict "$name peaks under 200 MiB" "$(state "${mib[$name]}" 200)" "${mib[$name]} MiB"
done
verdict "a stopped extraction leaves no temporary file" "$( ((leftovers == 0)) && echo PASS || echo FAIL)" \
    "$leftovers left, ended after ${stop_ms} ms"
exit "$failed"
