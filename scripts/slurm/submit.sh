#!/usr/bin/env bash
# Submits a match to Slurm as a job array, one shard per task, and a merge
# job that runs once every task has ended, however it ended.
#
# usage: scripts/slurm/submit.sh --shards N --dir DIR [--match PATH] [--sbatch "OPTIONS"]
#                                [--merge-sbatch "OPTIONS"] -- CURLING-MATCH-OPTIONS...
#
#   --shards N        tasks in the array; task K plays the game pairs p with p mod N = K
#   --dir DIR         folder on a file system every node sees: shard-K-of-N.jsonl, the
#                     merged record match.jsonl and the jobs' logs go there
#   --match PATH      curling-match as the nodes see it (default: the one on PATH, else
#                     this checkout's build/bin/curling-match)
#   --sbatch OPTIONS  more sbatch options for the array (--partition, --time,
#                     --cpus-per-task: each task plays that many games at once)
#   --merge-sbatch OPTIONS  more sbatch options for the merge job
#   --again           DIR already holds this match's shards: every task carries on its
#                     record (--resume) and the rest are played, then merged again
#
# The match options are curling-match's own (--player1, --player2, --games,
# --ends, --sprt, ...), given once for all shards. Without --seed a seed is
# drawn here, so every shard plays the same match. --shard, --out,
# --concurrency and --resume are set per task. Prints the two job ids.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

shards="" dir="" match="" array_options="" merge_options="" again=false
while [ $# -gt 0 ]; do
  case $1 in
    --shards) shards=$2; shift 2 ;;
    --dir) dir=$2; shift 2 ;;
    --match) match=$2; shift 2 ;;
    --sbatch) array_options=$2; shift 2 ;;
    --merge-sbatch) merge_options=$2; shift 2 ;;
    --again) again=true; shift ;;
    --) shift; break ;;
    *) echo "submit.sh: unknown option $1 (match options go after --)" >&2; exit 2 ;;
  esac
done
if ! [[ $shards =~ ^[1-9][0-9]*$ ]] || [ -z "$dir" ]; then
  echo "submit.sh: --shards N (a whole number from 1) and --dir DIR are needed" >&2
  exit 2
fi
for option in "$@"; do
  case $option in
    --shard|--out|--concurrency|--resume|--shard=*|--out=*|--concurrency=*|--resume=*)
      echo "submit.sh: $option is set per task; leave it out" >&2
      exit 2 ;;
  esac
done
if [ -z "$match" ]; then
  match=$(command -v curling-match || echo "$here/../../build/bin/curling-match")
fi
match=$(realpath "$match")
if [ ! -x "$match" ]; then
  echo "submit.sh: $match is not a program; give --match PATH" >&2
  exit 2
fi
mkdir -p "$dir"
dir=$(realpath "$dir")
earlier=$(compgen -G "$dir/shard-*-of-*.jsonl" | head -n 1 || true)
if ! $again && [ -n "$earlier" ]; then
  echo "submit.sh: $dir already holds shard records; --again carries them on, or use a new folder" >&2
  exit 2
fi
seed=()
if ! printf '%s\n' "$@" | grep -qE '^--seed(=|$)'; then
  if [ -n "$earlier" ]; then
    # The shards not started yet must play the match the others play.
    seed=(--seed "$(head -n 1 "$earlier" | grep -oE '"seed":[0-9]+' | cut -d: -f2)")
  else
    seed=(--seed "$(od -An -N8 -tu8 /dev/urandom | tr -d ' ')")
  fi
  echo "seed ${seed[1]}"
fi

# shellcheck disable=SC2086 # the sbatch options are words on purpose
array=$(sbatch --parsable --array="0-$((shards - 1))" --job-name=curling-shard \
          --output="$dir/shard-%a-of-$shards.log" --open-mode=append $array_options \
          "$here/shard.sbatch" "$match" "$dir" "$shards" -- "${seed[@]}" "$@")
array=${array%%;*}
# shellcheck disable=SC2086
merge=$(sbatch --parsable --dependency="afterany:$array" --job-name=curling-merge \
          --output="$dir/merge.log" $merge_options \
          "$here/merge.sbatch" "$match" "$dir" "$shards")
merge=${merge%%;*}
echo "shards: job array $array ($shards tasks); merge: job $merge; record: $dir/match.jsonl"
