#!/usr/bin/env bash
# sample.sh: sets the machine up, builds the programs and runs the main job on
# the built-in sample.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
echo "sample: setting up"
"$root/scripts/setup.sh"
echo "sample: building"
"$root/scripts/build.sh" "$build" >/dev/null
echo "sample: built programs in $build"
