#!/usr/bin/env bash
# Installs what is missing, builds Lumo and runs every test; then runs the tests of the
# parts without Qt once more in a build with AddressSanitizer and UndefinedBehaviorSanitizer,
# and once more built for Windows and run under Wine. The first build is the Release build
# type, whose stronger optimisation brings warnings of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release
(cd build-release && ctest --output-on-failure --parallel "$(nproc)")

bash scripts/build.sh build-sanitize -DLUMO_SANITIZE=ON -DLUMO_WITH_GUI=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-sanitize && ctest --output-on-failure --parallel "$(nproc)")

bash scripts/test-windows.sh build-windows
