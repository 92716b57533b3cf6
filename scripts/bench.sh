#!/bin/sh
# Installs what the benchmarks need, builds, and runs every benchmark program
# (build/bench/**/bench_*), each with a private office profile, settings and
# runtime folder and its own copy of the test books. Prints each measure with
# its budget (and the peer measured in the same run, where there is one) and
# exits non-zero when any benchmark misses a budget, cannot measure or fails.
#
#   scripts/bench.sh [NAME...]     only the benchmarks whose names contain NAME
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh
missing=""
for p in $(sed -e 's/#.*//' scripts/bench-packages.txt); do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    echo "bench: installing:$missing"
    SUDO=""
    if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
scripts/build.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
summary="$work/summary"
: > "$summary"

selected() {
    [ $# -eq 0 ] && return 0
    for want in "$@"; do
        case "$name" in *"$want"*) return 0 ;; esac
    done
    return 1
}

failed=0
count=0
for program in $(find build/bench -type f -name 'bench_*' -perm -u+x -not -path '*/CMakeFiles/*' | sort); do
    name=$(basename "$program")
    selected "$@" || continue
    count=$((count + 1))
    # A fresh home for each: office profile (cache), settings (config),
    # runtime folder, and the books.
    home="$work/$name"
    mkdir -p "$home/cache" "$home/config" "$home/data" "$home/runtime" "$home/books"
    chmod 700 "$home/runtime"
    cp -p tests/data/real/* "$home/books/"
    chmod u+w "$home/books/"*
    echo "== $name"
    status=0
    (
        cd "$home"
        env XDG_CACHE_HOME="$home/cache" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
            XDG_RUNTIME_DIR="$home/runtime" QUIRN_BENCH_FIXTURES="$home/books" QT_QPA_PLATFORM=offscreen \
            LC_ALL=C.UTF-8 timeout --kill-after=30 3600 "$root/$program"
    ) > "$home/output" 2>&1 || status=$?
    cat "$home/output"
    if grep -qE '^(PASS|OVER|FAIL|INFO) ' "$home/output"; then
        grep -E '^(PASS|OVER|FAIL|INFO) ' "$home/output" | sed "s/^/$name: /" >> "$summary"
    else
        # A program with a report of its own: its lines with medians, under
        # the verdict its exit status gives.
        verdict=PASS
        [ "$status" -ne 0 ] && verdict=OVER
        grep -iE 'median|budget|could not' "$home/output" | sed "s/^/$name: $verdict  /" >> "$summary" || true
    fi
    if [ "$status" -ne 0 ]; then
        failed=1
        if ! grep -qE '^(OVER|FAIL) |OVER|could not' "$home/output"; then
            echo "$name: FAIL  the program ended with status $status" >> "$summary"
        fi
    elif ! grep -qiE '^(PASS|INFO) |median' "$home/output"; then
        failed=1
        echo "$name: FAIL  the program measured nothing" >> "$summary"
    fi
done

echo
echo "== summary ($count benchmarks)"
cat "$summary"
if [ "$count" -eq 0 ]; then
    echo "bench: no benchmark found under build/bench"
    exit 1
fi
if [ "$failed" -ne 0 ]; then
    echo "bench: a budget was missed or a measure could not be taken"
    exit 1
fi
echo "bench: every measure is within its budget"
