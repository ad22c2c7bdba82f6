#!/usr/bin/env bash
# mutants.sh [BUILD_DIR] [ID_OR_PATTERN...]: measures what the test suite
# catches. For each fault of scripts/mutants.list (all, or those whose ID
# matches one of the glob patterns given), it puts the fault into the source,
# builds into BUILD_DIR (default build-mutants/) with scripts/build.sh, runs
# the suite with ctest until its first failing test, and puts the source
# back. It reports each fault as caught (by which test), not caught or not
# built, on standard output and in BUILD_DIR/mutants-report.txt; ctest's and
# the build's output of each fault go to BUILD_DIR/mutants-logs/ID.log.
# A first argument holding a '/' or naming a folder is the build folder.
# mutants.sh --check only checks that the list still fits the source.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true  # '&' in a replacement is literal
cd "$(dirname "$0")/.."
list=scripts/mutants.list
targets="quorvia_tests quorvia_pg_tests quorvia-utilities quorvia-store quorvia-inspector quorvia-gui fuzzers"
only_check=false
build_dir=build-mutants
if [[ "${1:-}" == --check ]]; then
  only_check=true
  shift
elif [[ $# -gt 0 && ( "$1" == */* || -d "$1" ) ]]; then
  build_dir=${1%/}
  shift
fi
patterns=("$@")

ids=() files=() finds=() replacements=() descriptions=()
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  IFS=$'\x1f' read -r id file find replacement description <<<"${line//' @@ '/$'\x1f'}"
  [[ "$replacement" == "(deleted)" ]] && replacement=""
  ids+=("$id") files+=("$file") finds+=("$find") replacements+=("$replacement") descriptions+=("$description")
done <"$list"

Occurrences() {  # Occurrences FILE TEXT: how often TEXT occurs in FILE
  local rest count=0
  rest=$(<"$1")
  while [[ "$rest" == *"$2"* ]]; do
    rest=${rest#*"$2"}
    count=$((count + 1))
  done
  echo "$count"
}

# A stale list fails before anything is built, naming every fault that no
# longer fits; a file with uncommitted changes would lose them on restoring.
stale=0
declare -A seen=()
for i in "${!ids[@]}"; do
  id=${ids[$i]} file=${files[$i]}
  if [[ -n "${seen[$id]:-}" ]]; then
    echo "mutants.sh: $list: fault $id is listed twice" >&2
    stale=1
  fi
  seen[$id]=1
  if [[ ! -f "$file" ]]; then
    echo "mutants.sh: $list: fault $id: no file $file" >&2
    stale=1
  elif n=$(Occurrences "$file" "${finds[$i]}") && ((n != 1)); then
    echo "mutants.sh: $list: fault $id: its text occurs $n times in $file, not once: ${finds[$i]}" >&2
    stale=1
  elif ! git diff --quiet -- "$file"; then
    echo "mutants.sh: $file has uncommitted changes; commit or stash them first (fault $id)" >&2
    stale=1
  fi
done
((stale == 0)) || exit 1
echo "mutants.sh: ${#ids[@]} faults fit the source"
$only_check && exit 0

Chosen() {  # Chosen ID: whether the patterns given select the fault
  ((${#patterns[@]} == 0)) && return 0
  local pattern
  for pattern in "${patterns[@]}"; do
    # shellcheck disable=SC2053  # the pattern is a glob on purpose
    [[ "$1" == $pattern ]] && return 0
  done
  return 1
}

mutated=""
Restore() {
  [[ -z "$mutated" ]] && return 0
  git checkout --quiet -- "$mutated"
  if ! git diff --quiet -- "$mutated"; then
    echo "mutants.sh: $mutated could not be restored: see git diff" >&2
    exit 1
  fi
  mutated=""
}
trap Restore EXIT
trap 'exit 130' INT TERM

run=()
[[ -z "${DISPLAY:-}" ]] && run=(xvfb-run -a -s "-screen 0 1280x1024x24")
Build() {
  BUILD_DIR=$build_dir BUILD_TARGET=$targets CMAKE_BUILD_PARALLEL_LEVEL=2 nice -n 19 scripts/build.sh
}
Suite() {  # runs the tests until the first failure; the failed one is in LastTestsFailed.log
  rm -f "$build_dir/Testing/Temporary/LastTestsFailed.log"
  "${run[@]}" nice -n 19 ctest --test-dir "$build_dir" --stop-on-failure -j 2 --timeout 300 --output-on-failure
}
FirstFailed() {
  sed -n '1s/^[0-9]*://p' "$build_dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null
}

mkdir -p "$build_dir/mutants-logs"
report=$build_dir/mutants-report.txt
logs=$build_dir/mutants-logs
# Without this the faults measure nothing: the suite must pass as it is.
if [[ -z "${MUTANTS_SKIP_BASELINE:-}" ]]; then
  echo "mutants.sh: building and running the suite without a fault first"
  if ! { Build && Suite; } >"$logs/baseline.log" 2>&1; then
    echo "mutants.sh: the suite fails without any fault (first failure: $(FirstFailed)); see $logs/baseline.log" >&2
    exit 1
  fi
fi

: >"$report"
caught=0 missed=0 unbuilt=0 started=$SECONDS
for i in "${!ids[@]}"; do
  id=${ids[$i]}
  Chosen "$id" || continue
  file=${files[$i]}
  content=$(<"$file")
  mutated=$file
  printf '%s\n' "${content/"${finds[$i]}"/"${replacements[$i]}"}" >"$file"
  fault_started=$SECONDS
  if ! Build >"$logs/$id.log" 2>&1; then
    result="not built"
    unbuilt=$((unbuilt + 1))
  elif Suite >>"$logs/$id.log" 2>&1; then
    result="NOT CAUGHT"
    missed=$((missed + 1))
  else
    result="caught by $(FirstFailed)"
    caught=$((caught + 1))
  fi
  Restore
  line=$(printf '%-26s %-40s %s (%ds)' "$id" "$file" "$result" $((SECONDS - fault_started)))
  [[ "$result" == caught* ]] || line+=$'\n'"    ${descriptions[$i]}"
  echo "$line" | tee -a "$report"
done
summary="$((caught + missed + unbuilt)) faults: $caught caught, $missed not caught, $unbuilt not built (caught by the compiler) in $(((SECONDS - started) / 60)) min"
echo "$summary" | tee -a "$report"
echo "mutants.sh: the report is in $report"
# The sources as they are: the next build of this folder starts from them.
((missed == 0))
