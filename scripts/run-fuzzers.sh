#!/usr/bin/env bash
# Runs every libFuzzer target of a ZT_FUZZ build for the given number of seconds, starting from its
# seed corpus (copied, so the committed corpus only grows by hand).
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for bin in "$build"/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=${bin##*/fuzz_}
  case "$name" in replay_*) continue ;; esac
  work="$build/fuzz-corpus/$name"
  mkdir -p "$work"
  cp -n "$root/tests/fuzz/corpus/$name/"* "$work/" 2>/dev/null || true
  echo "== fuzz $name for ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -print_final_stats=1 "$work"; then
    status=1
  fi
done
exit $status
