#!/bin/sh
# Slurm: one array task per shard over a shared folder.
#   sbatch --chdir=/shared/data packaging/cluster/slurm-array.sh
#SBATCH --job-name=drevlin-batch
#SBATCH --array=0-7
#SBATCH --cpus-per-task=2
#SBATCH --mem=2G
#SBATCH --requeue
set -u
count=${SLURM_ARRAY_TASK_COUNT:-8}
mkdir -p reports
drevlin-convert batch jobs.jsonl --shard "$SLURM_ARRAY_TASK_ID/$count" -j "${SLURM_CPUS_PER_TASK:-1}" \
  > "reports/shard-$SLURM_ARRAY_TASK_ID.jsonl"
status=$?
# Failed conversions are in the report; only usage errors fail the task.
[ $status -le 1 ]
