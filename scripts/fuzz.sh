#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into FUZZ_BUILD_DIR (default build-fuzz/) and runs
# each for FUZZ_SECONDS (default 30) seconds from its committed corpus. Extra
# arguments name the targets to run (default: all). New inputs are kept in
# FUZZ_BUILD_DIR/corpus/NAME, a failing input in FUZZ_BUILD_DIR/crashes/; any
# failure fails the script once every target has run.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}
targets=("$@")
((${#targets[@]} > 0)) || targets=(store_import filter dispatch)

BUILD_DIR=$build_dir BUILD_TARGET=fuzzers scripts/build.sh \
  -DCMAKE_CXX_COMPILER=clang++ -DQUORVIA_FUZZ=ON
failed=()
for name in "${targets[@]}"; do
  mkdir -p "$build_dir/corpus/$name" "$build_dir/crashes"
  echo "== fuzzing $name for $seconds s"
  if ! "$build_dir/${name}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build_dir/crashes/$name-" \
      "$build_dir/corpus/$name" "fuzz/corpus/$name" 2>"$build_dir/$name.log"; then
    failed+=("$name")
    tail -n 60 "$build_dir/$name.log"
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$build_dir/$name.log" || true
done
if ((${#failed[@]} > 0)); then
  echo "fuzzing failed: ${failed[*]} (inputs in $build_dir/crashes/)"
  exit 1
fi
echo "fuzzing: ok"
