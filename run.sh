#!/usr/bin/env bash
# Installs what Quillet needs, builds it (incrementally) and starts it with the given file, if any.
set -euo pipefail
QUILLET_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$QUILLET_ROOT/tools/setup.sh"

quillet_install_packages
quillet_build "$QUILLET_ROOT/build" -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF
exec "$QUILLET_ROOT/build/src/quillet" "$@"
