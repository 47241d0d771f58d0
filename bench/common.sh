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

# require_free_space KIB: stops (status 2) unless the work folder's file
# system has KIB KiB free.
require_free_space() {
    local free_kib
    free_kib=$(df -Pk "$work_dir" | awk 'NR == 2 { print $4 }')
    ((free_kib >= $1)) || die "not enough space in $work_dir: $(($1 / 1024)) MiB needed, $((free_kib / 1024)) MiB free"
}

# file_size FILE: its length in bytes.
file_size() { stat -c %s "$1"; }

# prepare_random_data: BENCH_SIZE_MB MiB of random data in the work folder,
# kept for later runs and read once into the page cache. Sets size_bytes and
# data_file. Stops unless the data, one output of its size and a margin fit.
prepare_random_data() {
    size_bytes=$((BENCH_SIZE_MB * 1024 * 1024))
    data_file=$work_dir/random_${BENCH_SIZE_MB}MiB.bin
    local reuse=0 needed_kib
    [[ -f $data_file && $(file_size "$data_file") -eq $size_bytes ]] && reuse=1
    needed_kib=$(((size_bytes * (2 - reuse) + 64 * 1024 * 1024) / 1024))
    require_free_space "$needed_kib"
    if ((reuse)); then
        echo "Reusing $data_file"
    else
        echo "Writing $BENCH_SIZE_MB MiB of random data to $data_file"
        head -c "$size_bytes" /dev/urandom > "$data_file.part"
        mv "$data_file.part" "$data_file"
    fi
    echo "Warming the page cache"
    cat "$data_file" > /dev/null
}

# probe_openssl_cipher SCRATCH CIPHER_WORD...: 0 when `openssl enc` encrypts a
# few bytes with CIPHER_WORD... (e.g. -rc4, or -bf-cbc -iv 0000000000000000),
# else a warning with OpenSSL's complaint and 1. RC4 and Blowfish moved to the
# legacy provider in OpenSSL 3, so after a successful probe openssl_legacy
# holds the options they need: none where the default set still has them,
# else the legacy provider. SCRATCH is a folder for the probe's files.
openssl_legacy=()
probe_openssl_cipher() {
    local scratch=$1 options
    shift
    printf 'probe' > "$scratch/probe.in"
    for options in '' '-provider legacy -provider default'; do
        # shellcheck disable=SC2086 # the options are separate words
        if openssl enc "$@" $options -nosalt -K 000102030405060708090a0b0c0d0e0f \
            -in "$scratch/probe.in" -out "$scratch/probe.out" 2> "$scratch/probe.err"; then
            # shellcheck disable=SC2034 # read by the scripts that source this
            read -ra openssl_legacy <<< "$options"
            rm -f "$scratch/probe.in" "$scratch/probe.out" "$scratch/probe.err"
            return 0
        fi
    done
    echo "WARNING: 'openssl enc $*' does not work here, not even with the legacy provider:" >&2
    sed 's/^/         /' "$scratch/probe.err" >&2
    rm -f "$scratch/probe.in" "$scratch/probe.out" "$scratch/probe.err"
    return 1
}

# verdict LABEL STATE DETAIL: prints one goal's result; any STATE but PASS
# sets failed, the script's exit status.
failed=0
verdict() {
    printf '%-4s  %s (%s)\n' "$2" "$1" "$3"
    # shellcheck disable=SC2034 # read by the scripts that source this
    [[ $2 == PASS ]] || failed=1
}

# use_scratch_folders: the folders out/ (outputs) and scratch/ in the work
# folder, made now and removed at exit, with the work folder unless it is kept.
use_scratch_folders() {
    out_dir=$work_dir/out
    scratch=$work_dir/scratch
    # shellcheck disable=SC2317 # called by the EXIT trap
    cleanup() {
        rm -rf "$out_dir" "$scratch"
        if ((keep_work_dir == 0)); then
            rm -rf "$work_dir"
        fi
    }
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    mkdir -p "$out_dir" "$scratch"
}
