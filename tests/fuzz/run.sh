#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each and fails when one of them finds a
# crash, a leak, a timeout or an out-of-memory input.
#
#   tests/fuzz/run.sh SECONDS [BUILD_DIR]     (BUILD_DIR defaults to build-fuzz)
#
# Each target starts from a copy of its seed corpus (tests/fuzz/corpus/<target>)
# and its saved regressions (tests/fuzz/regressions/<target>); the committed
# folders are never written. Inputs that fail are kept under
# BUILD_DIR/fuzz-findings/<target>/ together with the target's log.
set -uo pipefail

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [BUILD_DIR]" >&2
  exit 2
fi
seconds=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build_dir=$(cd "${2:-$root/build-fuzz}" && pwd) || exit 2
targets=(FuzzVkfTrailer FuzzZipListing FuzzZipExtract FuzzBase64 FuzzSettingsRecord)

work=$(mktemp -d "${TMPDIR:-/tmp}/veilcraft-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
findings_root=$build_dir/fuzz-findings

failed=()
printf '%-20s %10s %8s %8s  %s\n' target runs cov ft result
for target in "${targets[@]}"; do
  binary=$build_dir/fuzz/$target
  if [ ! -x "$binary" ]; then
    echo "$target: $binary is missing; build the target veilcraft_fuzzers first" >&2
    failed+=("$target")
    continue
  fi
  corpus=$work/$target/corpus
  tmp=$work/$target/tmp
  findings=$findings_root/$target
  mkdir -p "$corpus" "$tmp" "$findings"
  for seeds in "$here/corpus/$target" "$here/regressions/$target"; do
    if [ -d "$seeds" ]; then cp -r "$seeds/." "$corpus/"; fi
  done
  log=$findings/run.log
  # TMPDIR: the targets' scratch folders live in the run's own folder.
  (cd "$tmp" && TMPDIR=$tmp "$binary" "$corpus" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1)
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$coverage")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$coverage")
  result=ok
  if [ $status -ne 0 ]; then
    result="FAILED (exit $status, see $log)"
    failed+=("$target")
  fi
  printf '%-20s %10s %8s %8s  %s\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
  for target in "${failed[@]}"; do
    log=$findings_root/$target/run.log
    if [ -f "$log" ]; then
      echo "---- $target: end of $log"
      tail -n 40 "$log"
    fi
  done
  echo "Fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
