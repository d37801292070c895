#!/usr/bin/env bash
# benchmark.sh [BUILD_DIR]: times one package generation from an MSI of about
# 100 MB under Wine, next to Info-ZIP's "zip -8" on the same eight files.
# Needs a built tree (scripts/build.sh). Prints the figures; changes nothing
# outside the build's Wine prefix (C:\vbench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${VELUMO_IN_XVFB:-}" ]; then
  exec "$root/scripts/with-wine.sh" "$build" "$0" "$build"
fi
# Inside the prefix's C: drive, so that paths are plain "C:\vbench\..."
# without hyphens: the builder takes a hyphen for the start of a switch, and
# Wine escapes quotes that a Unix command line passes on.
bench=$WINEPREFIX/drive_c/vbench
rm -rf "$bench" && mkdir -p "$bench/payload" "$bench/zip"
now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc; }

# An MSI of about 100 MB: like most real packages, a cabinet of data that is
# already compressed, so it barely shrinks again.
head -c $((100 * 1024 * 1024)) /dev/urandom > "$bench/payload/data.bin"
sed -e 's/Source="readme.txt"/Source="data.bin"/' -e 's/Name="readme.txt"/Name="data.bin"/' \
  "$root/tests/data/Sample.wxs" > "$bench/payload/Bench.wxs"
(cd "$bench/payload" && wixl -o "$bench/Bench.msi" Bench.wxs)
head -c $((2 * 1024 * 1024)) /dev/urandom | base64 > "$bench/Bench.skf"

cmake --install "$build" --prefix "$bench/builder" >/dev/null
cp "$build"/placeholders/* "$bench/builder/"
[ -f "$bench/builder/Runlet.exe" ] || cp "$build/tests/StandInStub.exe" "$bench/builder/Runlet.exe"
[ -f "$bench/builder/VelumoDll.dll" ] || cp "$build/tests/RecordingEngine.dll" "$bench/builder/VelumoDll.dll"

win() { echo "C:\\vbench\\$1"; }
# The cost of starting any Wine process, to tell it apart from the work.
start=$(now); wine "$build/tests/StandInStub.exe" >/dev/null 2>&1 || true; end=$(now)
startup=$(elapsed "$start" "$end")
start=$(now)
wine "$bench/builder/OrnixCreator.exe" "/m:$(win Bench.msi)" "/s:$(win Bench.skf)" \
  "/o:$(win setup.exe)"
end=$(now)
builder=$(elapsed "$start" "$end")

cp "$bench/Bench.msi" "$bench/Bench.skf" "$bench/zip/"
for f in VelumoDll.dll gdiplus.dll mfc71.dll MSVCR71.DLL msvcrt.dll msvcp71.dll; do
  cp "$bench/builder/$f" "$bench/zip/"
done
start=$(now)
(cd "$bench/zip" && zip -8 -q -X ../info-zip.zip Bench.msi Bench.skf VelumoDll.dll gdiplus.dll \
  mfc71.dll MSVCR71.DLL msvcrt.dll msvcp71.dll)
end=$(now)
infozip=$(elapsed "$start" "$end")

printf 'MSI size:                 %s bytes\n' "$(stat -c %s "$bench/Bench.msi")"
printf 'setup size:               %s bytes\n' "$(stat -c %s "$bench/setup.exe")"
printf 'zip -8 archive size:      %s bytes\n' "$(stat -c %s "$bench/info-zip.zip")"
printf 'OrnixCreator batch run:   %.2f s (Wine process start alone: %.2f s)\n' "$builder" "$startup"
printf 'zip -8 (native):          %.2f s\n' "$infozip"
printf 'ratio (run / zip -8):     %.2f\n' "$(echo "$builder / $infozip" | bc -l)"
rm -rf "$bench"
