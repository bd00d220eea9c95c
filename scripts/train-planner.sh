#!/usr/bin/env bash
# Trains curling-planner's value model: builds the project, then plays,
# fits and gates generation after generation (scripts/train_planner.py;
# planner/README.md, "Training"). Every option is train_planner.py's.
#
# usage: scripts/train-planner.sh --seed S --generations G [--first N] [--from MODEL]
#                                 [--previous MODEL] [--dir DIR]
#                                 [--size full|toy] [--rule R] [--window K] [--opponent-inputs]
#                                 [--concurrency K] [--install]
#                                 [--slurm "SBATCH OPTIONS" --shards N]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build >/dev/null
exec python3 scripts/train_planner.py "$@"
