#!/usr/bin/env bash
# sample.sh: the main job on the built-in sample, from a fresh clone. Sets the
# machine up, builds the programs, lays out a builder folder, makes the sample
# MSI, builds a skinned setup from it in batch mode, runs that setup under
# Wine on a private display, presses its Install button and reports.
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

# Inside the prefix's C: drive, so that every path is a plain "C:\vsample\...":
# an unquoted hyphen would start a new switch.
work=$WINEPREFIX/drive_c/vsample
win() { echo "C:\\vsample\\$1"; }
shots=$build/sample-screenshots
installed="$WINEPREFIX/drive_c/Program Files/Velumo Sample Application"

# A second run starts from a clean slate: the product of the first goes.
if [ -f "$work/SampleApp.msi" ]; then
  say "removing the sample product of an earlier run"
  wine msiexec /x "$(win SampleApp.msi)" /qn >/dev/null 2>&1 || true
fi
rm -rf "$work" "$shots" && mkdir -p "$work" "$shots"

say "laying out a builder folder"
cmake --install "$build" --prefix "$work/builder" >/dev/null
# The skin engine's runtime libraries come from its vendor; the sample uses
# the project's stand-ins of the same names.
cp "$build"/placeholders/* "$work/builder/"
for file in OrnixCreator.exe Runlet.exe VelumoDll.dll; do
  [ -f "$work/builder/$file" ] || { say "$file is missing from the builder folder"; exit 1; }
done

say "making the sample package and icon"
"$root/scripts/make-sample-msi.sh" "$work/SampleApp.msi"
skin=$build/skins/Daylight.skf
[ -f "$skin" ] || { say "the sample skin $skin is not built"; exit 1; }
cp "$skin" "$work/Sample.skf"
convert -size 64x64 radial-gradient:'#5fb0ff'-'#0b3d91' -fill white -stroke white \
  -draw 'polygon 22,16 46,32 22,48' -define icon:auto-resize=48,32,16 "$work/Sample.ico"

say "building the setup in batch mode"
status=0
wine "$work/builder/OrnixCreator.exe" "/m:$(win SampleApp.msi)" "/s:$(win Sample.skf)" \
  "/i:$(win Sample.ico)" "/o:$(win SampleSetup.exe)" || status=$?
if [ "$status" -ne 0 ] || [ ! -f "$work/SampleSetup.exe" ]; then
  say "the builder failed with exit code $status"
  exit 1
fi

say "running the setup"
wine "$work/SampleSetup.exe" "/l:$(win install.log)" >/dev/null 2>&1 &
setup=$!
window=
for _ in $(seq 1 240); do
  window=$(xdotool search --name "Velumo Sample Application Setup" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$setup" 2>/dev/null || break
  sleep 1
done
if [ -z "$window" ]; then
  say "the setup showed no welcome dialog"
  kill "$setup" 2>/dev/null || true
  exit 1
fi
sleep 3  # let the dialog finish painting
import -window root "$shots/welcome-dialog.png"
say "pressing Install"
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key --window "$window" Return 2>/dev/null
result=0
wait "$setup" || result=$?
import -window root "$shots/after-install.png" 2>/dev/null || true

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
