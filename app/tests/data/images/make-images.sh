#!/usr/bin/env bash
# Writes the picture fixtures of the import tests: one 37 x 23 picture of
# coloured blocks, written as BMP, JPG, GIF and PNG by ImageMagick and as TIF by
# libtiff-tools, and git's logo as it comes with the gitweb package.
# Needs: imagemagick libtiff-tools gitweb. Run in this folder.
set -euo pipefail
convert -size 37x23 xc:'#203040' \
  -fill '#e03020' -draw 'rectangle 2,2 12,9' \
  -fill '#20c040' -draw 'rectangle 14,5 30,14' \
  -fill '#f0f0f0' -draw 'rectangle 5,16 35,20' \
  -fill '#2040e0' -draw 'point 36,0' \
  picture.ppm
convert picture.ppm -type TrueColor BMP3:picture.bmp
convert picture.ppm -quality 90 picture.jpg
convert picture.ppm picture.gif
convert picture.ppm picture.png
ppm2tiff picture.ppm picture.tif
rm picture.ppm
cp /usr/share/gitweb/static/git-logo.png git-logo.png
# A file that no reader takes for a picture.
printf 'not a picture\n' > broken.png
