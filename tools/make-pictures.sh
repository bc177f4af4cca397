#!/usr/bin/env bash
# Builds the picture generator in a temporary folder and redraws every picture in
# ui/resources. Commit the changed files afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(mktemp -d)"
trap 'rm -rf "$build"' EXIT
cmake -S "$root/tools/pictures" -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null
"$build/lumo_pictures" "$root/ui/resources"
