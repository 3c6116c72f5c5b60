#!/usr/bin/env bash
# Makes the media files the tests use, into the folder given (the build tree). Runs every gen-*.sh beside it.
set -euo pipefail
out=${1:?usage: make-test-data.sh OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
for script in "$here"/gen-*.sh; do
    bash "$script" "$out"
done
