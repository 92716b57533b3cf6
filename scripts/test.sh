#!/bin/sh
# Installs what is missing, builds and runs every test headless.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --timeout 1500 "$@"
