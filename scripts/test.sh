#!/usr/bin/env bash
# test.sh: sets the machine up, builds, and runs the whole suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"
# Wine under emulation now and then loses a process to a crash or hang of
# its own; one more try of a failed test program tells that from a real fault.
"$root/scripts/with-wine.sh" "$build" ctest --test-dir "$build" --output-on-failure \
  --repeat until-pass:2 "$@"
