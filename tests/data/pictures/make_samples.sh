#!/usr/bin/env bash
# Regenerates the frozen picture samples and their reference decodings (.pam) with ImageMagick.
# Run from anywhere: bash tests/data/pictures/make_samples.sh; then review `git diff --stat`.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

convert -seed 7 -size 37x23 plasma:fractal -depth 8 "$tmp/src.png"
convert "$tmp/src.png" -alpha set -channel A -fx 'i/w' +channel "$tmp/srca.png"

# Bitmaps: name, convert options and output format.
convert "$tmp/src.png" -colors 2 -type palette -compress none BMP3:bmp1.bmp
convert "$tmp/src.png" -colors 16 -type palette -compress none BMP3:bmp4.bmp
convert "$tmp/src.png" -colors 200 -type palette -compress none BMP3:bmp8.bmp
convert "$tmp/src.png" -colors 200 -type palette -compress RLE BMP3:bmp8rle.bmp
convert "$tmp/src.png" -type truecolor -define bmp:subtype=RGB565 bmp16_565.bmp
convert "$tmp/src.png" -type truecolor -define bmp:subtype=RGB555 bmp16_555.bmp
convert "$tmp/src.png" -type truecolor -compress none BMP3:bmp24.bmp
convert "$tmp/src.png" -colors 200 -type palette -compress none BMP2:bmpcore8.bmp
convert "$tmp/srca.png" bmp32a.bmp
convert "$tmp/srca.png" -define bmp:subtype=ARGB4444 bmp16_4444.bmp

# JPEG files.
convert "$tmp/src.png" -quality 85 jpeg_rgb.jpg
convert "$tmp/src.png" -colorspace gray -quality 85 jpeg_gray.jpg
convert "$tmp/src.png" -colorspace cmyk -quality 85 jpeg_cmyk.jpg
convert "$tmp/src.png" -interlace JPEG -quality 85 jpeg_prog.jpg

# Icons: three BMP sizes in one file; the 32-bit images carry alpha.
convert "$tmp/srca.png" -define icon:auto-resize=32,16,24 icon_sizes.ico

for f in *.bmp *.jpg; do
  opts=""
  case $f in jpeg_cmyk.jpg) opts="-colorspace sRGB";; esac
  convert "$f" $opts -depth 8 "pam:$f.pam"
done
convert 'icon_sizes.ico[0]' -depth 8 pam:icon_sizes.ico.pam
