#!/usr/bin/env bash
# Runs every benchmark of a build; each prints its own figures.
set -euo pipefail
build=${1:-build-bench}
found=0
for bin in "$build"/bin/bench_*; do
  [ -x "$bin" ] || continue
  found=1
  echo "== ${bin##*/}"
  "$bin"
done
[ $found = 1 ] || echo "no benchmarks built yet"
