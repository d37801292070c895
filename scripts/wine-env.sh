# Sourced with the build folder as $1: the Wine environment of that build.
# The prefix lives in the build tree, never in the user's own ~/.wine.
build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono, no Gecko, no desktop menu entries, and no debugger that would
# wait on a crashed test program instead of letting it end.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
# The 64-bit wineserver speaks the same protocol and runs natively.
if [ -x /usr/lib/wine/wineserver64 ]; then
  export WINESERVER=/usr/lib/wine/wineserver64
else
  export WINESERVER=/usr/lib/wine/wineserver
fi
# Read only by qemu-i386 where it runs Wine: a guest address space that ends
# just above 2 GiB keeps Wine's start-up from probing gigabytes of addresses.
export QEMU_RESERVED_VA=0x81000000

# The marker names the prefix's settings; a prefix made with older ones is
# made again.
wine_prefix_ready() {
  [ -f "$WINEPREFIX/.velumo-ready-2" ]
}

wine_prefix_create() {
  (
    flock 9
    if ! wine_prefix_ready; then
      rm -rf "$WINEPREFIX"
      wine wineboot -i >/dev/null 2>&1
      # Wine draws window frames and captions itself, as Windows does, so
      # that they are on the screen even where no window manager runs (Xvfb)
      # and a skin's caption bar can be seen and read back.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
      "$WINESERVER" -w
      touch "$WINEPREFIX/.velumo-ready-2"
    fi
  ) 9>"$build/.wineprefix.lock"
}
