#!/usr/bin/env bash
# scripts/play.sh drives curling-match and curling-view through their
# options; a change to either that the script does not follow, or options
# the script drops on the way, shows only when it runs.
# usage: play_test.sh SOURCE_DIR BIN_DIR WORK_DIR
set -euo pipefail
source_dir=$1 bin=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
fail() {
  echo "FAIL: $1" >&2
  exit 1
}

"$source_dir/scripts/play.sh" --bin "$bin" --ends 1 --seed 7 --planner "--sims 500 --threads 1" \
  --out "$work/play.jsonl" -- --quiet >"$work/stdout" 2>"$work/stderr" \
  || fail "play.sh ended with status $?: $(cat "$work/stderr")"
grep -q '"command":"[^"]*/curling-planner --sims 500 --threads 1"' "$work/play.jsonl" \
  || fail "the planner did not get its options: $(head -n 1 "$work/play.jsonl")"
grep -q '"seed":7,' "$work/play.jsonl" || fail "the match did not take the seed"
shots=$(grep -c '"type":"shot"' "$work/play.jsonl" || true)
[ "$shots" -eq 16 ] || fail "one end is 16 shots, the record has $shots"
grep -qF "replay page: $work/play.html" "$work/stdout" || fail "no replay page named: $(cat "$work/stdout")"
grep -q 'replay-data' "$work/play.html" || fail "the replay page holds no game"

status=0
"$source_dir/scripts/play.sh" --bin "$bin" --gmaes 2 >/dev/null 2>"$work/usage" || status=$?
[ "$status" -eq 2 ] || fail "an unknown option ended with status $status, not 2"
grep -q '^usage: ' "$work/usage" || fail "an unknown option got no usage: $(cat "$work/usage")"
echo "play.sh: planner options, seed, record and replay page as asked"
