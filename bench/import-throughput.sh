#!/bin/sh
# Import throughput against `cat FILE > /dev/null` on the same file: a 1 GB
# capture (tests/data/import/two-programs.ts over and over, read --whole), a
# 2 GiB file of zeros and a 1 GB file of random bytes; warm cache, best of
# three wall times, and the peak resident memory of one import. Run by hand:
#   bench/import-throughput.sh [build/cli/velunor-cli]
# The files are made in a temporary directory and deleted afterwards.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${1:-$ROOT/build/cli/velunor-cli}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
best() {
    b=999
    for i in 1 2 3; do
        s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc)
        if [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}
peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident/ { print $2 " KB" }'; }
run() {
    f=$1; shift
    cat "$f" > /dev/null
    c=$(best sh -c "cat '$f' > /dev/null")
    i=$(best "$CLI" import "$@" "$f" -o "$T/out.mux")
    echo "$(basename "$f"): $(stat -c %s "$f") bytes; cat ${c} s; import $* ${i} s;" \
         "ratio $(echo "scale=2; $i / $c" | bc); peak$(peak "$CLI" import "$@" "$f" -o "$T/out.mux")"
    rm -f "$f"
}
python3 -c "
import sys
d = open('$ROOT/tests/data/import/two-programs.ts', 'rb').read()
with open('$T/capture.ts', 'wb') as f:
    for i in range((1 << 30) // len(d) + 1):
        f.write(d)"
run "$T/capture.ts" --whole
head -c 2G /dev/zero > "$T/zeros.ts"; run "$T/zeros.ts"
head -c 1G /dev/urandom > "$T/random.ts"; run "$T/random.ts"
