#!/usr/bin/env bash
# Times `veilcraft encrypt-folder` and `veilcraft decrypt` on a mixed corpus
# against the two-step pipelines `zip -r -6` then `openssl enc -rc4`, and
# `openssl enc -d -rc4` then `unzip`, and checks the goals:
#   encrypt-folder <= 0.95 x the time of zip + openssl rc4
#   decrypt        <= 0.80 x the time of openssl rc4 -d + unzip
#   peak memory of every veilcraft run < 64 MiB
#
# Environment:
#   BUILD_DIR       build folder holding bin/veilcraft (default: build in the repository)
#   BENCH_DIR       work folder; kept afterwards, and its corpus is reused by
#                   later runs (default: a fresh folder under /var/tmp, removed at the end)
#   CORPUS          corpus folder to use as it is (default: made by
#                   bench/make_corpus.sh in the work folder)
#   BENCH_CORPUS_MB size of the corpus made in MiB (default 300)
#   BENCH_SHAPE     shape of the corpus made: large (a few hundred files, the
#                   default) or small (17,000 files, median about 3.4 KB)
#   BENCH_REPEAT    runs per tool; the best wall time counts (default 3)
#
# Every tool reads the corpus from the page cache (it is warmed first) and
# writes into the work folder; a run's output is deleted before the next, and
# dirty pages are flushed outside the timed region. A pipeline's time is that
# of both steps together, its peak memory the larger of the two. Both sides
# use the password bench-password: veilcraft through VEILCRAFT_PASSWORD,
# OpenSSL through -pass. Our decryption is compared with the corpus once.
#
# Exit status: 0 when every check passes, 1 when one fails, 2 when something
# needed is missing.

# shellcheck disable=SC2317 # the step functions and cleanup are called by name
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
BENCH_CORPUS_MB=${BENCH_CORPUS_MB:-300}
BENCH_SHAPE=${BENCH_SHAPE:-large}

# --- work folder -------------------------------------------------------------

use_scratch_folders

# --- tools -------------------------------------------------------------------

[[ $BENCH_CORPUS_MB =~ ^[1-9][0-9]*$ ]] || die "BENCH_CORPUS_MB must be a positive whole number of MiB, not '$BENCH_CORPUS_MB'"
for tool in zip unzip openssl; do
    command -v "$tool" > /dev/null || die "$tool not found (packages zip, unzip, openssl)"
done
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing (install the package 'time'); peak memory cannot be measured"
"$veilcraft" encrypt-folder --help > /dev/null 2>&1 ||
    die "$veilcraft has no working 'encrypt-folder' command; build a version that has it"
probe_openssl_cipher "$scratch" -rc4 || die "openssl cannot encrypt with RC4 here"

password=bench-password
export VEILCRAFT_PASSWORD=$password

# --- corpus ------------------------------------------------------------------

if [[ -n ${CORPUS:-} ]]; then
    [[ -d $CORPUS ]] || die "CORPUS=$CORPUS is not a folder"
    corpus=$(cd "$CORPUS" && pwd)
    corpus_kib=$(du -sk "$corpus" | cut -f1)
    made_here_kib=0
else
    corpus=$work_dir/corpus-${BENCH_CORPUS_MB}MiB
    [[ $BENCH_SHAPE == small ]] && corpus=$work_dir/corpus-small
    corpus_kib=$((BENCH_CORPUS_MB * 1024))
    made_here_kib=$corpus_kib
    [[ -d $corpus ]] && made_here_kib=0
fi

# The corpus if it is still to be made; then at most three outputs of about
# its size at once (the peer's RC4 file, a container or zip, the files
# unpacked from it), one more for temporary files of the tools, and a margin.
require_free_space $((made_here_kib + corpus_kib * 4 + 256 * 1024))

if [[ -z ${CORPUS:-} ]]; then
    if [[ -d $corpus ]]; then
        echo "Reusing $corpus"
    else
        echo "Making a $BENCH_SHAPE-file corpus in $corpus"
        # made under another name first, so that an interrupted run leaves no
        # folder that a later one would take for a whole corpus
        rm -rf "$corpus.making"
        "$script_dir/make_corpus.sh" "$corpus.making" "$BENCH_CORPUS_MB" "$BENCH_SHAPE" > /dev/null
        mv "$corpus.making" "$corpus"
    fi
