#!/usr/bin/env bash
# check_hanging_wine.sh SOURCE_DIR SCRATCH: scripts/sample.sh with a `wine` on
# the PATH that never answers ends with a message naming the step and its
# log, once for a fresh build folder (the prefix is being made) and once for
# one whose prefix is there (Wine's services are being started). It runs a
# private copy of the scripts on a scratch build folder, so the build's own
# prefix is never touched, with the step limits cut to seconds.
set -euo pipefail
source=$1
scratch=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$scratch" && mkdir -p "$scratch/bin" "$scratch/root"
cp -r "$source/scripts" "$scratch/root/"
# Setting the machine up and building are not what is tried here.
for step in setup.sh build.sh; do
  printf '#!/bin/sh\nexit 0\n' >"$scratch/root/scripts/$step"
done
printf '#!/bin/sh\nexec sleep 3600\n' >"$scratch/bin/wine"
chmod +x "$scratch/bin/wine" "$scratch/root/scripts/"*.sh

# case NAME STEP PREPARE: one run on a new build folder prepared by PREPARE,
# expected to fail at STEP.
case_run() {
  local name=$1 step=$2 prepare=$3 build="$scratch/$1" status=0
  mkdir -p "$build"
  eval "$prepare"
  # A run from outside any Wine of the test's own, as from a shell.
  env -u VELUMO_IN_XVFB -u WINEPREFIX -u WINESERVER PATH="$scratch/bin:$PATH" \
    VELUMO_WINE_PREFIX_LIMIT=2 VELUMO_WINE_START_LIMIT=2 BUILD_DIR="$build" \
    "$scratch/root/scripts/sample.sh" >"$build.out" 2>&1 </dev/null || status=$?
  local out
  out=$(cat "$build.out")
  [ "$status" -ne 0 ] || fail "$name: sample.sh reported success"
  grep -qF "wine: $step did not finish within 2 s; see $build/wine-steps.log" <<<"$out" ||
    fail "$name: no message naming '$step' and its log"
  grep -qF "== " "$build/wine-steps.log" 2>/dev/null || fail "$name: the step log is empty"
  grep -qF "sample: running the setup" <<<"$out" && fail "$name: went on past the failed step"
  [ "$failures" -eq 0 ] || { echo "--- output of $name:"; echo "$out"; }
}

case_run fresh "creating the Wine prefix" ":"
grep -qF "creating the Wine prefix in $scratch/fresh/wineprefix, usually 15 s (at most 2 s)" \
  "$scratch/fresh.out" || fail "fresh: no line announcing the prefix's creation"
grep -qF "could not create the Wine prefix $scratch/fresh/wineprefix; see $scratch/fresh/wine-steps.log" \
  "$scratch/fresh.out" || fail "fresh: no final message naming the prefix and its log"
[ "$(grep -c '== .* creating the Wine prefix' "$scratch/fresh/wine-steps.log")" -eq 2 ] ||
  fail "fresh: the prefix was not tried exactly twice"
case_run prefixed "starting Wine's services" \
  'mkdir -p "$build/wineprefix" && touch "$build/wineprefix/.velumo-ready-3"'

[ "$failures" -eq 0 ] && echo "a Wine that never answers ends the sample run with its step named"
exit "$failures"
