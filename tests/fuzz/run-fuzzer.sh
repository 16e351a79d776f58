#!/bin/sh
# run-fuzzer.sh FUZZER SEEDS SCRATCH SECONDS
# Fuzzes for SECONDS on a fresh copy of the seed corpus in SCRATCH; the exit
# code is the fuzzer's, non-zero when it found a fault (the reproducer is
# left in SCRATCH).
set -eu
fuzzer=$1 seeds=$2 scratch=$3 seconds=$4
rm -rf "$scratch"
mkdir -p "$scratch/corpus"
cp "$seeds"/* "$scratch/corpus/"
cd "$scratch"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 corpus