fi
corpus_parent=$(dirname "$corpus")
corpus_base=$(basename "$corpus")
corpus_bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{ n += $1 } END { printf "%d", n }')
corpus_files=$(find "$corpus" -type f | wc -l)
((corpus_bytes > 0)) || die "the corpus $corpus holds no data"
echo "Corpus: $corpus, $corpus_bytes bytes in $corpus_files files"
echo "Warming the page cache"
find "$corpus" -type f -exec cat {} + > /dev/null

# --- measurement -------------------------------------------------------------

ours_vkf=$out_dir/ours.vkf
ours_dir=$out_dir/ours  # where `veilcraft decrypt` unpacks ours.vkf
peer_zip=$out_dir/peer.zip
peer_rc4=$out_dir/peer.rc4
peer_zip2=$out_dir/peer.zip2
peer_dir=$out_dir/peer
rss_log=$scratch/rss
run_log=$scratch/log

# timed COMMAND...: runs COMMAND under /usr/bin/time, adding its peak RSS in
# KiB as one line to $rss_log; its output goes to $run_log.
timed() {
    /usr/bin/time -f %M -a -o "$rss_log" "$@" >> "$run_log" 2>&1
}

# One tool's steps: reset_X removes what the last run left (untimed), X is
# the timed step, check_X makes sure that X produced what it should, so that
# a tool that fails quietly is not timed as fast.
reset_ours_encrypt() { rm -f "$ours_vkf"; }
ours_encrypt() { timed "$veilcraft" encrypt-folder "$corpus" --output "$ours_vkf" --cipher RC4; }
check_ours_encrypt() { [[ -s $ours_vkf ]]; }

reset_peer_encrypt() { rm -f "$peer_zip" "$peer_rc4"; }
peer_encrypt() {
    # zip from the corpus' parent so the archive holds the same relative names as ours
    (cd "$corpus_parent" && timed zip -r -6 -q "$peer_zip" "$corpus_base") &&
        timed openssl enc -rc4 "${openssl_legacy[@]}" -nosalt -pass "pass:$password" \
            -in "$peer_zip" -out "$peer_rc4"
}
check_peer_encrypt() { [[ -s $peer_rc4 && $(stat -c %s "$peer_rc4") -eq $(stat -c %s "$peer_zip") ]]; }

reset_ours_decrypt() { rm -rf "$ours_dir"; }
ours_decrypt() { timed "$veilcraft" decrypt "$ours_vkf"; }
check_ours_decrypt() { [[ -d $ours_dir ]]; }

reset_peer_decrypt() { rm -rf "$peer_zip2" "$peer_dir"; }
peer_decrypt() {
    timed openssl enc -d -rc4 "${openssl_legacy[@]}" -nosalt -pass "pass:$password" \
        -in "$peer_rc4" -out "$peer_zip2" &&
        timed unzip -q "$peer_zip2" -d "$peer_dir"
}
check_peer_decrypt() { [[ -d $peer_dir/$corpus_base ]]; }

