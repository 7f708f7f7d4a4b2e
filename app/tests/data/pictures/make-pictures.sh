#!/usr/bin/env bash
# Makes the picture fixtures of the animated picture control's tests with
# ImageMagick and gifsicle. Run from this folder; commit the results.
set -euo pipefail
# Three full frames, red, green, blue, with delays of 3, 50 and 20 hundredths.
convert -size 40x30 -delay 3 xc:red -delay 50 xc:lime -delay 20 xc:blue -loop 0 anim3.gif
# One frame.
convert -size 24x16 xc:orange one.gif
# A 20 x 20 red frame at (10, 5) that is disposed to the background, then an
# 8 x 8 blue frame at (0, 0), on a 40 x 30 screen.
convert -size 20x20 xc:red part-red.gif
convert -size 8x8 xc:blue part-blue.gif
gifsicle --logical-screen 40x30 --delay 3 --disposal background --position 10,5 part-red.gif \
  --disposal none --position 0,0 part-blue.gif > dispose2.gif
rm part-red.gif part-blue.gif
# Stills: left half #cc2200, right half #336699.
convert -size 30x20 xc:'#336699' -fill '#cc2200' -draw 'rectangle 0,0 14,19' still.bmp
convert -size 30x20 xc:'#336699' -fill '#cc2200' -draw 'rectangle 0,0 14,19' -quality 95 still.jpg
# Damaged data: a GIF cut inside its first frame, and text.
head -c 40 anim3.gif > truncated.gif
printf 'This is not a picture.\n' > notimage.txt
# A 20 x 20 frame at (30, 20) that reaches past the 40 x 30 screen, restored
# to the previous picture afterwards.
convert -size 40x30 xc:red -dispose previous \( -size 20x20 xc:blue -repage 40x30+30+20 \) -loop 0 frame-beyond-screen.gif
# The same with the second frame declared 20000 rows high: more pixels than
# its 36 bytes can describe.
cp frame-beyond-screen.gif frame-declaring-more-than-its-bytes.gif
printf '\x20\x4e' | dd of=frame-declaring-more-than-its-bytes.gif bs=1 seek=107 conv=notrunc status=none
# Interlaced frames with transparent pixels and colour tables of their own:
# a full first frame, then frames kept, restored to the previous picture and
# disposed to the background, and a 16-colour gradient of 16 x 10.
convert -loop 0 -delay 10 -dispose none -size 48x36 xc:'#203040' -fill yellow -draw 'circle 24,18 24,4' \
  \( -size 20x16 xc:none -fill red -draw 'rectangle 2,2 12,10' -repage +5+6 \) \
  -dispose previous \( -size 30x10 xc:none -fill lime -draw 'circle 15,5 15,1' -repage +10+20 \) \
  -dispose background \( -size 12x12 xc:none -fill magenta -draw 'rectangle 0,0 5,5' -repage +30+2 \) \
  -dispose none \( -size 16x10 gradient:blue-white -repage +0+24 \) -interlace GIF interlaced-transparent.gif
# The same kinds of frames with the second disposed to the background and
# the gradient 16 x 16 at (40, 28), reaching past the 48 x 36 screen.
convert -loop 0 -delay 10 -dispose none -size 48x36 xc:'#203040' -fill yellow -draw 'circle 24,18 24,4' \
  -dispose background \( -size 20x16 xc:none -fill red -draw 'rectangle 2,2 12,10' -repage +5+6 \) \
  -dispose previous \( -size 30x10 xc:none -fill lime -draw 'circle 15,5 15,1' -repage +10+20 \) \
  -dispose none \( -size 16x16 gradient:blue-white -repage +40+28 \) \
  \( -size 12x12 xc:none -fill magenta -draw 'rectangle 0,0 5,5' -repage +30+2 \) -interlace GIF mixed-frames.gif
