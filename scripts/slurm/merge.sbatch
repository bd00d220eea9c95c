#!/usr/bin/env bash
# Merges the records of a match's shards into DIR/match.jsonl once the job
# array has ended (submit.sh makes it depend on the array with afterany):
# exit 0 when every game pair is there (or the sequential test decided
# before the first missing one), 4 when pairs are missing (the log names
# them; the record of what is there is written all the same).
#
# usage: sbatch --dependency=afterany:ARRAY merge.sbatch CURLING_MATCH DIR N
set -euo pipefail
match=$1 dir=$2 count=$3
records=()
for ((k = 0; k < count; k++)); do
  record=$dir/shard-$k-of-$count.jsonl
  if [ -s "$record" ]; then
    records+=("$record")
  else
    echo "shard $k/$count left no record" >&2
  fi
done
if [ ${#records[@]} -eq 0 ]; then
  echo "no shard left a record in $dir" >&2
  exit 4
fi
exec "$match" merge "${records[@]}" --out "$dir/match.jsonl" --force
