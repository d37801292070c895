#!/usr/bin/env bash
# end_to_end.sh BUILD_DIR: the whole road with the real setup stub. Lays out a
# builder folder, builds a setup from the sample MSI in batch mode, runs the
# setup under Wine and checks that the product was installed; then removes it
# again. Runs inside scripts/with-wine.sh (CTest under it), so wine and the
# build's prefix are ready.
set -euo pipefail
build=$(cd "$1" && pwd)
# Inside the prefix's C: drive, so that paths are plain "C:\ve2e\..."
# without hyphens: the builder takes a hyphen for the start of a switch, and
# Wine escapes quotes that a Unix command line passes on.
work=$WINEPREFIX/drive_c/ve2e
rm -rf "$work" && mkdir -p "$work"
cmake --install "$build" --prefix "$work/builder" >/dev/null
cp "$build"/placeholders/* "$work/builder/"
[ -f "$work/builder/VelumoDll.dll" ] || cp "$build/tests/RecordingEngine.dll" "$work/builder/VelumoDll.dll"
[ -f "$work/builder/Runlet.exe" ] || { echo "no Runlet.exe in the builder folder"; exit 1; }
cp "$build/tests/Sample.msi" "$work/Sample.msi"
printf 'sample skin\n' > "$work/Sample.skf"

win() { echo "C:\\ve2e\\$1"; }
wine "$work/builder/OrnixCreator.exe" "/m:$(win Sample.msi)" "/s:$(win Sample.skf)" \
  "/o:$(win setup.exe)"
[ -f "$work/setup.exe" ] || { echo "batch mode wrote no setup"; exit 1; }
[ ! -e "$work/builder/temp.zip" ] || { echo "temp.zip left behind"; exit 1; }

installed="$WINEPREFIX/drive_c/Program Files/Velumo Sample/readme.txt"
rm -f "$installed"
wine "$work/setup.exe" "/l:$(win install.log)" || true
status=0
if cmp -s "$installed" "$(dirname "$0")/data/readme.txt"; then
  echo "installed: $installed"
else
  echo "the setup did not install the sample product"; status=1
fi
wine msiexec /x "$(win Sample.msi)" /qn >/dev/null 2>&1 || true
exit $status
