#!/usr/bin/env bash
# fuzz.sh [SECONDS [TARGET...]]: builds the fuzz targets (fuzz/) with clang
# and runs each (or those named) for SECONDS (600 by default), one after
# another on one core, over the
# committed corpus and seeds made from the build's own outputs: a setup made
# by ornixcreator, Runlet.exe, the stock skins, their skin.ini and images,
# the icons. Prints each target's runs, coverage and any crash file.
#
# fuzz.sh --check: runs each target a fixed number of times over the
# committed corpus only, so that every crash once found stays fixed; what
# the FuzzCorpusCheck test runs.
#
# BUILD_DIR (default build/) is the main build, whose outputs seed the
# targets; they are built in BUILD_DIR/fuzz, the long runs' corpora and
# crash files kept in BUILD_DIR/fuzz/work/<target>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
fuzz_build=$build/fuzz
targets=(container entry_rules skin_archive skin_ini skin_bitmap skin_check icon_file
  pe_resources)

check=
seconds=600
case "${1:-}" in
  --check) check=1 ;;
  '') ;;
  *[!0-9]*) echo "usage: fuzz.sh [SECONDS [TARGET...]] | --check" >&2; exit 1 ;;
  *) seconds=$1; shift
     [ $# -eq 0 ] || targets=("$@") ;;
esac
for target in "${targets[@]}"; do
  [ -f "$root/fuzz/$target.cpp" ] || { echo "fuzz.sh: no target $target" >&2; exit 1; }
done

for tool in clang-14 clang++-14; do
  command -v "$tool" >/dev/null ||
    { echo "fuzz.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
if [ ! -f "$fuzz_build/CMakeCache.txt" ]; then
  cmake -S "$root/fuzz" -B "$fuzz_build" -DCMAKE_C_COMPILER=clang-14 \
    -DCMAKE_CXX_COMPILER=clang++-14 -DVELUMO_DEPS="${VELUMO_DEPS:-$root/deps}" >/dev/null
fi
cmake --build "$fuzz_build" -j 2 >/dev/null

# A crash or broken promise makes libFuzzer stop with a non-zero status and
# write crash-*, leak-* or timeout-* in the folder it is given.
if [ -n "$check" ]; then
  failed=0
  for target in "${targets[@]}"; do
    corpus=$root/fuzz/corpus/$target
    out=$fuzz_build/check/$target
    # libFuzzer adds what it finds to the first folder: a scratch one, so
    # that the committed corpus stays as it is.
    rm -rf "$out" && mkdir -p "$out/new"
    # 2,000 runs take a few seconds; the limit only stops a hang.
    if ! (cd "$out" && timeout -k 5 30 "$fuzz_build/fuzz_$target" -runs=2000 -seed=1 \
            -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$out/" "$out/new" "$corpus" \
            >"$out/log" 2>&1); then
      echo "fuzz.sh: $target failed over fuzz/corpus/$target (log and input in $out):" >&2
      tail -n 30 "$out/log" >&2
      failed=1
    else
      echo "$target: $(grep -o '#[0-9]*.*DONE.*' "$out/log" | tail -n 1)"
    fi
  done
  exit $failed
fi

# Seeds from the build: what each parser meets in a real setup.
seeds=$fuzz_build/seeds
rm -rf "$seeds" && mkdir -p "$seeds"/{container,entry_rules,skin_archive,skin_ini,skin_bitmap,skin_check,icon_file,pe_resources}
for skin in "$build"/skins/*.skf; do
  [ -f "$skin" ] || continue
  cp "$skin" "$seeds/skin_archive/" && cp "$skin" "$seeds/skin_check/"
  name=$(basename "$skin" .skf)
  unzip -p "$skin" skin.ini > "$seeds/skin_ini/$name.ini" 2>/dev/null || true
  for image in $(unzip -Z1 "$skin" '*.bmp' 2>/dev/null); do
    unzip -p "$skin" "$image" > "$seeds/skin_bitmap/$name-$(basename "$image")"
  done
done
for icon in "$build"/setup/Runlet.ico "$build"/builder/BuilderIcon.ico "$build"/artifacts/*.ico; do
  [ -f "$icon" ] && cp "$icon" "$seeds/icon_file/"
done
[ -f "$build/setup/Runlet.exe" ] && cp "$build/setup/Runlet.exe" "$seeds/pe_resources/"
# A setup made by ornixcreator from the sample package, in a stock skin.
if [ -x "$build/host/ornixcreator" ] && [ -f "$build/setup/Runlet.exe" ] &&
   [ -f "$build/samples/SampleApp.msi" ]; then
  payload=$seeds/payload
  mkdir -p "$payload"
  cp "$build/setup/Runlet.exe" "$build/engine/VelumoDll.dll" "$payload/"
  cp -r "$build/skins" "$payload/skins"
  if "$build/host/ornixcreator" --payload "$payload" --msi "$build/samples/SampleApp.msi" \
       --skin Midnight --output "$seeds/container/SampleSetup.exe" >/dev/null; then
    cp "$seeds/container/SampleSetup.exe" "$seeds/pe_resources/"
  fi
  rm -rf "$payload"
fi

for target in "${targets[@]}"; do
  work=$fuzz_build/work/$target
  mkdir -p "$work/corpus"
  log=$work/log
  echo "== $target: $seconds s"
  # libFuzzer cuts inputs to 1 MB unless told: the setup seed is larger,
  # and cut it would hold no container.
  largest=$(find "$root/fuzz/corpus/$target" "$seeds/$target" -type f -printf '%s\n' |
    sort -n | tail -n 1)
  max_len=$(( ${largest:-0} > 4096 ? ${largest:-0} : 4096 ))
  # The committed corpus and the seeds are read; new inputs go to work/.
  set +e
  (cd "$work" && "$fuzz_build/fuzz_$target" -max_total_time="$seconds" -jobs=1 -workers=1 \
     -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" -print_final_stats=1 \
     -artifact_prefix="$work/" "$work/corpus" "$root/fuzz/corpus/$target" "$seeds/$target" \
     >"$log" 2>&1)
  status=$?
  set -e
  # With -jobs the run itself logs to fuzz-0.log.
  [ -f "$work/fuzz-0.log" ] && cat "$work/fuzz-0.log" >>"$log" && rm -f "$work/fuzz-0.log"
  # The last status line: runs, cov: and ft:.
  grep -E '^#[0-9]+' "$log" | tail -n 1 || true
  grep -E '^stat::number_of_executed_units' "$log" | head -n 1 || true
  crashes=$(find "$work" -maxdepth 1 -name 'crash-*' -o -maxdepth 1 -name 'leak-*' \
    -o -maxdepth 1 -name 'timeout-*' -o -maxdepth 1 -name 'oom-*' | sort)
  if [ $status -ne 0 ] || [ -n "$crashes" ]; then
    echo "$target: stopped with status $status; crash files:"
    printf '  %s\n' $crashes
    grep -E 'ERROR|runtime error|broken promise' "$log" | head -n 5 | sed 's/^/  /'
  else
    echo "$target: no crash"
  fi
done
