#!/usr/bin/env bash
# Plays curling-planner against curling-engine through curling-match, with a
# live scoreboard, and ends with the path of the games' replay page.
# Builds the programs first when one is missing (after changing the
# sources, run scripts/build.sh build: a program that is there is used as
# it is).
#
# usage: scripts/play.sh [--games N] [--ends N] [--seed S] [--concurrency K]
#                        [--planner "OPTIONS"] [--engine "OPTIONS"] [--out RECORD]
#                        [--bin DIR] [-- MORE-CURLING-MATCH-OPTIONS...]
#
#   --games N          games to play (default 1), in pairs that swap the hammer
#   --ends N           ends per game (default 8)
#   --seed S           seed of the shot noise (default: a fresh one, printed)
#   --concurrency K    games played at once (default 1: think times undisturbed)
#   --planner OPTIONS  curling-planner's options, e.g. "--sims 8000"
#   --engine OPTIONS   curling-engine's options (passed on as given; the engine
#                      reads none today)
#   --out RECORD       the record (default out/play-DATE-seedS.jsonl); the
#                      replay page is written beside it as .html
#   --bin DIR          the programs and the physics library from DIR (default:
#                      this checkout's build/bin, built first when one is missing)
#   -- ...             the rest goes to curling-match as it is (--spread,
#                      --clock-ms, --quiet, ...)
set -euo pipefail

usage() {
  sed -n '/^# usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
}
fail_usage() {
  echo "play.sh: $1" >&2
  usage
  exit 2
}

games=1 ends=8 seed="" concurrency=1 planner_options="" engine_options="" out="" bin=""
while [ $# -gt 0 ]; do
  case $1 in
    --games|--ends|--seed|--concurrency|--planner|--engine|--out|--bin)
      [ $# -ge 2 ] || fail_usage "$1 needs a value"
      case $1 in
        --games) games=$2 ;;
        --ends) ends=$2 ;;
        --seed) seed=$2 ;;
        --concurrency) concurrency=$2 ;;
        --planner) planner_options=$2 ;;
        --engine) engine_options=$2 ;;
        # Paths are taken from where the script was called, not from the
        # checkout it moves to below.
        --out) out=$(realpath -m -- "$2") ;;
        --bin) bin=$(realpath -m -- "$2") ;;
      esac
      shift 2 ;;
    -h|--help) usage; exit 0 ;;
    --) shift; break ;;
    *) fail_usage "unknown option $1 (curling-match's own options go after --)" ;;
  esac
done
# The seed names the record, so it is checked here; the runner checks the
# other values and says what it accepts.
if [ -n "$seed" ] && ! [[ $seed =~ ^[0-9]+$ ]]; then
  fail_usage "--seed takes a whole number from 0, not '$seed'"
fi
for option in "$@"; do
  case $option in
    --player1|--player2|--names|--resume|--player1=*|--player2=*|--names=*|--resume=*)
      fail_usage "$option is set by play.sh; leave it out" ;;
  esac
done

cd "$(dirname "$0")/.."
programs=(curling-planner curling-engine curling-match curling-view)
missing=""
for program in "${programs[@]}" libCurlingSimulator.so; do
  [ -e "${bin:-build/bin}/$program" ] || missing=${missing:-${bin:-build/bin}/$program}
done
if [ -n "$missing" ] && [ -n "$bin" ]; then
  echo "play.sh: $missing is missing" >&2
  exit 2
elif [ -n "$missing" ]; then
  echo "play.sh: $missing is missing; building"
  scripts/setup.sh
  scripts/build.sh build -- "${programs[@]}" CurlingSimulator
fi
bin=${bin:-build/bin}

if [ -z "$seed" ]; then
  seed=$(od -An -N8 -tu8 /dev/urandom | tr -d ' ')
fi
if [ -z "$out" ]; then
  mkdir -p out
  out=$(pwd)/out/play-$(date +%Y%m%d-%H%M%S)-seed$seed.jsonl
fi
echo "seed $seed"
"$bin/curling-match" \
  --player1 "$bin/curling-planner${planner_options:+ $planner_options}" \
  --player2 "$bin/curling-engine${engine_options:+ $engine_options}" \
  --names planner,engine --games "$games" --ends "$ends" --seed "$seed" \
  --concurrency "$concurrency" --out "$out" "$@"
# curling-view prints the page's path, and says if any shot replays
# differently from the record.
"$bin/curling-view" replay "$out" --out "${out%.jsonl}.html"
