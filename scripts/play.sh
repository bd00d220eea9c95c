#!/usr/bin/env bash
# Builds everything and plays one full game between two curling-engines.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
mkdir -p out
record=out/match-$(date +%Y%m%d-%H%M%S).jsonl
build/bin/curling-match --games 1 --ends 8 --concurrency 1 --out "$record" "$@"
echo "record written to $record"
page=${record%.jsonl}.html
build/bin/curling-view replay "$record" --out "$page" >/dev/null
echo "replay page: $(pwd)/$page"
