#!/usr/bin/env bash
# Installs what building and testing need, from Debian's archive only.
# Safe to run again: it does nothing when everything is in place.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export DEBIAN_FRONTEND=noninteractive

packages=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  binutils-mingw-w64-i686 mingw-w64-i686-dev googletest
  wine wine64 wine32:i386 qemu-user-static xvfb xauth x11-utils
  msitools wixl osslsigncode python3-pefile python3-markdown imagemagick fp-utils
  dpkg-dev zip unzip xdotool bc openssl time g++ zlib1g-dev lintian libmagickwand-6.q16-dev pkg-config
  clang-14 libclang-rt-14-dev)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
# A mirror caught mid-sync fails one index of many; what is needed may still be
# listed. Try again once, then go on: the install or fetch that follows says
# plainly what is missing.
apt_update() {
  apt-get -q "$@" update >/dev/null && return
  sleep 5
  apt-get -q "$@" update >/dev/null ||
    echo "setup: some package lists could not be read; going on with what was read" >&2
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "setup: installing ${missing[*]}"
  apt_update
  install=(apt-get install -y -q --no-install-recommends)
  # When one architecture's security list was not read, the two architectures
  # see different newest versions and the multi-arch libraries cannot agree;
  # the release's own suite has both at one version.
  "${install[@]}" "${missing[@]}" >/dev/null ||
    { echo "setup: installing from the release's own suite instead" >&2
      "${install[@]}" -t "$(. /etc/os-release && echo "$VERSION_CODENAME")" "${missing[@]}" >/dev/null; }
fi

# Some kernels run no 32-bit code at all. Wine's 32-bit side then runs under
# QEMU's user-mode emulator, registered for i386 ELF files.
# Asking Wine its version starts no Windows process; a minute is plenty.
if ! timeout -k 5 60 /usr/lib/wine/wine --version >/dev/null 2>&1; then
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    echo "setup: running 32-bit Linux programs through qemu-i386"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' > "$binfmt/register"
  fi
  timeout -k 5 60 /usr/lib/wine/wine --version >/dev/null ||
    { echo "setup: Wine does not run, even through qemu-i386" >&2; exit 1; }
fi

# zlib and minizip from the sources of Debian's zlib package. The source list
# is derived from the machine's own binary list, in a private apt state.
deps="$root/deps"
if [ ! -f "$deps/zlib/zlib.h" ] || [ ! -f "$deps/zlib/contrib/minizip/zip.c" ]; then
  echo "setup: fetching zlib sources"
  apt_dir="$deps/apt"
  rm -rf "$apt_dir" && mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/src"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*$/Types: deb-src/' "$f" > "$apt_dir/parts/$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list > "$apt_dir/parts/main.list"
  fi
  opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists")
  apt_update "${opts[@]}"
  fetched=
  # A version listed by one suite may be missing from its pool: try each, newest first.
  for v in $(apt-cache "${opts[@]}" showsrc zlib | sed -n 's/^Version: //p' | sort -Vr -u); do
    if (cd "$apt_dir/src" && apt-get -q "${opts[@]}" source --download-only "zlib=$v" >/dev/null 2>&1); then
      fetched=$v; break
    fi
  done
  [ -n "$fetched" ] || { echo "setup: could not fetch the zlib sources" >&2; exit 1; }
  rm -rf "$deps/zlib" && mkdir -p "$deps/zlib"
  tar -xf "$apt_dir"/src/zlib_*.orig.tar.* -C "$deps/zlib" --strip-components=1
  echo "setup: zlib $fetched"
fi
