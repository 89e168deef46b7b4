#!/usr/bin/env bash
# Renders ui/images/src/*.svg and app/icons/mirvak.svg into the PNG resources
# in ui/images/. Run after changing an SVG source; commit the PNGs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -fPIC -O1 -o "$tmp/render_images" "$root/scripts/render_images.cpp" \
  $(pkg-config --cflags --libs Qt6Svg Qt6Gui Qt6Core)
QT_QPA_PLATFORM=offscreen "$tmp/render_images" "$root"
ls -l "$root"/ui/images/*.png
