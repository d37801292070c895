#!/usr/bin/env bash
# draw-builder-icon.sh OUTPUT.ico: draws the builder's application icon, a
# package box on a blue tile, at 48, 32 and 16 pixels.
set -euo pipefail
out=$1
convert -size 256x256 xc:none \
  -fill '#1d5fa8' -draw 'roundrectangle 12,12 244,244 44,44' \
  -fill '#ffffff' -draw 'polygon 128,48 208,92 128,136 48,92' \
  -fill '#cfe0f4' -draw 'polygon 48,104 122,146 122,220 48,178' \
  -fill '#9dbde3' -draw 'polygon 208,104 134,146 134,220 208,178' \
  -define icon:auto-resize=48,32,16 "$out"
