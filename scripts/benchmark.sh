#!/usr/bin/env bash
# benchmark.sh [BUILD_DIR]: our figures next to Info-ZIP's, in one table:
#   1. generating a setup from an MSI of about 100 MB, against zip -8, with
#      OrnixCreator.exe under Wine and ornixcreator natively;
#   2. the setup's unpacking phase on a 100 MB payload, against unzip;
#   3. locating the container in setups of 100 MB and 1 GB, against a plain
#      read of each;
#   4. the setup's peak memory for 10 MB and 100 MB payloads;
#   5. the builders' peak memory for 100 MB and 1 GB MSI files;
#   6. the setup's run on archives of 256, 1,000 and 20,000 empty entries;
#   7. generation on half-random, half-text data and on an MSI around a
#      compressed cabinet, against zip -8;
#   8. the setup's /x extraction of each of those setups, against unzip of
#      the same archive, with the private folder's peak size and the peak
#      working set;
#   9. time from starting a setup to its status window and to the
#      installer's first dialog, next to a plain copy of the setup file.
# VELUMO_BENCH_BIG=1 adds 1 GB cases to 8 and 9 (several minutes more).
# Sets the machine up and builds first, as scripts/test.sh does. Not a test:
# it prints figures. All it writes lives in the build's Wine prefix
# (C:\vbench) and is removed at the end; the Wine processes end with it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ -z "${VELUMO_IN_XVFB:-}" ]; then
  # Like the other top-level scripts: ready from a fresh clone, and quick
  # when the machine and the build are already up to date.
  "$root/scripts/setup.sh"
  "$root/scripts/build.sh" "$build" >/dev/null
  exec "$root/scripts/with-wine.sh" "$build" "$0" "$build"
fi
build=$(cd "$build" && pwd)

# Inside the prefix's C: drive, so that paths are plain "C:\vbench\..."
# without hyphens: the builder takes a hyphen for the start of a switch, and
# Wine escapes quotes that a Unix command line passes on.
bench=$WINEPREFIX/drive_c/vbench
win() { echo "C:\\vbench\\$1"; }
trap 'rm -rf "$bench"' EXIT
trap 'exit 130' INT TERM HUP
rm -rf "$bench" && mkdir -p "$bench/payload" "$bench/zip"

# Wine gives a program the prefix's own temporary folder whatever TMP says
# on this side, so the setup runs unpack there. Folders of earlier runs are
# not ours to judge or remove: only new ones count.
temp_folders() {
  find "$WINEPREFIX/drive_c/users" -maxdepth 5 -type d -name 'Velumo-*' 2>/dev/null | sort
}
temp_before=$(temp_folders)
# Windows Installer keeps its own copy of each package it opens in
# C:\windows\Installer until the installation ends; the setups that row 9
# ends at their first dialog leave theirs, up to 1 GB each.
installer_cache() { find "$WINEPREFIX/drive_c/windows/Installer" -maxdepth 1 -type f 2>/dev/null | sort; }
cache_before=$(installer_cache)
drop_installer_copies() {
  comm -13 <(echo "$cache_before") <(installer_cache) | sed '/^$/d' | while read -r f; do rm -f "$f"; done
}
trap 'rm -rf "$bench"; drop_installer_copies' EXIT

