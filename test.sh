#!/usr/bin/env bash
# Installs what Quillet needs, builds it with its tests and runs the whole suite through CTest.
set -euo pipefail
QUILLET_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$QUILLET_ROOT/tools/setup.sh"

build_dir="$QUILLET_ROOT/build-test"
cmake_args=()
extra_packages=()
while [ $# -gt 0 ]; do
    case "$1" in
        --sanitize) build_dir="$QUILLET_ROOT/build-asan"; cmake_args+=(-DQUILLET_SANITIZE=address) ;;
        *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
    esac
    shift
done

quillet_install_packages "${extra_packages[@]}"
quillet_build "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]}"

export QT_QPA_PLATFORM=offscreen
export QUILLET_AUDIO_OUTPUT=null
cd "$build_dir"
ctest --output-on-failure -j2 --timeout 600
