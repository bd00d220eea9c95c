#!/usr/bin/env bash
# Configures and builds one flavour of the project.
# usage: scripts/build.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
cmake -S . -B "$dir" -G Ninja -DCURLING_WERROR=ON "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
