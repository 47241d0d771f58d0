#!/usr/bin/env bash
# Builds a mixed corpus for the zip benchmarks in DIR (default: a fresh
# folder under /var/tmp, printed at the end): text (generated prose-like
# lines and copies of /usr/share text), binaries from /usr/lib and random
# data, a few hundred MiB in a few hundred files over nested folders.
#
#   bench/make_corpus.sh [DIR] [SIZE_MB]      (SIZE_MB default 300)
set -euo pipefail

dir=${1:-$(mktemp -d /var/tmp/veilcraft-corpus.XXXXXX)}
size_mb=${2:-300}
[[ $size_mb =~ ^[1-9][0-9]*$ ]] || { echo "SIZE_MB must be a positive whole number" >&2; exit 2; }
mkdir -p "$dir"
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
