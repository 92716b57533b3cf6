#!/bin/sh
# Installs what is missing, builds and runs every test headless. Every
# dependency is installed here, so a test that reports a skip fails the run.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
status=0
ctest --output-on-failure --timeout 1500 "$@" || status=$?
# QtTest reports a skip as "SKIP   : tst_x::case() reason"; CTest marks
# skipped and unrun tests in its own log.
log=Testing/Temporary/LastTest.log
if [ -f "$log" ] && grep -E '^SKIP +:|Test (Skipped|Not Run)|\*\*\*Skipped' "$log"; then
    echo "test: the tests above were skipped; with every dependency installed a skip is a failure"
    status=1
fi
exit $status
