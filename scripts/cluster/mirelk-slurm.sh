#!/usr/bin/env bash
# One shard of a batch per element of a Slurm job array:
#
#   sbatch --array=1-N scripts/cluster/mirelk-slurm.sh LIST FORMAT OUTDIR [mirelk-cli options...]
#
# LIST is a file list as --files-from reads it (find -print0 > LIST), on a file system every node
# sees; each array element converts its shard of it with --skip-done, so the whole array can be
# submitted again after a failure and converts only what is missing. Standard output (the job's
# --output file) gets the shard's --json lines, standard error (--error) its failure lines.
# MIRELK_CLI names the program when it is not mirelk-cli on the PATH.
#SBATCH --job-name=mirelk
#SBATCH --output=mirelk-%A_%a.jsonl
#SBATCH --error=mirelk-%A_%a.log
#SBATCH --cpus-per-task=2
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: sbatch --array=1-N $0 LIST FORMAT OUTDIR [mirelk-cli options...]" >&2
  exit 2
fi
list=$1
format=$2
outdir=$3
shift 3

: "${SLURM_ARRAY_TASK_ID:?not an element of a Slurm job array (sbatch --array=1-N)}"
# The array's elements, numbered from its first, are the shards.
first=${SLURM_ARRAY_TASK_MIN:-1}
count=${SLURM_ARRAY_TASK_COUNT:-$(( ${SLURM_ARRAY_TASK_MAX:-$SLURM_ARRAY_TASK_ID} - first + 1 ))}
shard=$(( SLURM_ARRAY_TASK_ID - first + 1 ))

exec "${MIRELK_CLI:-mirelk-cli}" --json --skip-done --shard "$shard/$count" \
  -j "${SLURM_CPUS_PER_TASK:-$(nproc)}" --files-from "$list" -f "$format" -o "$outdir" "$@"
