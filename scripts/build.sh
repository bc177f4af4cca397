#!/usr/bin/env bash
# Configures and builds Lumo in build/ (or the folder given first), passing any further
# arguments to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" --parallel "$(nproc)"
