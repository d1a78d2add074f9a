#!/usr/bin/env bash
# brenvik scan on a local disk and at network latency: scan -j 1, the default
# scan and find -type f on one generated tree of 5,000 files with 1,000 image
# files, first as they are, then with every file system call delayed by 2 ms
# (strace injects the delay; installed here when missing).
#   bench/scan_bench.sh [BUILD_DIR]     (default build; configured with
#                                        -DBRENVIK_BUILD_BENCH=ON)
# SCAN_BENCH_DELAY_US, SCAN_BENCH_RUNS and SCAN_BENCH_LOCAL_RUNS change the
# delay and the number of timed runs.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

if ! command -v strace >/dev/null; then
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends strace
fi

cmake --build "$build" -j2 --target scan_bench
bench="$build/bench/scan_bench"

echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "== local disk"
"$bench" --files 5000 --images 1000 --runs "${SCAN_BENCH_LOCAL_RUNS:-9}"
echo
echo "== network latency"
"$bench" --files 5000 --images 1000 --runs "${SCAN_BENCH_RUNS:-3}" \
         --delay-us "${SCAN_BENCH_DELAY_US:-2000}"
echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
