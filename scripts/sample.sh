#!/usr/bin/env bash
# sample.sh: sets the machine up, builds the programs and runs the main job on
# the built-in sample.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ -z "${VELUMO_IN_XVFB:-}" ]; then
  echo "sample: setting up"
  "$root/scripts/setup.sh"
  echo "sample: building"
  "$root/scripts/build.sh" "$build" >/dev/null
  echo "sample: built programs in $build"
  # The rest runs under Wine, on a private display.
  BUILD_DIR=$build exec "$root/scripts/with-wine.sh" "$build" "$0" "$@"
fi

# The main job: a builder folder laid out by the install step, with the
# placeholder runtime libraries, turns the sample MSI into a setup.
work=$WINEPREFIX/drive_c/vsample
rm -rf "$work" && mkdir -p "$work"
cmake --install "$build" --prefix "$work/builder" >/dev/null
cp "$build"/placeholders/* "$work/builder/"
if [ ! -f "$work/builder/Runlet.exe" ]; then
  echo "sample: Runlet.exe is not built in this tree; no setup made"
  exit 0
fi
[ -f "$work/builder/VelumoDll.dll" ] || cp "$build/tests/RecordingEngine.dll" "$work/builder/VelumoDll.dll"
cp "$build/tests/Sample.msi" "$work/"
cp "$work/builder/Ornix.skf" "$work/Sample.skf"
# Plain C:\ paths: a hyphen would start a new switch.
wine "$work/builder/OrnixCreator.exe" '/m:C:\vsample\Sample.msi' '/s:C:\vsample\Sample.skf' \
  '/o:C:\vsample\SampleSetup.exe' && echo "sample: built $work/SampleSetup.exe" ||
  echo "sample: generation failed with exit code $?"
