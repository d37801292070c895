#!/usr/bin/env bash
# skin-preview.sh SETUP OUTPUT_DIR SKIN_NAME: runs a setup of the sample
# wizard under Wine on a private display, walks it with a picture of every
# page, and writes index.html, a gallery of them, into OUTPUT_DIR. Run by
# `ornixcreator skin preview`, which builds the setup; the Wine prefix lives
# in ~/.cache/velumo-installer (VELUMO_PREVIEW_STATE), never in ~/.wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$(realpath "$1")
out=$(realpath "$2")
name=$3
say() { printf 'preview: %s\n' "$*" >&2; }
if [ -z "${VELUMO_IN_XVFB:-}" ]; then
  state=${VELUMO_PREVIEW_STATE:-${XDG_CACHE_HOME:-$HOME/.cache}/velumo-installer}
  mkdir -p "$state"
  exec "$here/with-wine.sh" "$state" "$0" "$setup" "$out" "$name"
fi
# shellcheck source=wizard-walk.sh
. "$here/wizard-walk.sh"

win() { printf 'Z:%s' "${1//\//\\}"; }
walk_caption="Velumo Sample Application Setup"
walk_shots=$out
walk_say() { say "$@"; }
run_limit=300
# The walk sends keys as a desktop delivers them, which only managed windows
# take at once (see scripts/sample.sh).
timeout -k 5 60 wine reg add 'HKCU\Software\Wine\AppDefaults\SampleSetup.exe\X11 Driver' \
  /v Managed /t REG_SZ /d Y /f >/dev/null 2>&1 || { say "Wine does not answer"; exit 1; }

# run_setup WALK ARGS...: the setup with ARGS, walked by WALK, within a limit.
run_setup() {
  local walk=$1 walked=0 result=0; shift
  timeout -k 5 "$run_limit" wine "$setup" "$@" >/dev/null 2>&1 &
  walk_setup=$!
  "$walk" || walked=$?
  if [ "$walked" -ne 0 ]; then
    kill "$walk_setup" 2>/dev/null || true
    wait "$walk_setup" 2>/dev/null || true
    return 1
  fi
  wait "$walk_setup" || result=$?
  if [ "$result" -eq 124 ] || [ "$result" -eq 137 ]; then
    say "the setup did not end within $run_limit s"
    return 1
  fi
}
walk_progress() { walk_install progress; }

product="$WINEPREFIX/drive_c/Program Files/Velumo Sample Application"
say "walking the sample wizard in $name, usually 30 s (at most $((2 * run_limit)) s)"
timeout -k 5 120 wine msiexec /x "$(win "$here/SampleApp.msi")" /qn >/dev/null 2>&1 || true
run_setup walk_progress
# The installed product makes the second run refuse, as a newer version would.
timeout -k 5 120 wine msiexec /x "$(win "$here/SampleApp.msi")" /qn >/dev/null 2>&1 || true
run_setup walk_refusal /p:WIX_DOWNGRADE_DETECTED=1
rm -rf "$product"

{
  cat <<HEAD
<!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>$name: the sample wizard</title>
<style>
body { font-family: sans-serif; margin: 2em; background: #f4f4f4; color: #222; }
.pages { display: flex; flex-wrap: wrap; gap: 1.5em; }
figure { margin: 0; background: #fff; padding: .6em; box-shadow: 0 1px 3px #0003; }
figcaption { margin-top: .4em; font-size: .9em; }
img { display: block; max-width: 520px; }
</style></head>
<body>
<h1>$name</h1>
<p>The sample wizard's pages, drawn in the skin by Windows Installer under Wine.</p>
<div class="pages">
HEAD
  for picture in "$out"/[0-9]-*.png; do
    [ -f "$picture" ] || continue
    file=$(basename "$picture")
    page=${file#?-}; page=${page%.png}
    printf '<figure><img src="%s" alt="%s page"><figcaption>%s</figcaption></figure>\n' \
      "$file" "$page" "$page"
  done
  printf '</div>\n</body>\n</html>\n'
} > "$out/index.html"
say "wrote $out/index.html"
