#!/usr/bin/env bash
# bench-unpack.sh [BUILD_DIR]: measures the setup stub's unpacking phase
# (finding the container, copying the archive out, unpacking every entry) on a
# package of about 100 MB next to Info-ZIP's unzip on the same archive, and
# the stub's peak memory for packages of 10 MB and 100 MB. Not a test: it
# prints figures.
#
# The archives hold the payload and no .msi entry, so each run ends right
# after unpacking (exit code 2) and removes what it unpacked. The run is timed
# from inside its process, so Wine's slow process start does not count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bench=$build/bench
rm -rf "$bench" && mkdir -p "$bench/tmp"

# Setups assembled like the builder does: ZIP archive "temp.zip" appended to
# Runlet.exe as [n][name][archive][start]["!faSig!"].
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
for label, size in (("tiny", 1 << 20), ("10", 10 << 20), ("100", 100 << 20)):
    archive = os.path.join(out, "temp-%s.zip" % label)
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=8) as z:
        z.writestr("payload.bin", payload(size))
        z.writestr("readme.txt", b"bench")
    data = open(archive, "rb").read()
    image = open(stub, "rb").read()
    name = b"temp.zip"
    with open(os.path.join(out, "setup-%s.exe" % label), "wb") as f:
        f.write(image + struct.pack("<I", len(name)) + name + data +
                struct.pack("<I", len(image)) + b"!faSig!")
PY

best_of_3() {  # prints the best wall time of three runs, in seconds
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; end=$(date +%s.%N)
    best=$(echo "$end - $start" | bc | awk -v b="$best" '{ if (b == "" || $1 < b) print $1; else print b }')
  done
  echo "$best"
}

rm -rf "$bench/unzip"
echo "unzip, native x86-64, 100 MB:              $(best_of_3 unzip -o -q "$bench/temp-100.zip" -d "$bench/unzip") s"
# The stub runs under qemu's emulation here; unzip under the same emulator
# makes the fair comparison.
echo "unzip under qemu-x86_64 emulation, 100 MB: $(best_of_3 qemu-x86_64-static /usr/bin/unzip -o -q "$bench/temp-100.zip" -d "$bench/unzip") s"

# The stub's run in one process (UnpackBench), timed from inside, three times
# for the time and once per size for the memory.
"$root/scripts/with-wine.sh" "$build" bash -c '
  bench=$1 build=$2
  export TMP=$(winepath -w "$bench/tmp") TEMP=$(winepath -w "$bench/tmp")
  wine "$build/tests/UnpackBench.exe" "$(winepath -w "$bench/setup-tiny.exe")"
  for size in 100 100 100 10; do
    echo "$size MB: $(wine "$build/tests/UnpackBench.exe" "$(winepath -w "$bench/setup-$size.exe")" | tr -d "\r")"
  done
  echo "entries left in the temporary folder: $(find "$bench/tmp" -mindepth 1 | wc -l)"
' _ "$bench" "$build"
