#!/usr/bin/env bash
# The main job on the demo store: installs what is missing, builds, makes the
# demo store build/demo/crm.db if there is none, and merges the next account
# into A000001 in console mode, showing both accounts' items before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
build_dir=${BUILD_DIR:-build}
export QUORVIA_STORE=${QUORVIA_DEMO_STORE:-$build_dir/demo/crm.db}
export QUORVIA_UI=console
tool="$build_dir/quorvia-store"
accounts=50

if [[ ! -f $QUORVIA_STORE ]]; then
  echo "Making the demo store $QUORVIA_STORE"
  "$tool" demo --accounts "$accounts" --seed 1
fi

# The account item of a key: its line in the database folder itself. find
# exits with 1 when a key has no items (a merged account).
account_item() { { "$tool" find "$1" || true; } | awk -F'\t' '$1 == "Account Profiles" { print $2; exit }'; }

survivor=A000001
survivor_item=$(account_item "$survivor")
merged=
for ((n = 2; n <= accounts; n++)); do
  key=$(printf 'A%06d' "$n")
  if [[ -n $(account_item "$key") ]]; then merged=$key; break; fi
done
if [[ -z $survivor_item || -z $merged ]]; then
  echo "Every demo account is merged already; remove $QUORVIA_STORE to start again."
  exit 0
fi

show() { echo "--- items of $1"; "$tool" find "$1" || true; }
show "$survivor"; show "$merged"
echo
echo "+ quorvia-utilities 'Merge;$survivor_item;;$survivor;$merged'"
status=0
"$build_dir/quorvia-utilities" "Merge;$survivor_item;;$survivor;$merged" || status=$?
echo "exit status $status"
echo
show "$survivor"; show "$merged"
exit "$status"
