#!/usr/bin/env bash
# test.sh: sets the machine up, builds, and runs the whole suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"
"$root/scripts/with-wine.sh" "$build" ctest --test-dir "$build" --output-on-failure "$@"
