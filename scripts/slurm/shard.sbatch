#!/usr/bin/env bash
#SBATCH --requeue
# One shard of a match, as task K of a job array of N tasks (submit.sh
# submits it): plays the game pairs p with p mod N = K into
# DIR/shard-K-of-N.jsonl. A task started again (requeued after a node was
# lost, or submitted again by hand) carries on the record it left.
#
# usage: sbatch --array=0-(N-1) shard.sbatch CURLING_MATCH DIR N -- MATCH-OPTIONS...
set -euo pipefail
match=$1 dir=$2 count=$3
shift 3
[ "${1:-}" = "--" ] && shift
k=${SLURM_ARRAY_TASK_ID:?shard.sbatch runs as a task of a job array}
record=$dir/shard-$k-of-$count.jsonl
concurrency=${SLURM_CPUS_PER_TASK:-1}
if [ -s "$record" ]; then
  exec "$match" --resume "$record" --concurrency "$concurrency"
fi
exec "$match" "$@" --shard "$k/$count" --concurrency "$concurrency" --out "$record"
