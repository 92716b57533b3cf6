#!/bin/sh
# Runs the book file fuzz target as a test: first every input that once made
# a reader fail (tests/data/fuzz), then a fixed number of mutations of the
# real books. A failure leaves its input in WORK/crashes: add it to
# tests/data/fuzz once the reader is mended.
#
#   run_fuzz.sh FUZZER SEEDER SOURCE_DIR WORK_DIR RUNS [BOOKS]
#
# BOOKS, a pattern under SOURCE_DIR, picks the books seeding the mutations
# (the .xls books of tests/data/real unless given).
set -eu
fuzzer=$1
seeder=$2
source=$3
work=$4
runs=$5
books=${6:-tests/data/real/*.xls}

rm -rf "$work"
mkdir -p "$work/corpus" "$work/seeds" "$work/crashes"
# shellcheck disable=SC2086
"$seeder" "$work/seeds" "$source"/$books

regressions=$(find "$source/tests/data/fuzz" -type f 2>/dev/null | sort)
if [ -n "$regressions" ]; then
    # shellcheck disable=SC2086
    "$fuzzer" -runs=1 $regressions
fi

exec "$fuzzer" -runs="$runs" -seed=1 -max_len=262144 -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$work/crashes/" "$work/corpus" "$work/seeds"
