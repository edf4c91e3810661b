#!/usr/bin/env bash
# What ./run builds (target talvec_runnable) is the whole program folder and
# nothing of the tests or benchmarks: every file the build puts into the
# program folder is on that target's build graph, and no test or benchmark
# file is.
#   run_targets.sh <ninja> <build folder> <program folder, relative to it>
set -euo pipefail
ninja=$1 build=$2 bin=$3
graph=$("$ninja" -C "$build" -t graph talvec_runnable | grep -o 'label="[^"]*"' | sort -u)
outputs=$("$ninja" -C "$build" -t targets all | cut -d: -f1 | grep "^$bin/" | sort -u)
[ -n "$outputs" ] || { echo "the build puts nothing into $bin/"; exit 1; }
status=0
while read -r file; do
  grep -qxF "label=\"$file\"" <<<"$graph" || { echo "./run does not build $file"; status=1; }
done <<<"$outputs"
if grep -E '/(tests|bench)/' <<<"$graph"; then
  echo "./run builds the above for tests or benchmarks"
  status=1
fi
exit $status
