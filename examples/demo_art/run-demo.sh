#!/bin/sh
# The demo: draws the sample image, runs the module's two operations on it
# through veil, and lays the results out on one labelled sheet.
#   run-demo.sh BUILD_DIR OUT_DIR
set -eu
build=$1
out=$2
mkdir -p "$out"
veil="$build/veil"
colour="#e8a33c"      # the fill colour: amber
ring="--at -36,0"     # the seed: inside the ring, left of the centre

"$build/demo-art" sample "$out/sample.png"
echo "$out/sample.png: the input, shapes with soft alpha edges"

printf '%s: ' "$out/fill-opaque.png"
# shellcheck disable=SC2086
"$veil" fill "$out/sample.png" "$out/fill-opaque.png" --color "$colour" $ring \
  --threshold 128

printf '%s: ' "$out/fill-soft.png"
# shellcheck disable=SC2086
"$veil" fill "$out/sample.png" "$out/fill-soft.png" --color "$colour" $ring \
  --threshold 200 --soft --strength 1

"$veil" alpha "$out/sample.png" "$out/alpha-average.png" --source average
echo "$out/alpha-average.png: alpha from the average of red, green and blue"

"$build/demo-art" sheet "$out/demo.png" \
  "BEFORE=$out/sample.png" \
  "OPAQUE FILL (128)=$out/fill-opaque.png" \
  "SOFT FILL (200)=$out/fill-soft.png" \
  "AVERAGE TO ALPHA=$out/alpha-average.png"
echo "$out/demo.png: before and after, side by side"
