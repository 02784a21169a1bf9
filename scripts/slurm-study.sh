#!/usr/bin/env bash
# A study as a Slurm job array: array task T runs part T+1 of SHARDS of a kestrane-sim sweep and
# writes that part's summary as part-(T+1).csv in the job's working folder. The parts, concatenated
# in order, are the sweep's summary (only part 1 has the header line). docs/cluster.md shows how to
# submit it and join the parts.
#
#   sbatch --array=0-15 scripts/slurm-study.sh 16 SCENARIO --vary NAME=V1,V2,... [sweep options]
#
# KESTRANE_SIM names the kestrane-sim to run (default: the one on PATH). Each task runs as many
# runs at a time as Slurm gave it processors (--cpus-per-task, default 1).
#SBATCH --job-name=kestrane-study
#SBATCH --output=slurm-%A_%a.out
set -euo pipefail

if [ $# -lt 2 ] || ! [[ $1 =~ ^[1-9][0-9]*$ ]]; then
  echo "slurm-study: needs the number of parts and the sweep's scenario and options" >&2
  exit 2
fi
if [ -z "${SLURM_ARRAY_TASK_ID:-}" ]; then
  echo "slurm-study: not an array task: submit it with sbatch --array=0-$(($1 - 1))" >&2
  exit 2
fi
shards=$1
shift
part=$((SLURM_ARRAY_TASK_ID + 1))
if [ "$part" -gt "$shards" ]; then
  echo "slurm-study: array task $SLURM_ARRAY_TASK_ID is past the last of $shards parts" >&2
  exit 2
fi
exec "${KESTRANE_SIM:-kestrane-sim}" sweep "$@" --jobs "${SLURM_CPUS_PER_TASK:-1}" --shard "$part/$shards" \
  --summary "part-$part.csv" --quiet
