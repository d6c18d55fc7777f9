#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG into dist/icons/.
# The PNGs are committed, so a build needs no renderer; run this after
# changing the SVG. With --check it renders into a scratch folder instead and
# fails when a committed PNG differs from what the SVG gives now.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v rsvg-convert >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends librsvg2-bin
fi

icons=dist/icons
svg="$icons/com.example.ZE6Vivevu.svg"
out="$icons"
if [ "${1:-}" = --check ]; then
  out="$(mktemp -d)"
  trap 'rm -rf "$out"' EXIT
fi

for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" "$svg" --output "$out/com.example.ZE6Vivevu-$size.png"
done

if [ "${1:-}" = --check ]; then
  for size in 16 32 48 64 128 256; do
    if ! cmp -s "$out/com.example.ZE6Vivevu-$size.png" "$icons/com.example.ZE6Vivevu-$size.png"; then
      echo "render-icons: $icons/com.example.ZE6Vivevu-$size.png is not what the SVG renders to; run scripts/render-icons.sh" >&2
      exit 1
    fi
  done
fi
