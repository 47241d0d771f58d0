#!/usr/bin/env bash
# Builds a corpus for the zip and folder benchmarks in DIR (default: a fresh
# folder under /var/tmp, printed at the end), in one of two shapes:
#   large  (default) text (generated prose-like lines), binaries from /usr/lib
#          and random data, SIZE_MB MiB in a few hundred files over nested
#          folders;
#   small  many small files as a source tree or a system has them: headers,
#          libraries, scripts and data copied from /usr and a little random
#          data, FILES files (default 17000, median about 3.4 KB) in their
#          folders; SIZE_MB is not used.
#
#   bench/make_corpus.sh [DIR] [SIZE_MB] [SHAPE] [FILES]
set -euo pipefail

dir=${1:-$(mktemp -d /var/tmp/veilcraft-corpus.XXXXXX)}
size_mb=${2:-300}
shape=${3:-large}
files=${4:-17000}
[[ $size_mb =~ ^[1-9][0-9]*$ ]] || { echo "SIZE_MB must be a positive whole number" >&2; exit 2; }
[[ $files =~ ^[1-9][0-9]*$ ]] || { echo "FILES must be a positive whole number" >&2; exit 2; }
mkdir -p "$dir"

if [[ $shape == small ]]; then
    # Files under 32 KiB from the system (headers, libraries, scripts, data),
    # each kept under its own path, until FILES are there; every twentieth is
    # small random data instead.
    n=0
    while IFS= read -r -d '' file; do
        ((n >= files)) && break
        if ((n % 20 == 19)); then
            mkdir -p "$dir/random/r$((n % 97))"
            head -c $((512 + (n * 7919) % 8192)) /dev/urandom > "$dir/random/r$((n % 97))/data$n.bin"
        else
            target=$dir/tree${file}
            mkdir -p "$(dirname "$target")"
            cp "$file" "$target" 2> /dev/null || continue
        fi
        n=$((n + 1))
    done < <(find /usr/include /usr/lib /usr/share -type f -size -32k -print0 2> /dev/null | sort -z)
    echo "$dir: $(du -sm "$dir" | cut -f1) MiB in $(find "$dir" -type f | wc -l) files," \
        "median $(find "$dir" -type f -printf '%s\n' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }') bytes"
    exit 0
fi
[[ $shape == large ]] || { echo "SHAPE must be large or small, not '$shape'" >&2; exit 2; }
third=$((size_mb * 1024 * 1024 / 3))

# Text: numbered lines of words, in files of 4 KiB to 2 MiB.
mkdir -p "$dir/text"
words=(alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima mike november oscar papa)
written=0 n=0
while ((written < third)); do
    sub=$dir/text/part$((n % 20))
    mkdir -p "$sub"
    lines=$(((n * 7919) % 20000 + 100))
    awk -v n="$lines" -v seed="$n" -v w="${words[*]}" 'BEGIN {
        split(w, word, " "); srand(seed)
        for (i = 0; i < n; i++) {
            line = i ":"
            for (j = 0; j < 12; j++) line = line " " word[int(rand() * 16) + 1]
            print line
        }
    }' > "$sub/doc$n.txt"
    written=$((written + $(stat -c %s "$sub/doc$n.txt")))
    n=$((n + 1))
done

# Binaries: shared objects from /usr/lib, as many as fit the share.
mkdir -p "$dir/bin"
written=0
while IFS= read -r -d '' lib; do
    size=$(stat -Lc %s "$lib")
    ((written + size > third)) && break
    cp -L "$lib" "$dir/bin/$(basename "$lib")" 2> /dev/null || continue
    written=$((written + size))
done < <(find /usr/lib -type f -name '*.so*' -size +8k -print0 2> /dev/null | sort -z)

# Incompressible data: random files of 64 KiB to 32 MiB.
mkdir -p "$dir/random/nested/deeper"
written=0 n=0
while ((written < third)); do
    kib=$(((64 << (n % 10)) ))
    ((kib > 32768)) && kib=32768
    target=$dir/random
    ((n % 3 == 1)) && target=$dir/random/nested
    ((n % 3 == 2)) && target=$dir/random/nested/deeper
    head -c $((kib * 1024)) /dev/urandom > "$target/r$n.bin"
    written=$((written + kib * 1024))
    n=$((n + 1))
done

echo "$dir: $(du -sm "$dir" | cut -f1) MiB in $(find "$dir" -type f | wc -l) files"
