#!/usr/bin/env bash
# Times whole-file encryption by veilcraft against OpenSSL and cp on one large
# file of random data, and checks veilcraft's speed and memory targets:
#   veilcraft encrypt         <= 0.6x the time of openssl enc -rc4
#   Blowfish                  >= 1.1x the throughput of openssl enc -bf-cbc
#   the RC4 engine            >= openssl speed -evp rc4 on 16 KiB blocks
#   veilcraft encrypt's peak memory < 32 MiB
#
# Environment:
#   BUILD_DIR     build folder holding bin/veilcraft (default: build in the repository)
#   BENCH_DIR     work folder; kept afterwards, and its data file is reused by
#                 later runs (default: a fresh folder under /var/tmp, removed at the end)
#   BENCH_SIZE_MB size of the data file in MiB (default 1024)
#   BENCH_REPEAT  runs per tool; the best wall time counts (default 3)
#
# Each tool reads the file from the page cache (it is warmed first) and writes
# its output into the work folder; outputs are deleted between runs, and
# dirty pages are flushed outside the timed region.
#
# Exit status: 0 when every check passes, 1 when one fails or could not be
# made, 2 when something needed is missing.
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
command -v openssl > /dev/null || die "openssl not found; install OpenSSL 3 (package openssl)"

time_tool=/usr/bin/time
if [[ ! -x $time_tool ]]; then
    echo "WARNING: $time_tool is missing (install the package 'time'): peak memory is NOT measured" >&2
    echo "         and the memory check cannot pass." >&2
    time_tool=
fi

# --- work folder -------------------------------------------------------------

use_scratch_folders

prepare_random_data

# --- keys ------------------------------------------------------------------

# One 16-character password for every tool: veilcraft uses its bytes as the
# key, OpenSSL gets the same 16 bytes in hex.
password=VeilcraftBench16
hex_key=$(printf %s "$password" | od -An -tx1 | tr -d ' \n')
export VEILCRAFT_PASSWORD=$password

openssl_ok=1
probe_openssl_cipher "$scratch" -rc4 || openssl_ok=0
probe_openssl_cipher "$scratch" -bf-cbc -iv 0000000000000000 || openssl_ok=0

# --- measurement -------------------------------------------------------------

