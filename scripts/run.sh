#!/bin/sh
# Installs what is missing, builds and starts Quirn.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/src/app/quirn "$@"
