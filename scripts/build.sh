#!/usr/bin/env bash
# Configures and builds one flavour of the project.
# usage: scripts/build.sh BUILD_DIR [extra cmake arguments...] [-- targets...]
# (everything when no target is named)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
configure=()
targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then
    shift
    targets=("$@")
    break
  fi
  configure+=("$1")
  shift
done
cmake -S . -B "$dir" -G Ninja -DCURLING_WERROR=ON "${configure[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" ${targets[@]:+--target "${targets[@]}"}