# run NAME EXPECTED_SIZE_CHECK OUTPUT COMMAND...
# Runs COMMAND BENCH_REPEAT times; records the best wall time and the largest
# peak RSS. OUTPUT is the file the command must produce; its size is checked
# against EXPECTED_SIZE_CHECK, an awk condition on s (the output size) and n
# (the input size), so that a tool that fails quietly is not timed as fast.
declare -A best_seconds peak_kib
tools=()
run() {
    local name=$1 size_check=$2 output=$3
    shift 3
    tools+=("$name")
    local best='' peak=0 i start end seconds kib
    for ((i = 1; i <= BENCH_REPEAT; i++)); do
        rm -rf "${out_dir:?}"/* "$scratch/rss"
        sync
        start=$(date +%s%N)
        if [[ -n $time_tool ]]; then
            "$time_tool" -f %M -o "$scratch/rss" "$@" > "$scratch/log" 2>&1 || {
                echo "error: $name failed:" >&2
                sed 's/^/    /' "$scratch/log" >&2
                exit 1
            }
        else
            "$@" > "$scratch/log" 2>&1 || {
                echo "error: $name failed:" >&2
                sed 's/^/    /' "$scratch/log" >&2
                exit 1
            }
        fi
        end=$(date +%s%N)
        [[ -f $output ]] || { echo "error: $name wrote no $output" >&2; exit 1; }
        if ! awk -v s="$(file_size "$output")" -v n="$size_bytes" "BEGIN { exit !($size_check) }"; then
            echo "error: $name wrote $(file_size "$output") bytes to $output, expected $size_check (n = $size_bytes)" >&2
            exit 1
        fi
        seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
        if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$seconds
        fi
        if [[ -n $time_tool ]]; then
            kib=$(tail -n 1 "$scratch/rss")
            ((kib > peak)) && peak=$kib
        fi
        printf '  %-28s run %d: %8.3f s\n' "$name" "$i" "$seconds"
    done
    rm -rf "${out_dir:?}"/*
    best_seconds[$name]=$best
    if [[ -n $time_tool ]]; then peak_kib[$name]=$peak; else peak_kib[$name]=; fi
}

data_base=$(basename "$data_file")
vkf_out=$out_dir/${data_base%%.*}.vkf

echo "Timing $BENCH_REPEAT runs per tool on $BENCH_SIZE_MB MiB"
run "veilcraft encrypt" 's == n + 9' "$vkf_out" \
    "$veilcraft" encrypt --dest "$out_dir" "$data_file"
if ((openssl_ok)); then
    run "openssl rc4" 's == n' "$out_dir/out.rc4" \
        openssl enc -rc4 "${openssl_legacy[@]}" -nosalt -K "$hex_key" -in "$data_file" -out "$out_dir/out.rc4"
fi
run "cp" 's == n' "$out_dir/out.copy" \
    cp "$data_file" "$out_dir/out.copy"
if ((openssl_ok)); then
    run "openssl bf-cbc" 's > n && s <= n + 8' "$out_dir/out.bf" \
        openssl enc -bf-cbc "${openssl_legacy[@]}" -nosalt -K "$hex_key" -iv 0000000000000000 \
        -in "$data_file" -out "$out_dir/out.bf"
fi
run "veilcraft cipher blowfish" 's >= n + 12 && s <= n + 19' "$out_dir/out.vbf" \
    "$veilcraft" cipher blowfish encrypt "$data_file" "$out_dir/out.vbf"

# --- report ------------------------------------------------------------------

rc4_seconds=${best_seconds[openssl rc4]:-}
echo
printf '%-28s %10s %10s %14s %14s\n' "tool" "seconds" "MB/s" "x openssl rc4" "peak RSS MiB"
for name in "${tools[@]}"; do
    awk -v name="$name" -v s="${best_seconds[$name]}" -v n="$size_bytes" -v r="$rc4_seconds" \
        -v k="${peak_kib[$name]}" 'BEGIN {
            ratio = (r == "" || r == 0) ? "n/a" : sprintf("%.2f", s / r)
            rss = (k == "") ? "n/a" : sprintf("%.1f", k / 1024)
            mbs = (s > 0) ? sprintf("%.1f", n / 1e6 / s) : "inf"
            printf "%-28s %10.3f %10s %14s %14s\n", name, s, mbs, ratio, rss
        }'
done
echo "(MB = 10^6 bytes; ratio = wall time / wall time of openssl rc4; best of $BENCH_REPEAT runs)"
echo

if [[ -n $rc4_seconds ]]; then
    ratio=$(awk -v a="${best_seconds[veilcraft encrypt]}" -v b="$rc4_seconds" 'BEGIN { printf "%.3f", (b > 0) ? a / b : 999 }')
    state=$(awk -v r="$ratio" 'BEGIN { print (r <= 0.6) ? "PASS" : "FAIL" }')
    verdict "veilcraft encrypt time <= 0.6x openssl rc4" "$state" "ratio $ratio"
else
    verdict "veilcraft encrypt time <= 0.6x openssl rc4" FAIL "openssl rc4 could not run"
fi

bf_seconds=${best_seconds[openssl bf-cbc]:-}
if [[ -n $bf_seconds ]]; then
    # Throughput ratio: higher is better for veilcraft.
    ratio=$(awk -v a="${best_seconds[veilcraft cipher blowfish]}" -v b="$bf_seconds" 'BEGIN { printf "%.3f", (a > 0) ? b / a : 999 }')
    state=$(awk -v r="$ratio" 'BEGIN { print (r >= 1.1) ? "PASS" : "FAIL" }')
    verdict "veilcraft blowfish throughput >= 1.1x openssl bf-cbc" "$state" "ratio $ratio"
else
    verdict "veilcraft blowfish throughput >= 1.1x openssl bf-cbc" FAIL "openssl bf-cbc could not run"
fi

# The engine alone, on the block size OpenSSL's own measure uses: both in
# bytes per second of CPU time, best of BENCH_REPEAT.
engine_bench=$BUILD_DIR/bin/veilcraft_engine_bench
if ((openssl_ok)) && [[ -x $engine_bench ]]; then
    openssl_rate=0 engine_rate=0
    for ((i = 1; i <= BENCH_REPEAT; i++)); do
        rate=$(openssl speed "${openssl_legacy[@]}" -evp rc4 -bytes 16384 -seconds 2 -mr 2> /dev/null |
            awk -F: '/^\+F:/ { print $4 }')
        openssl_rate=$(awk -v a="$rate" -v b="$openssl_rate" 'BEGIN { print (a > b) ? a : b }')
        rate=$("$engine_bench" --benchmark_filter='^BM_RC4_EncryptByte/16384$' --benchmark_min_time=2 \
            --benchmark_format=csv 2> /dev/null | awk -F, '/^"BM_RC4_EncryptByte\/16384"/ { print $6 }')
        engine_rate=$(awk -v a="$rate" -v b="$engine_rate" 'BEGIN { print (a > b) ? a : b }')
    done
    ratio=$(awk -v a="$engine_rate" -v b="$openssl_rate" 'BEGIN { printf "%.3f", (b > 0) ? a / b : 0 }')
    state=$(awk -v r="$ratio" 'BEGIN { print (r >= 1.0) ? "PASS" : "FAIL" }')
    verdict "RC4 engine throughput >= openssl speed -evp rc4 (16 KiB)" "$state" \
        "$(awk -v a="$engine_rate" -v b="$openssl_rate" 'BEGIN { printf "%.0f vs %.0f MB/s", a / 1e6, b / 1e6 }'), ratio $ratio"
else
    verdict "RC4 engine throughput >= openssl speed -evp rc4 (16 KiB)" FAIL \
        "needs openssl and $engine_bench (configure with -DVEILCRAFT_BENCHMARKS=ON)"
fi

if [[ -n $time_tool ]]; then
    kib=${peak_kib[veilcraft encrypt]}
    state=$( ((kib < 32 * 1024)) && echo PASS || echo FAIL)
    verdict "veilcraft encrypt peak memory < 32 MiB" "$state" "$(awk -v k="$kib" 'BEGIN { printf "%.1f MiB", k / 1024 }')"
else
    verdict "veilcraft encrypt peak memory < 32 MiB" SKIP "/usr/bin/time missing, not measured"
fi

exit "$failed"
