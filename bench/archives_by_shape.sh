#!/usr/bin/env bash
# Times every archive job of veilcraft against its peers on two shapes of
# corpus, side by side, and checks the goals:
#   zipping (zip create, encrypt-folder, encrypt --archive)  <= 0.35 x `zip -r -6 -q`
#   extraction (zip extract, extract, decrypt of an archive) <= 0.50 x `unzip -q`
#   our archives at most 1% larger than zip -6's, and accepted by `unzip -t`,
#   Python's zipfile and `7z t` (when 7z is installed)
# Shapes (BENCH_SHAPES, default "small large"):
#   small  17,000 files copied from /usr, median about 3.4 KB
#   large  a few hundred files of 300 MiB: text, shared libraries, random data
# `tar -x` of the same tree is timed too: it creates the same files without
# inflating anything, the floor of any extraction on this machine. So is a
# copy of our container: extracting a .vkf writes the decrypted zip before
# the files, and the floor printed for it adds that write to tar -x.
#
# Runs alternate between the tools, BENCH_REPEAT rounds (default 3), and the
# median counts. Every run writes into a folder of its own: deleting tens of
# thousands of files just before creating as many makes ext4 search past the
# recently freed inodes, which would time the file system's bookkeeping
# rather than the tools. Outputs are removed once a shape is done.
#
# Environment: BUILD_DIR, BENCH_DIR, BENCH_REPEAT (see common.sh), BENCH_SHAPES.
# Exit status: 0 when every check passes, 1 when one fails, 2 when something
# needed is missing.
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
BENCH_SHAPES=${BENCH_SHAPES:-small large}

use_scratch_folders
for tool in zip unzip tar python3; do
    command -v "$tool" > /dev/null || die "$tool not found (packages zip, unzip, tar, python3)"
done
have_7z=0
command -v 7z > /dev/null && have_7z=1
export VEILCRAFT_PASSWORD=bench-password

declare -A seconds  # "shape job" -> median seconds
run_number=0

# timed NAME COMMAND...: runs COMMAND in a fresh folder under out/, appends
# its wall time to the list of NAME.
declare -A times
timed() {
    local name=$1 start end folder
    shift
    run_number=$((run_number + 1))
    folder=$out_dir/run$run_number
    mkdir -p "$folder"
    sync
    start=$(date +%s%N)
    (cd "$folder" && "$@" > "$scratch/log" 2>&1) ||
        { echo "error: $name failed:" >&2; sed 's/^/    /' "$scratch/log" >&2; exit 1; }
    end=$(date +%s%N)
    times[$name]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }') "
    last_folder=$folder
}

median() { tr ' ' '\n' <<< "$1" | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 999 }'; }

