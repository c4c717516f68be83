#!/bin/sh
# GNU parallel over ssh: one shard per host slot, on a folder every host mounts
# at the same path. hosts.txt lists the machines, one a line (parallel's
# --sshloginfile format, e.g. "2/user@host" for two slots).
#   packaging/cluster/parallel-ssh.sh hosts.txt /shared/data 8
set -eu
hosts=$1
folder=$2
shards=${3:-8}
mkdir -p "$folder/reports"
seq 0 $((shards - 1)) |
  parallel --sshloginfile "$hosts" --workdir "$folder" --retries 3 --joblog "$folder/reports/parallel.log" \
    "drevlin-convert batch jobs.jsonl --shard {}/$shards -q > reports/shard-{}.jsonl; test \$? -le 1"