# measure NAME STEP: BENCH_REPEAT times resets, flushes dirty pages, times
# STEP and checks it; records the best wall time and the largest peak RSS of
# any command in STEP. The last run's output stays for the next tool.
declare -A best_seconds peak_kib
tools=()
measure() {
    local name=$1 step=$2 best='' peak=0 i start end seconds kib
    tools+=("$name")
    for ((i = 1; i <= BENCH_REPEAT; i++)); do
        "reset_$step"
        rm -f "$rss_log" "$run_log"
        sync
        start=$(date +%s%N)
        "$step" || {
            echo "error: $name failed:" >&2
            sed 's/^/    /' "$run_log" >&2
            exit 1
        }
        end=$(date +%s%N)
        "check_$step" || {
            echo "error: $name ran but did not leave the expected output in $out_dir" >&2
            exit 1
        }
        seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
        if [[ -z $best ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$seconds
        fi
        kib=$(sort -n "$rss_log" | tail -n 1)
        ((kib > peak)) && peak=$kib
        printf '  %-34s run %d: %8.3f s\n' "$name" "$i" "$seconds"
    done
    best_seconds[$name]=$best
    peak_kib[$name]=$peak
}

# Where our decryption put the corpus: the archive stores the entries under
# the folder's own name, so normally $ours_dir/$corpus_base.
extracted_corpus() {
    local found
    if [[ -d $ours_dir/$corpus_base ]]; then
        echo "$ours_dir/$corpus_base"
        return
    fi
    found=$(find "$ours_dir" -mindepth 1 -type d -name "$corpus_base" -print -quit)
    echo "${found:-$ours_dir}"
}

ours_enc="veilcraft encrypt-folder"
peer_enc="zip -r -6 + openssl rc4"
ours_dec="veilcraft decrypt"
peer_dec="openssl rc4 -d + unzip"

echo "Timing $BENCH_REPEAT runs per tool"
measure "$ours_enc" ours_encrypt
measure "$peer_enc" peer_encrypt
echo "  sizes: ours.vkf $(stat -c %s "$ours_vkf"), peer.rc4 $(stat -c %s "$peer_rc4") bytes"
rm -f "$peer_zip"  # not needed any more; saves disk space
measure "$ours_dec" ours_decrypt

extracted=$(extracted_corpus)
if ! diff -r "$corpus" "$extracted" > "$scratch/diff" 2>&1; then
    echo "error: what veilcraft decrypt unpacked into $extracted differs from the corpus:" >&2
    head -n 20 "$scratch/diff" | sed 's/^/    /' >&2
    exit 1
fi
echo "  veilcraft decrypt gave back the corpus ($extracted)"
# Only the peer's input stays from here on, which saves disk space too.
rm -rf "$ours_dir" "$ours_vkf"

measure "$peer_dec" peer_decrypt
diff -r "$corpus" "$peer_dir/$corpus_base" > /dev/null 2>&1 ||
    { echo "error: unzip did not give back the corpus; the peer figures are wrong" >&2; exit 1; }

# --- report ------------------------------------------------------------------

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 999 }'; }

echo
printf '%-34s %10s %10s %10s %14s\n' "tool" "seconds" "MB/s" "x peer" "peak RSS MiB"
row() {  # row NAME PEER_NAME
    awk -v name="$1" -v s="${best_seconds[$1]}" -v p="${best_seconds[$2]}" -v n="$corpus_bytes" \
        -v k="${peak_kib[$1]}" 'BEGIN {
            mbs = (s > 0) ? sprintf("%.1f", n / 1e6 / s) : "inf"
            ratio = (p > 0) ? sprintf("%.2f", s / p) : "n/a"
            printf "%-34s %10.3f %10s %10s %14.1f\n", name, s, mbs, ratio, k / 1024
        }'
}
row "$ours_enc" "$peer_enc"
row "$peer_enc" "$peer_enc"
row "$ours_dec" "$peer_dec"
row "$peer_dec" "$peer_dec"
echo "(MB = 10^6 bytes of the corpus; x peer = wall time / wall time of the pipeline; best of $BENCH_REPEAT runs)"
echo

r=$(ratio "${best_seconds[$ours_enc]}" "${best_seconds[$peer_enc]}")
verdict "encrypt-folder <= 0.95x zip -r -6 + openssl rc4" \
    "$(awk -v r="$r" 'BEGIN { print (r <= 0.95) ? "PASS" : "FAIL" }')" "ratio $r"
r=$(ratio "${best_seconds[$ours_dec]}" "${best_seconds[$peer_dec]}")
verdict "decrypt <= 0.80x openssl rc4 -d + unzip" \
    "$(awk -v r="$r" 'BEGIN { print (r <= 0.80) ? "PASS" : "FAIL" }')" "ratio $r"
kib=${peak_kib[$ours_enc]}
dec_kib=${peak_kib[$ours_dec]}
((dec_kib > kib)) && kib=$dec_kib
verdict "veilcraft peak memory < 64 MiB" "$( ((kib < 64 * 1024)) && echo PASS || echo FAIL)" \
    "$(awk -v k="$kib" 'BEGIN { printf "%.1f MiB", k / 1024 }')"

exit "$failed"
