#!/usr/bin/env bash
# with-wine.sh BUILD_DIR COMMAND...: runs COMMAND on a private X display, with
# the build's Wine prefix ready and one persistent wineserver for every Wine
# process it starts. Nothing is left running afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1; shift
if [ -z "${VELUMO_IN_XVFB:-}" ]; then
  export VELUMO_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$here/with-wine.sh" "$build" "$@"
fi
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$build"
wine_prefix_ready || wine_prefix_create
trap wine_stop EXIT
# Start Wine's services now, away from COMMAND's output: a service started by
# a test program would inherit its output pipe and keep CTest waiting. A
# server lost under emulation gets one more try.
start_wine() {
  wine_step 30 "starting the wineserver" "$WINESERVER" -p &&
  wine_step "$wine_start_limit" "starting Wine's services" wine cmd /c exit
}
start_wine || { wine_stop; start_wine; }
"$@"
