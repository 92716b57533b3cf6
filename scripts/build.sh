#!/bin/sh
# Configures and builds Quirn into build/ (Ninja, CMake).
set -eu
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja
fi
cmake --build build
