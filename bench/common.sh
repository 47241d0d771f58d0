# Shared set-up of the whole-program benchmarks; sourced, not run.
#   BUILD_DIR      build folder holding bin/veilcraft (default: build in the repository)
#   BENCH_SIZE_MB  size of the data file in MiB (default 1024)
#   BENCH_REPEAT   runs per tool; the best wall time counts (default 3)

script_dir=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
repo_dir=$(cd "$script_dir/.." && pwd)

BUILD_DIR=${BUILD_DIR:-$repo_dir/build}
BENCH_SIZE_MB=${BENCH_SIZE_MB:-1024}
BENCH_REPEAT=${BENCH_REPEAT:-3}

die() {
    echo "error: $*" >&2
    exit 2
}

[[ $BENCH_SIZE_MB =~ ^[1-9][0-9]*$ ]] || die "BENCH_SIZE_MB must be a positive whole number of MiB, not '$BENCH_SIZE_MB'"
[[ $BENCH_REPEAT =~ ^[1-9][0-9]*$ ]] || die "BENCH_REPEAT must be a positive whole number, not '$BENCH_REPEAT'"

veilcraft=$BUILD_DIR/bin/veilcraft
[[ -x $veilcraft ]] || die "$veilcraft not found or not executable; build it first (cmake --build $BUILD_DIR) or set BUILD_DIR"

# The work folder: $BENCH_DIR, kept afterwards, or a fresh folder under
# /var/tmp that the script removes at the end (keep_work_dir=0).
if [[ -n ${BENCH_DIR:-} ]]; then
    work_dir=$BENCH_DIR
    mkdir -p "$work_dir"
    keep_work_dir=1
else
    work_dir=$(mktemp -d /var/tmp/veilcraft-bench.XXXXXX)
    keep_work_dir=0
fi
