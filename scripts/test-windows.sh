#!/usr/bin/env bash
# Cross-builds the parts without Qt (platform/, core/, settings/) and their tests for 64-bit
# Windows with mingw-w64 in build-windows/ (or the folder given), then runs every one of
# those tests under Wine, in a Wine prefix of its own inside the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# Wine run as root ignores the read-only attribute, so as root the tests run as nobody, who
# must reach the build folder by its absolute path (a relative one would start inside). Where
# the folders above it keep nobody out, such as a clone in root's home, the leg builds in a
# folder of its own in the temporary area instead.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  chown nobody:nogroup "$dir"
  if ! "${as_user[@]}" test -w "$dir"; then
    dir=$(mktemp -d "${TMPDIR:-/tmp}/lumo-windows.XXXXXX")
    echo "The user nobody cannot reach the build folder; the Windows leg builds in $dir" >&2
  fi
fi

cmake -S . -B "$dir" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DLUMO_WITH_GUI=OFF \
  -DLUMO_GOOGLETEST_SOURCES=/usr/src/googletest
cmake --build "$dir" --parallel "$(nproc)"

[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$dir"

wine_home=$dir/wine-home
rm -rf "$wine_home"
"${as_user[@]}" mkdir "$wine_home"
# No display and no network: a fresh prefix without the .NET and HTML engines, which Wine
# would otherwise offer to download.
export HOME=$wine_home WINEPREFIX=$wine_home/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"${as_user[@]}" wineboot -i

# The heading goes just above CTest's summary, to tell it from the other legs' summaries.
status=0
(cd "$dir" && "${as_user[@]}" ctest --output-on-failure --parallel "$(nproc)") \
  | sed -u '/% tests passed, /i Windows (Wine):' || status=$?
# The Wine server of the prefix outlives the last test program by a few seconds.
"${as_user[@]}" wineserver -w
exit "$status"
