#!/bin/sh
# Renders the committed PNG icons from their SVG sources, in 16 colours.
# Needs rsvg-convert (Debian: librsvg2-bin) and ImageMagick.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

render() { # source size output
    rsvg-convert --width "$2" --height "$2" --output "$tmp/$2.png" "$1"
    # Old-style icon: on or off transparency, at most 16 colours.
    convert "$tmp/$2.png" -channel A -threshold 50% +channel -colors 16 -strip "PNG8:$3"
}

render verzino.svg 32 verzino-32.png
render verzino-16.svg 16 verzino-16.png
