#!/usr/bin/env bash
# Configures and builds Lumo in build/ (or the folder given first), optimised with debug
# information and with warnings as errors, passing any further arguments to CMake's
# configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@"
cmake --build "$dir" --parallel "$(nproc)"
