#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz) and runs each for SECONDS (default 60) from its
# committed corpus, new inputs going to build/fuzz/corpus. A finding (a crash, a sanitizer
# report, a broken promise, a timeout, memory past the limits) is kept in build/fuzz/findings
# and makes the script exit non-zero once every target has run.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz || exit 1
findings=build/fuzz/findings
mkdir -p "$findings"
# Memory the sanitizer cannot give is refused (null or bad_alloc) rather than reported.
export ASAN_OPTIONS=allocator_may_return_null=1
passed=0
failed=0
fuzz() {  # target, corpus folder, malloc limit in MB, time limit of one input in seconds
  mkdir -p "build/fuzz/corpus/$2"
  echo "== $1: ${seconds} s"
  build/fuzz/fuzz/"$1" -max_total_time="$seconds" -timeout="$4" -rss_limit_mb=2560 -malloc_limit_mb="$3" \
      -print_final_stats=1 -artifact_prefix="$findings/$1-" "build/fuzz/corpus/$2" "fuzz/corpus/$2" \
      >"build/fuzz/$1.log" 2>&1
  local rc=$?
  grep -vE '^#[0-9]+' "build/fuzz/$1.log" | tail -n 60  # the progress lines aside
  if [ "$rc" -eq 0 ]; then passed=$((passed + 1)); return; fi
  echo "== $1: FINDING, exit status $rc (input kept in $findings)"
  failed=$((failed + 1))
}
# A vector file may make every element type reserve 4 GiB, which the sanitizer takes seconds to map.
fuzz vector_load_fuzzer vector 4400 120
fuzz png_read_fuzzer png 2048 10
fuzz netpbm_read_fuzzer netpbm 2048 10
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