measure_shape() {
    local shape=$1 corpus parent base files extracted
    corpus=$work_dir/corpus-$shape
    [[ -d $corpus ]] || "$script_dir/make_corpus.sh" "$corpus" 300 "$shape" > /dev/null
    parent=$(dirname "$corpus")
    base=$(basename "$corpus")
    echo "== $shape: $(du -sm "$corpus" | cut -f1) MiB in $(find "$corpus" -type f | wc -l) files"
    find "$corpus" -type f -print0 | xargs -0 cat > /dev/null  # warm the page cache

    # Inputs of the extraction jobs, made once: zip -6's archive, our
    # container of the folder, and a tar of it.
    (cd "$parent" && zip -r -6 -q "$scratch/peer.zip" "$base")
    "$veilcraft" encrypt-folder "$corpus" --output "$scratch/ours.vkf" > /dev/null
    tar -C "$parent" -cf "$scratch/tree.tar" "$base"
    # encrypt --archive stores each file under its last folder and name,
    # which must differ from file to file, letter case aside.
    mapfile -d '' files < <(find "$corpus" -type f -print0 | sort -z |
        awk -v RS='\0' -v ORS='\0' -F/ '!seen[tolower($(NF - 1) "/" $NF)]++')
    echo "   encrypt --archive takes the ${#files[@]} files whose last folder and name differ"

    times=()
    for ((round = 1; round <= BENCH_REPEAT; round++)); do
        timed "zip -r -6" sh -c "cd '$parent' && zip -r -6 -q '$out_dir/peer$round.zip' '$base'"
        timed "zip create" "$veilcraft" zip create "$out_dir/ours$round.zip" "$corpus"
        timed "encrypt-folder" "$veilcraft" encrypt-folder "$corpus" --output "$out_dir/folder$round.vkf"
        timed "encrypt --archive" "$veilcraft" encrypt --archive "$out_dir/files$round.vkf" "${files[@]}"
        timed "unzip" unzip -q "$scratch/peer.zip"
        timed "tar -x" tar -xf "$scratch/tree.tar"
        timed "zip extract" "$veilcraft" zip extract "$scratch/peer.zip" --dest .
        timed "extract" "$veilcraft" extract "$scratch/ours.vkf" --dest .
        extracted=$last_folder
        # Read and written through user space in 64 KiB pieces, as the tools
        # do; cp and cat would have the kernel copy it for them.
        timed "archive copy" dd if="$scratch/ours.vkf" of="$out_dir/copy$round.vkf" bs=64k status=none
        timed "decrypt" "$veilcraft" decrypt "$out_dir/copy$round.vkf"
    done
    diff -r "$corpus" "$extracted/$base" > /dev/null ||
        { echo "error: the archive extracted last differs from the corpus" >&2; exit 1; }
    for job in "${!times[@]}"; do
        seconds["$shape $job"]=$(median "${times[$job]}")
    done

    local ours peer
    ours=$(file_size "$out_dir/ours1.zip")
    peer=$(file_size "$out_dir/peer1.zip")
    seconds["$shape size"]=$(ratio "$ours" "$peer")
    echo "   archive sizes: ours $ours, zip -6 $peer bytes"
    local accepted=PASS
    unzip -tq "$out_dir/ours1.zip" > /dev/null || accepted=FAIL
    python3 -c 'import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' \
        "$out_dir/ours1.zip" || accepted=FAIL
    if ((have_7z)); then 7z t "$out_dir/ours1.zip" > /dev/null || accepted=FAIL; fi
    verdict "$shape: unzip -t, zipfile$( ((have_7z)) && echo ", 7z t") accept our archive" "$accepted" \
        "$(unzip -Z1 "$out_dir/ours1.zip" | wc -l) entries"
    rm -rf "$out_dir" "$scratch/peer.zip" "$scratch/ours.vkf" "$scratch/tree.tar"
    mkdir -p "$out_dir"
}

for shape in $BENCH_SHAPES; do
    [[ $shape == small || $shape == large ]] || die "BENCH_SHAPES holds small and/or large, not '$shape'"
    measure_shape "$shape"
done

echo
printf '%-40s' "median seconds (ratio to the peer)"
for shape in $BENCH_SHAPES; do printf '%26s' "$shape"; done
echo
row() {  # JOB PEER GOAL
    local job=$1 peer=$2 goal=$3 shape r cells=""
    for shape in $BENCH_SHAPES; do
        r=$(ratio "${seconds[$shape $job]}" "${seconds[$shape $peer]}")
        cells+=$(printf '%26s' "${seconds[$shape $job]} (${r}x)")
        [[ -z $goal ]] && continue
        verdict_lines+=("$shape: $job <= ${goal}x $peer|$(awk -v r="$r" -v g="$goal" 'BEGIN { print (r <= g) ? "PASS" : "FAIL" }')|ratio $r")
    done
    printf '%-40s%s\n' "$job vs $peer" "$cells"
}
verdict_lines=()
for job in "zip create" "encrypt-folder" "encrypt --archive"; do row "$job" "zip -r -6" 0.35; done
for job in "zip extract" "extract" "decrypt"; do row "$job" "unzip" 0.50; done
row "tar -x" "unzip" ""
cells=""
for shape in $BENCH_SHAPES; do
    sum=$(awk -v a="${seconds[$shape tar -x]}" -v b="${seconds[$shape archive copy]}" 'BEGIN { printf "%.3f", a + b }')
    cells+=$(printf '%26s' "$sum ($(ratio "$sum" "${seconds[$shape unzip]}")x)")
done
printf '%-40s%s\n' "tar -x + archive copy vs unzip" "$cells"
printf '%-40s' "archive size vs zip -6's"
for shape in $BENCH_SHAPES; do printf '%26s' "${seconds[$shape size]}x"; done
echo
echo
for line in "${verdict_lines[@]}"; do
    IFS='|' read -r label state detail <<< "$line"
    verdict "$label" "$state" "$detail"
done
for shape in $BENCH_SHAPES; do
    verdict "$shape: archive at most 1% larger than zip -6's" \
        "$(awk -v r="${seconds[$shape size]}" 'BEGIN { print (r <= 1.01) ? "PASS" : "FAIL" }')" "${seconds[$shape size]}x"
done
exit "$failed"
