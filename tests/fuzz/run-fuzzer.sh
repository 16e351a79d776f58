#!/bin/sh
# run-fuzzer.sh FUZZER SEEDS SCRATCH SECONDS
# Fuzzes for SECONDS on a fresh copy of the seed corpus in SCRATCH; the exit
# code is 1 when it found a fault (the reproducer is left in SCRATCH).
# libFuzzer's own code for a fault is 77, which CTest would take for a skip.
set -eu
fuzzer=$1 seeds=$2 scratch=$3 seconds=$4
rm -rf "$scratch"
mkdir -p "$scratch/corpus"
cp "$seeds"/* "$scratch/corpus/"
cd "$scratch"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -error_exitcode=1 -timeout_exitcode=1 -print_final_stats=1 corpus
