#!/usr/bin/env bash
# Runs a match on a real single-node Slurm started here: munged, slurmctld
# and slurmd from Debian's packages with a configuration written now (no
# cgroups, no accounting), the match submitted by scripts/slurm/submit.sh as
# a three-task job array plus the dependent merge job. Passes when the
# merged record holds the same games, bit for bit and in the same order, as
# the match played by one process.
#
# Everything runs in new PID, network, hostname and mount namespaces: the
# daemons listen on a loopback of their own, their state lives in a tmpfs
# mounted for the test, and whatever the test leaves running (daemons, job
# steps) ends with the namespace's first process, also when the test fails
# or is killed.
#
# usage: slurm_test.sh SOURCE_DIR CURLING_MATCH MOCK_PLAYER SCORING_SIMULATOR WORK_DIR
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: starting Slurm's daemons needs root"
    exit 77
  fi
  missing=()
  for program in munged slurmctld slurmd sbatch squeue sinfo unshare ip python3; do
    command -v "$program" >/dev/null || missing+=("$program")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "missing: ${missing[*]}; scripts/setup.sh installs them" >&2
    exit 1
  fi
  exec unshare --pid --fork --kill-child --mount-proc --net --uts -- bash "$0" --inside "$@"
fi
shift
source_dir=$1 match=$2 mock=$3 simulator=$4 work=$5
node=curling-node
started=$(date +%s)

mkdir -p "$work"
mount -t tmpfs -o size=256m,mode=0755 curling-slurm "$work"
daemons=()
finish() {
  local status=$?
  if [ $status -ne 0 ]; then
    echo "FAILED; the daemons' logs:" >&2
    tail -n 30 "$work"/*.log "$work"/munge/munged.log "$work"/match/*.log >&2 2>/dev/null || true
  fi
  scancel --quiet --user=root 2>/dev/null || true
  # Newest first: slurmd, slurmctld, munged.
  for ((i = ${#daemons[@]} - 1; i >= 0; i--)); do
    kill "${daemons[i]}" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "${daemons[i]}" 2>/dev/null || break
      sleep 0.1
    done
  done
  cd /
  umount "$work" || umount -l "$work" || true
  rmdir "$work" 2>/dev/null || true
  echo "wall time $(($(date +%s) - started)) s"
  exit $status
}
trap finish EXIT

# Slurm resolves its addresses with AI_ADDRCONFIG, which looks past the
# loopback address 127.0.0.1: give the private loopback a second one.
ip link set lo up
ip addr add 127.0.0.2/8 dev lo
hostname "$node"

mkdir -p "$work/munge" "$work/state" "$work/spool"
chmod 0700 "$work/munge"
head -c 1024 /dev/urandom > "$work/munge/munge.key"
chmod 0400 "$work/munge/munge.key"
munged --force --key-file="$work/munge/munge.key" --socket="$work/munge/munge.socket" \
  --pid-file="$work/munge/munged.pid" --log-file="$work/munge/munged.log" \
  --seed-file="$work/munge/munged.seed"
daemons+=("$(cat "$work/munge/munged.pid")")

export SLURM_CONF=$work/slurm.conf
cat > "$SLURM_CONF" <<CONF
ClusterName=curling
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
SwitchType=switch/none
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=curling Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -D -i > /dev/null 2>&1 &
daemons+=($!)
slurmd -D -N "$node" > /dev/null 2>&1 &
daemons+=($!)

for _ in $(seq 60); do
  state=$(sinfo -h -N -o %T 2>/dev/null || true)
  [ "$state" = idle ] && break
  sleep 0.5
done
if [ "$state" != idle ]; then
  echo "the node did not come up (state: ${state:-none})" >&2
  exit 1
fi

# An odd number of games, so the last pair holds one game.
options=(--simulator "$simulator" --player1 "$mock" --player2 "$mock" --games 9 --ends 2
         --clock-ms 60000 --seed 77 --quiet)
"$match" "${options[@]}" --concurrency 1 --out "$work/single.jsonl" > /dev/null

"$source_dir/scripts/slurm/submit.sh" --shards 3 --dir "$work/match" --match "$match" -- "${options[@]}" \
  | tee "$work/submit.out"
merge_job=$(sed -n 's/.*merge: job \([0-9]*\).*/\1/p' "$work/submit.out")
for _ in $(seq 240); do
  [ -z "$(squeue -h 2>/dev/null)" ] && break
  sleep 0.5
done
if [ -n "$(squeue -h)" ]; then
  squeue >&2
  echo "the jobs did not end within 2 minutes" >&2
  exit 1
fi
merge_exit=$(scontrol show job "$merge_job" | sed -n 's/.* ExitCode=\([0-9:]*\).*/\1/p')
if [ "$merge_exit" != "0:0" ]; then
  echo "the merge job ended with $merge_exit" >&2
  exit 1
fi
for k in 0 1 2; do
  [ -s "$work/match/shard-$k-of-3.jsonl" ] || { echo "task $k left no record" >&2; exit 1; }
done

python3 - "$work/single.jsonl" "$work/match/match.jsonl" <<'PY'
import json
import sys

def games(path):
    """Every shot (without its timing), end and game line, in order."""
    lines = []
    with open(path) as record:
        for text in record:
            line = json.loads(text)
            if line["type"] in ("shot", "end", "game"):
                line.pop("think_ms", None)
                line.pop("clock_ms", None)
                lines.append(line)
    return lines

single, merged = games(sys.argv[1]), games(sys.argv[2])
played = sum(1 for line in single if line["type"] == "game")
if played != 9 or merged != single:
    sys.exit(f"the merged record differs from the single run ({len(merged)} lines against {len(single)})")
print(f"the merged record holds the single run's {played} games, {len(single)} lines, equal")
PY
