#!/usr/bin/env bash
# make-kit-skins.sh ORNIXCREATOR SKINS_DIR OUTPUT_DIR: two skins a packager
# makes with the kit, from Daylight and Midnight with an accent and a PNG
# banner each, calm where the titles lie, for the wizard walk.
set -euo pipefail
kit=$1 skins=$2 out=$3
mkdir -p "$out"
convert -size 120x800 gradient:'#FFFFFF'-'#CFE7EA' -rotate 270 \
  -fill '#0B6E77' -draw 'circle 740,60 740,25' "PNG24:$out/light.png"
convert -size 120x800 gradient:'#3A1208'-'#12151A' -rotate 90 \
  -fill '#E4572E' -draw 'circle 740,60 740,25' "PNG24:$out/dark.png"
"$kit" skin create --from "$skins/Daylight.skf" --accent '#0B6E77' --name Teal \
  --banner "$out/light.png" --output "$out/Teal.skf" >/dev/null
"$kit" skin create --from "$skins/Midnight.skf" --accent '#E4572E' --name 'Ember Night' \
  --banner "$out/dark.png" --output "$out/Ember.skf" >/dev/null