now() { date +%s.%N; }
# Every Wine run with a time limit: a Wine process that hangs ends the
# benchmark with an error instead of keeping it waiting.
wine_limited=(timeout -k 10 900 wine)
# best_of_3 PREPARE COMMAND...: runs PREPARE (untimed), then COMMAND, three
# times; prints COMMAND's shortest wall time in seconds. A failing run stops
# the benchmark: its time would mean nothing.
best_of_3() {
  local prepare=$1 best= start end t
  shift
  for _ in 1 2 3; do
    "$prepare"
    start=$(now)
    if ! "$@" >/dev/null 2>"$bench/stderr"; then
      echo "benchmark: failed: $*" >&2
      cat "$bench/stderr" >&2
      exit 1
    fi
    end=$(now)
    t=$(echo "$end - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
nothing() { :; }
# Info-ZIP's x86-64 programs under the emulator our side runs on, without the
# address-space limit that wine-env.sh sets for qemu-i386 (qemu-x86_64 reads
# it too and then cannot start).
emulated() { env -u QEMU_RESERVED_VA qemu-x86_64-static "$(command -v "$1")" "${@:2}"; }
# key=value out of a line of UnpackBench's output.
field() { sed -n "s/.*\\b$2=\\([^ ]*\\).*/\\1/p" <<<"$1"; }

# --- 1. Generation ----------------------------------------------------------
# An MSI of about 100 MB: like most real packages, a cabinet of data that is
# already compressed, so it barely shrinks again.
head -c $((100 * 1024 * 1024)) /dev/urandom > "$bench/payload/data.bin"
sed -e 's/Source="readme.txt"/Source="data.bin"/' -e 's/Name="readme.txt"/Name="data.bin"/' \
  "$root/tests/data/Sample.wxs" > "$bench/payload/Bench.wxs"
(cd "$bench/payload" && wixl -o "$bench/Bench.msi" Bench.wxs)
rm -rf "$bench/payload"
cmake --install "$build" --prefix "$bench/builder" >/dev/null
# The builder refuses a skin the engine would refuse: a stock one.
cp "$bench/builder/Skins/Daylight.skf" "$bench/Bench.skf"
cp "$build"/placeholders/* "$bench/builder/"
zip_files=(Bench.msi Bench.skf VelumoDll.dll gdiplus.dll mfc71.dll MSVCR71.DLL msvcrt.dll msvcp71.dll)
cp "$bench/Bench.msi" "$bench/Bench.skf" "$bench/zip/"
for f in "${zip_files[@]:2}"; do cp "$bench/builder/$f" "$bench/zip/"; done

# The cost of starting any Wine process, told apart from the builder's work.
wine_start=$(best_of_3 nothing "${wine_limited[@]}" "$build/tests/StandInStub.exe")
no_setup() { rm -f "$bench/setup.exe"; }
generate() {
  "${wine_limited[@]}" "$bench/builder/OrnixCreator.exe" "/m:$(win Bench.msi)" "/s:$(win Bench.skf)" \
    "/o:$(win setup.exe)"
}
generation_wall=$(best_of_3 no_setup generate)
generation=$(echo "$generation_wall - $wine_start" | bc)
setup_size=$(stat -c %s "$bench/setup.exe")
no_zip() { rm -f "$bench/zip.zip"; }
zip8() { (cd "$bench/zip" && "$@" -8 -q -X ../zip.zip "${zip_files[@]}"); }
zip_native=$(best_of_3 no_zip zip8 zip)
zip_size=$(stat -c %s "$bench/zip.zip")
zip_qemu=$(best_of_3 no_zip zip8 emulated zip)
msi_size=$(stat -c %s "$bench/Bench.msi")
# The builder for Linux, natively, on the same files.
linux_builder=$build/host/ornixcreator
generate_linux() {
  "$linux_builder" --msi "$bench/Bench.msi" --skin "$bench/Bench.skf" --output "$bench/setup.exe" \
    --payload "$bench/builder"
}
generation_linux=$(best_of_3 no_setup generate_linux)
cp "$bench/setup.exe" "$bench/setup-random.exe"

# --- 7. Generation on other data ----------------------------------------------
# Half random, half text in 64 KiB blocks, as the MSI itself; and an MSI that
# wixl builds around a compressed cabinet of that data, which barely deflates
# again. The eight files are zipped alike for the reference.
mixed() { python3 "$root/scripts/mixed-data.py" "$@"; }
mixed 100 "$bench/Mixed.msi"
mkdir -p "$bench/cab"
mixed 100 "$bench/cab/data.bin"
sed -e 's/Source="readme.txt"/Source="data.bin"/' -e 's/Name="readme.txt"/Name="data.bin"/' \
  "$root/tests/data/Sample.wxs" > "$bench/cab/Cab.wxs"
(cd "$bench/cab" && wixl -o "$bench/Cab.msi" Cab.wxs)
rm -rf "$bench/cab"
declare -A gen_ours gen_zip gen_msi
for input in Mixed Cab; do
  rm -rf "$bench/zip-$input" && mkdir -p "$bench/zip-$input"
  cp "$bench/$input.msi" "$bench/Bench.skf" "$bench/zip-$input/"
  for f in "${zip_files[@]:2}"; do cp "$bench/builder/$f" "$bench/zip-$input/"; done
  no_input_setup() { rm -f "$bench/setup-$input.exe"; }
  generate_input() {
    "${wine_limited[@]}" "$bench/builder/OrnixCreator.exe" "/m:$(win "$input.msi")" \
      "/s:$(win Bench.skf)" "/o:$(win "setup-$input.exe")"
  }
  no_input_zip() { rm -f "$bench/zip-$input.zip"; }
  zip8_input() { (cd "$bench/zip-$input" && zip -8 -q -X "../zip-$input.zip" "$input.msi" "${zip_files[@]:1}"); }
  gen_ours[$input]=$(echo "$(best_of_3 no_input_setup generate_input) - $wine_start" | bc)
  gen_zip[$input]=$(best_of_3 no_input_zip zip8_input)
  gen_msi[$input]=$(stat -c %s "$bench/$input.msi")
  rm -rf "$bench/zip-$input" "$bench/zip-$input.zip"
done

# --- 8. Extraction --------------------------------------------------------------
# setup /q /x: of each setup, from process start to exit less a Wine process
# start, next to unzip of the archive the setup carries, natively. The 1 GB
# case is made with the builder for Linux, which writes the same bytes.
if [ -n "${VELUMO_BENCH_BIG:-}" ]; then
  mixed 1024 "$bench/Mixed1g.msi"
  "$linux_builder" --msi "$bench/Mixed1g.msi" --skin "$bench/Bench.skf" \
    --output "$bench/setup-Mixed1g.exe" --payload "$bench/builder" >/dev/null
  rm -f "$bench/Mixed1g.msi"
fi
extract_inputs=(random Mixed Cab)
[ -n "${VELUMO_BENCH_BIG:-}" ] && extract_inputs+=(Mixed1g)
# The archive inside a setup: [n][name][archive][start]["!faSig!"].
archive_of() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
start = struct.unpack("<I", data[-11:-7])[0]
n = struct.unpack("<I", data[start:start + 4])[0]
open(sys.argv[2], "wb").write(data[start + 4 + n:-11])
PY
}
new_temp_folders() { comm -13 <(echo "$temp_before") <(temp_folders) | sed '/^$/d'; }
# peak_temp OUT COMMAND...: runs COMMAND with its output in OUT and prints
# the largest size in bytes that the setup's private folder reached.
peak_temp() {
  local out=$1 poller
  shift
  echo 0 > "$bench/peak"
  (
    while :; do
      size=$(new_temp_folders | xargs -r du -sb 2>/dev/null | awk '{t += $1} END {print t + 0}')
      [ "$size" -gt "$(cat "$bench/peak")" ] && echo "$size" > "$bench/peak"
      sleep 0.01
    done
  ) &
  poller=$!
  "$@" > "$out"
  kill "$poller" && wait "$poller" 2>/dev/null || true
  cat "$bench/peak"
}
declare -A x_ours x_unzip x_setup x_temp x_ws
no_xout() { rm -rf "$bench/xout"; }
for input in "${extract_inputs[@]}"; do
  extract_input() { "${wine_limited[@]}" "$bench/setup-$input.exe" /q "/x:$(win xout)"; }
  archive_of "$bench/setup-$input.exe" "$bench/archive.zip"
  unzip_input() { unzip -q "$bench/archive.zip" -d "$bench/xout"; }
  x_ours[$input]=$(echo "$(best_of_3 no_xout extract_input) - $wine_start" | bc)
  x_unzip[$input]=$(best_of_3 no_xout unzip_input)
  x_setup[$input]=$(stat -c %s "$bench/setup-$input.exe")
  no_xout
  x_temp[$input]=$(peak_temp "$bench/unpack-line" "${wine_limited[@]}" "$build/tests/UnpackBench.exe" \
    "$(win "setup-$input.exe")" "/q /x:$(win xout)")
  line=$(tr -d '\r' < "$bench/unpack-line")
  if [ "$(field "$line" exit)" != 0 ]; then
    echo "benchmark: extracting setup-$input.exe failed: $line" >&2
    exit 1
  fi
  x_ws[$input]=$(field "$line" peakWorkingSetKB)
  no_xout
  rm -f "$bench/archive.zip"
done
rm -f "$bench"/setup-Mixed1g.exe "$bench"/setup-Mixed.exe "$bench"/setup-Cab.exe "$bench"/setup-random.exe
rm -f "$bench/Mixed.msi" "$bench/Cab.msi"

# --- 9. Time to the first window ----------------------------------------------
# The sample package with its wizard, grown to about 10 MB, 100 MB (and 1 GB)
# by a stream of half-random, half-text data; UnpackBench starts each setup
# without switches and ends it once the installer's first dialog shows.
"$root/scripts/make-sample-msi.sh" "$bench/Wizard.msi" >/dev/null
window_sizes=(10 100)
[ -n "${VELUMO_BENCH_BIG:-}" ] && window_sizes+=(1024)
declare -A w_copy w_status w_dialog w_setup
for size in "${window_sizes[@]}"; do
  cp "$bench/Wizard.msi" "$bench/Wizard$size.msi"
  mixed "$size" "$bench/filler.bin"
  msibuild "$bench/Wizard$size.msi" -a Filler "$bench/filler.bin"
  rm -f "$bench/filler.bin"
  "$linux_builder" --msi "$bench/Wizard$size.msi" --skin "$bench/Bench.skf" \
    --output "$bench/setup-window.exe" --payload "$bench/builder" >/dev/null
  rm -f "$bench/Wizard$size.msi"
  w_setup[$size]=$(stat -c %s "$bench/setup-window.exe")
  best_status= best_dialog= best_copy=
  for _ in 1 2 3; do
    line=$("${wine_limited[@]}" "$build/tests/UnpackBench.exe" /windows "$(win setup-window.exe)" | tr -d '\r')
    if [ -z "$(field "$line" dialogSeconds)" ]; then
      echo "benchmark: the $size MB setup showed no installer dialog: $line" >&2
      exit 1
    fi
    drop_installer_copies
    for m in status dialog copy; do
      v=$(field "$line" "${m}Seconds") best_var=best_$m
      if [ -z "${!best_var}" ] || [ "$(echo "$v < ${!best_var}" | bc)" = 1 ]; then
        printf -v "$best_var" '%s' "$v"
      fi
    done
  done
  w_copy[$size]=$best_copy w_status[$size]=$best_status w_dialog[$size]=$best_dialog
  # The setups were ended at their first dialog: their private folders stay.
  new_temp_folders | while read -r d; do rm -rf "$d"; done
  rm -f "$bench/setup-window.exe"
done
rm -f "$bench/Wizard.msi"

# --- 5. The builders' peak memory ---------------------------------------------
# On the 100 MB MSI and on a 1 GB one; the deflate holds a few blocks per core
# whatever the size. For the Windows builder this is the resident size of its
# Wine process, Wine's own share included, next to a program that does nothing.
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$bench/Big.msi"
for size in 100m 1g; do
  msi=Bench.msi; [ "$size" = 1g ] && msi=Big.msi
  rm -f "$bench/setup.exe"
  printf -v "linux_peak_$size" '%s' "$(peak_kb "$linux_builder" --msi "$bench/$msi" \
    --skin "$bench/Bench.skf" --output "$bench/setup.exe" --payload "$bench/builder")"
  rm -f "$bench/setup.exe"
  printf -v "windows_peak_$size" '%s' "$(peak_kb "${wine_limited[@]}" "$bench/builder/OrnixCreator.exe" \
    "/m:$(win "$msi")" "/s:$(win Bench.skf)" "/o:$(win setup.exe)")"
done
wine_idle_peak=$(peak_kb "${wine_limited[@]}" "$build/tests/StandInStub.exe")
rm -rf "$bench/builder" "$bench/zip" "$bench"/*.zip "$bench"/*.msi "$bench"/*.skf

rm -f "$bench/setup.exe"

# --- 3. Container locate ------------------------------------------------------
# Setups of 100 MB and 1 GB laid out as the builder does, from the real stub,
# their archives zero-filled (sparse files). Locating reads the PE headers and
# the trailer, so its time should not grow with the size.
/usr/bin/python3 - "$build/setup/Runlet.exe" "$bench" <<'PY'
import os, struct, sys
stub, out = sys.argv[1], sys.argv[2]
image = open(stub, "rb").read()
name = b"temp.zip"
trailer = struct.pack("<I", len(image)) + b"!faSig!"
for label, size in (("100m", 100 << 20), ("1g", 1 << 30)):
    with open(os.path.join(out, "locate-%s.exe" % label), "wb") as f:
        f.write(image + struct.pack("<I", len(name)) + name)
        f.truncate(size - len(trailer))
        f.seek(0, 2)
        f.write(trailer)
PY
locate_run() {
  local line size
  size=$(stat -c %s "$bench/locate-$1.exe")
  line=$("${wine_limited[@]}" "$build/tests/UnpackBench.exe" /scan "$(win "locate-$1.exe")" | tr -d '\r')
  if [ "$(field "$line" bytes)" != "$size" ]; then
    echo "benchmark: locating in the $1 setup read $(field "$line" bytes) of $size bytes" >&2
    exit 1
  fi
  echo "$line"
}
scan_100m=$(locate_run 100m)
scan_1g=$(locate_run 1g)
size_100m=$(field "$scan_100m" bytes) size_1g=$(field "$scan_1g" bytes)
rm -f "$bench"/locate-*.exe

# --- 2. and 4. Unpacking and memory ------------------------------------------
# Setups assembled as the builder does: a ZIP archive "temp.zip" appended to
# Runlet.exe as [n][name][archive][start]["!faSig!"]. The archives hold the
# payload and no .msi entry, so each run ends right after unpacking (exit
# code 2, no package) and removes what it unpacked.
/usr/bin/python3 - "$build/setup/Runlet.exe" "$bench" <<'PY'
import os, random, struct, sys, zipfile
stub, out = sys.argv[1], sys.argv[2]
rng = random.Random(1)
def payload(size):
    # Half noise, half text, as installation packages tend to be.
    chunk = 1 << 20
    parts = []
    for i in range(size // chunk):
        text = (b"Velumo payload line %d\n" % i) * (chunk // 16)
        parts.append(rng.randbytes(chunk) if i % 2 else text[:chunk])
    return b"".join(parts)
image = open(stub, "rb").read()
for size in (10, 100):
    archive = os.path.join(out, "temp-%d.zip" % size)
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=8) as z:
        z.writestr("payload.bin", payload(size << 20))
        z.writestr("readme.txt", b"bench")
    data = open(archive, "rb").read()
    name = b"temp.zip"
    with open(os.path.join(out, "setup-%d.exe" % size), "wb") as f:
        f.write(image + struct.pack("<I", len(name)) + name + data +
                struct.pack("<I", len(image)) + b"!faSig!")
PY

archive_100=$(stat -c %s "$bench/temp-100.zip")
no_unzipped() { rm -rf "$bench/unzipped"; }
unzip_native=$(best_of_3 no_unzipped unzip -q "$bench/temp-100.zip" -d "$bench/unzipped")
unzip_qemu=$(best_of_3 no_unzipped emulated unzip -q "$bench/temp-100.zip" -d "$bench/unzipped")
# unzip's peak resident set in KiB, as the memory rows' reference.
unzip_peak() {
  rm -rf "$bench/unzipped"
  /usr/bin/python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' \
    unzip -q "$bench/temp-$1.zip" -d "$bench/unzipped"
}
unzip_peak_10=$(unzip_peak 10)
unzip_peak_100=$(unzip_peak 100)
rm -rf "$bench/unzipped"

# The stub's run in one process, timed from inside, so that Wine's process
# start does not count: three times on 100 MB for the time, once on 10 MB.
unpack_run() {
  local line
  line=$("${wine_limited[@]}" "$build/tests/UnpackBench.exe" "$(win "setup-$1.exe")" | tr -d '\r')
  if [ "$(field "$line" exit)" != 2 ]; then
    echo "benchmark: the setup run on $1 MB ended before unpacking everything: $line" >&2
    exit 1
  fi
  echo "$line"
}
unpack_100=() && for _ in 1 2 3; do unpack_100+=("$(unpack_run 100)"); done
unpack_10=$(unpack_run 10)
unpack=$(for l in "${unpack_100[@]}"; do field "$l" seconds; done | sort -g | head -1)
# Memory: the largest peak of the runs on each size.
peak() { local l; for l in "${@:2}"; do field "$l" "$1"; done | sort -n | tail -1; }
ws_10=$(peak peakWorkingSetKB "$unpack_10")
ws_100=$(peak peakWorkingSetKB "${unpack_100[@]}")
private_10=$(peak peakPrivateKB "$unpack_10")
private_100=$(peak peakPrivateKB "${unpack_100[@]}")

# --- 6. Many entries ------------------------------------------------------------
# Archives of empty entries: 256, the most a setup unpacks, and 1,000 and
# 20,000, which it refuses from the directory before anything is written.
/usr/bin/python3 - "$build/setup/Runlet.exe" "$bench" <<'PY'
import os, struct, sys, zipfile
stub, out = sys.argv[1], sys.argv[2]
image = open(stub, "rb").read()
for count in (256, 1000, 20000):
    archive = os.path.join(out, "temp-many-%d.zip" % count)
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for i in range(count):
            z.writestr("entry%05d.txt" % i, b"")
    data = open(archive, "rb").read()
    name = b"temp.zip"
    with open(os.path.join(out, "setup-many-%d.exe" % count), "wb") as f:
        f.write(image + struct.pack("<I", len(name)) + name + data +
                struct.pack("<I", len(image)) + b"!faSig!")
PY
# many_run COUNT EXIT: the best of three runs' seconds; EXIT is 2 (all
# unpacked, no package) or 1392 (refused).
many_run() {
  local line best= t
  for _ in 1 2 3; do
    line=$("${wine_limited[@]}" "$build/tests/UnpackBench.exe" "$(win "setup-many-$1.exe")" | tr -d '\r')
    if [ "$(field "$line" exit)" != "$2" ]; then
      echo "benchmark: the setup run on $1 entries did not end with $2: $line" >&2
      exit 1
    fi
    t=$(field "$line" seconds)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
many_256=$(many_run 256 2)
many_1000=$(many_run 1000 1392)
many_20000=$(many_run 20000 1392)
many_unzip=$(best_of_3 no_unzipped emulated unzip -q "$bench/temp-many-256.zip" -d "$bench/unzipped")
rm -rf "$bench/unzipped" "$bench"/temp-many-*.zip "$bench"/setup-many-*.exe

temp_after=$(temp_folders)
left=$(comm -13 <(echo "$temp_before") <(echo "$temp_after") | sed '/^$/d')
[ -z "$left" ] || while read -r d; do rm -rf "$d"; done <<<"$left"

# --- The table --------------------------------------------------------------
mb() { echo "scale=1; $1 / 1048576" | bc; }
# ratio A B [DIGITS]: A / B, or '-' when B is zero.
ratio() { if [ "$(echo "$2 > 0" | bc)" = 1 ]; then printf "%.${3:-2}f" "$(echo "$1 / $2" | bc -l)"; else echo '-'; fi; }
row() { printf '%-38s %12s  %-30s %12s  %6s\n' "$@"; }
secs() { printf '%.3f s' "$1"; }
msecs() { printf '%.3f ms' "$(echo "$1 * 1000" | bc -l)"; }
kib() { printf '%.1f MB' "$(echo "$1 / 1024" | bc -l)"; }

echo "Velumo Installer benchmark ($(date -u +%Y-%m-%d), $(nproc) cores; best of 3; ratio = ours / reference)"
# Where the kernel runs no 32-bit code, scripts/setup.sh hands it to qemu-i386.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  echo "Ours runs under Wine, emulated by qemu-i386; 'native' is this $(uname -m) host."
else
  echo "Ours runs under Wine; 'native' is this $(uname -m) host."
fi
echo
row "measure" "ours" "reference" "" "ratio"
row "--------------------------------------" "------------" "------------------------------" "------------" "------"
row "1 generation, $(mb "$msi_size") MB MSI (a)" "$(secs "$generation")" \
  "zip -8, native" "$(secs "$zip_native")" "$(ratio "$generation" "$zip_native")"
row "" "" "zip -8, under qemu-x86_64" "$(secs "$zip_qemu")" "$(ratio "$generation" "$zip_qemu")"
row "  Wine process start, subtracted" "$(secs "$wine_start")" "" "" ""
row "  ornixcreator, Linux, native" "$(secs "$generation_linux")" \
  "zip -8, native" "$(secs "$zip_native")" "$(ratio "$generation_linux" "$zip_native")"
row "2 unpacking, 100 MB payload (b)" "$(secs "$unpack")" \
  "unzip, native" "$(secs "$unzip_native")" "$(ratio "$unpack" "$unzip_native")"
row "" "" "unzip, under qemu-x86_64" "$(secs "$unzip_qemu")" "$(ratio "$unpack" "$unzip_qemu")"
for s in 100m 1g; do
  scan_line=scan_$s size_var=size_$s
  read_s=$(field "${!scan_line}" plainReadSeconds)
  locate=$(field "${!scan_line}" locateSeconds) marker=$(field "${!scan_line}" findMarkerSeconds)
  row "3 container locate, $(mb "${!size_var}") MB setup (c)" "$(msecs "$locate")" \
    "plain read of the file" "$(secs "$read_s")" "$(ratio "$locate" "$read_s" 4)"
  row "  FindMarker alone" "$(msecs "$marker")" "" "" ""
done
row "4 peak working set, 10 MB payload (d)" "$(kib "$ws_10")" \
  "unzip peak resident, native" "$(kib "$unzip_peak_10")" "$(ratio "$ws_10" "$unzip_peak_10")"
row "  peak working set, 100 MB payload" "$(kib "$ws_100")" \
  "unzip peak resident, native" "$(kib "$unzip_peak_100")" "$(ratio "$ws_100" "$unzip_peak_100")"
row "  growth 10 -> 100 MB" "x$(ratio "$ws_100" "$ws_10")" \
  "unzip" "x$(ratio "$unzip_peak_100" "$unzip_peak_10")" ""
row "  peak private bytes, 10 MB payload" "$(kib "$private_10")" "" "" ""
row "  peak private bytes, 100 MB payload" "$(kib "$private_100")" "" "" ""
row "  growth 10 -> 100 MB" "x$(ratio "$private_100" "$private_10")" "" "" ""
row "5 builder peak resident, 100 MB MSI (e)" "$(kib "$linux_peak_100m")" "ornixcreator" "" ""
row "  the same, 1 GB MSI" "$(kib "$linux_peak_1g")" "ornixcreator" "" ""
row "  100 MB MSI" "$(kib "$windows_peak_100m")" "OrnixCreator.exe, Wine process" "" ""
row "  1 GB MSI" "$(kib "$windows_peak_1g")" "OrnixCreator.exe, Wine process" "" ""
row "  a Wine program doing nothing" "$(kib "$wine_idle_peak")" "" "" ""
row "6 256 empty entries, unpacked (f)" "$(secs "$many_256")" \
  "unzip, under qemu-x86_64" "$(secs "$many_unzip")" "$(ratio "$many_256" "$many_unzip")"
row "  1,000 entries, refused" "$(msecs "$many_1000")" "" "" ""
row "  20,000 entries, refused" "$(msecs "$many_20000")" "" "" ""
row "7 generation, $(mb "${gen_msi[Mixed]}") MB mixed MSI (g)" "$(secs "${gen_ours[Mixed]}")" \
  "zip -8, native" "$(secs "${gen_zip[Mixed]}")" "$(ratio "${gen_ours[Mixed]}" "${gen_zip[Mixed]}")"
row "  $(mb "${gen_msi[Cab]}") MB MSI around a cabinet" "$(secs "${gen_ours[Cab]}")" \
  "zip -8, native" "$(secs "${gen_zip[Cab]}")" "$(ratio "${gen_ours[Cab]}" "${gen_zip[Cab]}")"
declare -A x_label=([random]="$(mb "$msi_size") MB random MSI" [Mixed]="100 MB mixed MSI"
  [Cab]="$(mb "${gen_msi[Cab]}") MB cabinet MSI" [Mixed1g]="1 GB mixed MSI")
for input in "${extract_inputs[@]}"; do
  row "8 /x, ${x_label[$input]} (h)" "$(secs "${x_ours[$input]}")" \
    "unzip of its archive, native" "$(secs "${x_unzip[$input]}")" \
    "$(ratio "${x_ours[$input]}" "${x_unzip[$input]}")"
  row "  private folder's peak" "$(kib "$(( ${x_temp[$input]} / 1024 ))")" "the setup file" \
    "$(kib "$(( ${x_setup[$input]} / 1024 ))")" "$(ratio "${x_temp[$input]}" "${x_setup[$input]}")"
  row "  peak working set" "$(kib "${x_ws[$input]}")" "" "" ""
done
for size in "${window_sizes[@]}"; do
  row "9 status window, $(mb "${w_setup[$size]}") MB setup (i)" "$(secs "${w_status[$size]}")" \
    "plain copy of the setup" "$(secs "${w_copy[$size]}")" "$(ratio "${w_status[$size]}" "${w_copy[$size]}")"
  row "  first installer dialog" "$(secs "${w_dialog[$size]}")" \
    "plain copy of the setup" "$(secs "${w_copy[$size]}")" "$(ratio "${w_dialog[$size]}" "${w_copy[$size]}")"
done
cat <<EOF

(a) OrnixCreator.exe in batch mode: wall time less the start of a Wine
    process (best of 3, a program that does nothing), which zip does not pay.
    Both pack the same eight files; setup $(mb "$setup_size") MB, zip $(mb "$zip_size") MB.
(b) UnpackBench.exe: the setup's run timed inside its process: locate the
    container, copy the archive out, unpack every entry, delete them again.
    The payload is half noise, half text; its archive is $(mb "$archive_100") MB.
    unzip unpacks the same archive into an empty folder.
(c) UnpackBench.exe /scan on setups of the real stub with zero-filled
    archives: ExtractContainer up to the archive copy (PE headers, trailer,
    name record), and a plain ReadFile loop in 64 KiB steps over the same
    file, all in one Wine process, best of 3 rounds.
(d) Windows' peak working set and peak private bytes of the setup's run;
    unzip's peak resident set size. Wine's own libraries count on our side.
(e) Peak resident set size (/usr/bin/time) of a generation; for
    OrnixCreator.exe that of its Wine process, Wine's own share included.
(f) UnpackBench.exe on archives of empty entries, best of 3: 256 are
    unpacked and removed again; more are refused from the directory, before
    anything is written, whatever their number.
(g) As (a), on half-random, half-text data in 64 KiB blocks
    (scripts/mixed-data.py) and on an MSI that wixl builds around an MSZIP
    cabinet of that data.
(h) setup.exe /q /x: from process start to exit, less a Wine process start,
    best of 3; unzip of the archive the setup carries, natively. The private
    folder's peak is sampled every 10 ms during one more run (UnpackBench
    with the same switches), which also gives the peak working set.
(i) UnpackBench.exe /windows: from CreateProcess to the setup's first shown
    window (the status window) and to its first window with a caption (the
    installer's first dialog), polled every 5 ms, best of 3; next to
    CopyFileA of the same setup file in the same process. The package is
    the sample wizard MSI with a stream of mixed data.
EOF
if [ -n "$left" ]; then
  echo
  echo "The setup runs left $(wc -l <<<"$left") temporary folder(s) behind (now removed)."
  exit 1
fi
