#!/usr/bin/env bash
# sample.sh: the main job on the built-in sample, from a fresh clone. Sets the
# machine up, builds the programs, lays out a builder folder, makes the sample
# MSI, builds a skinned setup from it in batch mode, runs that setup under
# Wine on a private display, walks its wizard to the end and reports.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
say() { printf 'sample: %s\n' "$*"; }
if [ -z "${VELUMO_IN_XVFB:-}" ]; then
  say "setting up the machine"
  "$root/scripts/setup.sh"
  say "building the programs"
  "$root/scripts/build.sh" "$build" >/dev/null
  # The rest runs under Wine, in the build's own prefix, on a private display.
  BUILD_DIR=$build exec "$root/scripts/with-wine.sh" "$build" "$0" "$@"
fi
build=$(cd "$build" && pwd)
# The Wine environment's helpers: every Wine step runs with a time limit.
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh" "$build"

# Inside the prefix's C: drive, so that every path is a plain "C:\vsample\...":
# an unquoted hyphen would start a new switch.
work=$WINEPREFIX/drive_c/vsample
win() { echo "C:\\vsample\\$1"; }
shots=$build/sample-screenshots
installed="$WINEPREFIX/drive_c/Program Files/Velumo Sample Application"

# A second run starts from a clean slate: the product of the first goes.
if [ -f "$work/SampleApp.msi" ]; then
  say "removing the sample product of an earlier run, usually a few seconds (at most 120 s)"
  wine_step 120 "removing the sample product of an earlier run" \
    wine msiexec /x "$(win SampleApp.msi)" /qn || true
fi
rm -rf "$work" "$shots" && mkdir -p "$work" "$shots"

say "laying out a builder folder"
cmake --install "$build" --prefix "$work/builder" >/dev/null
for file in OrnixCreator.exe Runlet.exe VelumoDll.dll Skins/Daylight.skf; do
  [ -f "$work/builder/$file" ] || { say "$file is missing from the builder folder"; exit 1; }
done

say "making the sample package and icon"
"$root/scripts/make-sample-msi.sh" "$work/SampleApp.msi"
convert -size 64x64 radial-gradient:'#5fb0ff'-'#0b3d91' -fill white -stroke white \
  -draw 'polygon 22,16 46,32 22,48' -define icon:auto-resize=48,32,16 "$work/Sample.ico"

say "building the setup in batch mode, in the stock skin Daylight, usually a few seconds (at most 120 s)"
status=0
wine_step 120 "building the setup" wine "$work/builder/OrnixCreator.exe" \
  "/m:$(win SampleApp.msi)" /s:Daylight "/i:$(win Sample.ico)" \
  "/o:$(win SampleSetup.exe)" || status=$?
if [ "$status" -ne 0 ] || [ ! -f "$work/SampleSetup.exe" ]; then
  say "the builder failed with exit code $status; see $wine_log"
  exit 1
fi

# The whole run, wizard and installation, within a time limit: a Wine that
# hangs must not keep the script waiting. It takes about 20 s here.
setup_limit=300
say "running the setup and walking its wizard, usually 20 s (at most $setup_limit s)"
# The prefix keeps Wine's windows away from a window manager, which the tests
# need; this walk sends keys to the wizard's X windows as a desktop delivers
# them, and only managed windows take them at once. So the sample's setup
# alone runs with managed windows.
wine_step 60 "letting the setup's windows be managed" wine reg add \
  'HKCU\Software\Wine\AppDefaults\SampleSetup.exe\X11 Driver' /v Managed /t REG_SZ /d Y /f
timeout -k 10 "$setup_limit" wine "$work/SampleSetup.exe" "/l:$(win install.log)" >/dev/null 2>&1 &
setup=$!
# shellcheck source=wizard-walk.sh
. "$root/scripts/wizard-walk.sh"
walk_caption="Velumo Sample Application Setup"
walk_shots=$shots
walk_setup=$setup
walk_say() { say "$@"; }
walked=0
walk_install || walked=$?
if [ "$walked" -ne 0 ]; then
  kill "$setup" 2>/dev/null || true
  say "the setup's wizard did not run to its end; see $work/install.log"
  exit 1
fi
result=0
wait "$setup" || result=$?
if [ "$result" -eq 124 ] || [ "$result" -eq 137 ]; then
  say "the setup did not finish within $setup_limit s; see $work/install.log"
  exit 1
fi

size=$(stat -c %s "$work/SampleSetup.exe")
echo
echo "Built:      $work/SampleSetup.exe ($size bytes)"
echo "Installer:  exit code $result"
if [ -d "$installed" ]; then
  echo "Installed:  $(cd "$installed" && ls | sed "s|^|$installed/|" | paste -sd ' ')"
else
  echo "Installed:  nothing in $installed"
fi
echo "Log:        $work/install.log"
echo "Screenshots: $shots"
[ "$result" -eq 0 ] && [ -f "$installed/ReadMe.txt" ]
