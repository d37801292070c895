# Sourced with the build folder as $1: the Wine environment of that build.
# The prefix lives in the build tree, never in the user's own ~/.wine.
build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono, no Gecko, no desktop menu entries, and no debugger that would
# wait on a crashed test program instead of letting it end.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
# The 64-bit wineserver speaks the same protocol and runs natively. One given
# by the caller is kept, so a broken server can be tried on purpose.
if [ -z "${WINESERVER:-}" ]; then
  if [ -x /usr/lib/wine/wineserver64 ]; then
    export WINESERVER=/usr/lib/wine/wineserver64
  else
    export WINESERVER=/usr/lib/wine/wineserver
  fi
fi
export WINESERVER
# Read only by qemu-i386 where it runs Wine: a guest address space that ends
# just above 2 GiB keeps Wine's start-up from probing gigabytes of addresses.
export QEMU_RESERVED_VA=0x81000000
wine_log="$build/wine-steps.log"
# Limits of the slow Wine steps, in seconds, each several times what the step
# takes here (creating the prefix about 15 s, starting Wine's services a few)
# to leave room for a slow or emulated machine; a Wine that never answers
# makes a run fail in under five minutes, retry included. The variables are
# for the test that swaps in such a Wine, so that it ends in seconds.
wine_prefix_limit=${VELUMO_WINE_PREFIX_LIMIT:-120}
wine_start_limit=${VELUMO_WINE_START_LIMIT:-60}

# wine_step SECONDS NAME COMMAND...: runs one Wine step with a time limit,
# its output appended to the step log. Under emulation a wineserver that dies
# leaves every Wine process waiting on its pipe for good; the limit turns that
# into a message naming the step and the log to read.
wine_step() {
  local limit=$1 name=$2 status=0
  shift 2
  echo "== $(date '+%F %T') $name: $*" >>"$wine_log"
  timeout -k 10 "$limit" "$@" >>"$wine_log" 2>&1 </dev/null || status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "wine: $name did not finish within $limit s; see $wine_log" >&2
  elif [ "$status" -ne 0 ]; then
    echo "wine: $name failed (exit $status); see $wine_log" >&2
  fi
  return "$status"
}

# Ends the wineserver of this prefix and every Wine process attached to it.
wine_stop() {
  timeout -k 5 30 "$WINESERVER" -k >/dev/null 2>&1 || true
}

# The marker names the prefix's settings; a prefix made with older ones is
# made again.
wine_prefix_ready() {
  [ -f "$WINEPREFIX/.velumo-ready-3" ]
}

wine_prefix_make() {
  rm -rf "$WINEPREFIX"
  echo "wine: creating the Wine prefix in $WINEPREFIX, usually 15 s (at most $wine_prefix_limit s)..." >&2
  wine_step "$wine_prefix_limit" "creating the Wine prefix" wine wineboot -i &&
  # Wine draws window frames and captions itself, as Windows does, so
  # that they are on the screen even where no window manager runs (Xvfb)
  # and a skin's caption bar can be seen and read back.
  wine_step "$wine_start_limit" "configuring the Wine prefix" wine reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Decorated /t REG_SZ /d N /f &&
  # Nor does Wine hand its windows to a window manager: there is none, and
  # a managed window that is hidden or destroyed waits two seconds for the
  # manager's answer that never comes. Every dialog of a test paid that.
  wine_step "$wine_start_limit" "configuring the Wine prefix" wine reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /t REG_SZ /d N /f &&
  wine_step "$wine_start_limit" "waiting for the prefix's wineserver to end" "$WINESERVER" -w
}

# A prefix whose creation fails or hangs is made once more from scratch: the
# first failure is most often a wineserver lost under emulation.
wine_prefix_create() {
  (
    flock 9
    wine_prefix_ready && exit 0
    for attempt in 1 2; do
      if wine_prefix_make; then
        touch "$WINEPREFIX/.velumo-ready-3"
        exit 0
      fi
      wine_stop
      [ "$attempt" -eq 1 ] && echo "wine: trying the prefix once more from scratch" >&2
    done
    rm -rf "$WINEPREFIX"
    echo "wine: could not create the Wine prefix $WINEPREFIX; see $wine_log" >&2
    exit 1
  ) 9>"$build/.wineprefix.lock"
}
