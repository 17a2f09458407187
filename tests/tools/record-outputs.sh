#!/bin/sh
# Records what a bcxscan build prints for a fixed set of inputs, so that two
# builds (or two modes of one build) can be compared with diff -r:
#
#   tests/tools/record-outputs.sh OLD/bcxscan /tmp/before
#   tests/tools/record-outputs.sh build/tools/bcxscan /tmp/after --exact
#   diff -r /tmp/before /tmp/after
#
# Every OPTION after OUTDIR goes in front of each run's own arguments. Each
# case leaves NAME.out, NAME.err and NAME.rc in OUTDIR; milliseconds in
# --stats lines become "N" because they differ from run to run, and the
# annotated pictures are listed by checksum. Images are made afresh with zint
# and the samples copied in OUTDIR/images, and named relative to it, so that
# runs from other trees or into other folders compare equal.
# File lists and OPTIONs are split at spaces on purpose; no name here has one.
# shellcheck disable=SC2086
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 BCXSCAN OUTDIR [OPTION...]" >&2
  exit 2
fi
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$2
shift 2
samples=$(cd "$(dirname "$0")/../../samples" && pwd)
zint=${ZINT:-zint}

rm -rf "$out"
mkdir -p "$out/images"
images=$out/images
cd "$images"

image() {  # NAME ZINT-ARGS...
  name=$1
  shift
  "$zint" --notext --whitesp=10 --vwhitesp=10 "$@" -o "$name" >/dev/null
}
image code128.png -b 20 -d 'BCX-128'
image code39.png -b 8 -d 'CODE-39'
image ean13.png -b 13 -d '590123412345'
image upca.png -b 34 -d '03600029145'
image itf.png -b 3 -d '1234567890'
image gs1.png -b 16 -d '[01]12345678901231'
image special.png -b 20 --esc -d 'A\tB\\C'
image rotated.png -b 20 --rotate=90 -d 'TURNED'
image grey.png -b 20 --fg=888888 -d 'GREY-128'
image code128.bmp -b 20 -d 'BMP-128'
image code39.gif -b 8 -d 'GIF-39'
image code128.tif -b 20 -d 'TIF-128'
mkdir samples
cp "$samples"/*.png "$samples"/*.tif samples/
cp samples/three-pages.tif pages.tif
printf 'this is no image\n' >notimage.txt
: >empty.png
head -c 100 code128.png >truncated.png
head -c 300 pages.tif >truncated.tif
printf 'II*\000garbage that is no tiff' >fake.tif
printf 'GIF89agarbage' >fake.gif
# Eight bytes of 0xFF at these offsets of the sample spoil page 1 alone and
# pages 1 and 2, while the pages can still be counted.
spoil() {  # NAME OFFSET
  cp pages.tif "$1"
  printf '\377\377\377\377\377\377\377\377' | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
spoil broken-page1.tif 2418
spoil broken-pages.tif 2442
mkdir folder.png
long=$(printf 'd%.0s' $(seq 1 160))
mkdir "$long"
cp code128.png "$long/code128.png"
cp pages.tif "$long/pages.tif"

# Runs the program in the images folder: NAME STDIN ARGS...
run() {
  name=$1
  input=$2
  shift 2
  status=0
  "$program" "$@" <"$input" >"$out/$name.out" 2>"$out/$name.err.raw" || status=$?
  echo "$status" >"$out/$name.rc"
  sed -E 's/(load|scan|total) [0-9]+\.[0-9]+ ms/\1 N ms/g' "$out/$name.err.raw" >"$out/$name.err"
  rm "$out/$name.err.raw"
}
each() {  # NAME STDIN ARGS..., with the recorded OPTIONs in front
  name=$1
  input=$2
  shift 2
  run "$name" "$input" ${OPTIONS} "$@"
}
OPTIONS="$*"

zinted="code128.png code39.png ean13.png upca.png itf.png gs1.png special.png rotated.png
grey.png code128.bmp code39.gif code128.tif pages.tif"
all_samples=$(ls samples/*.png samples/*.tif)

for format in text tsv json; do
  each "samples-$format" /dev/null -f "$format" $all_samples
  each "zint-$format" /dev/null -f "$format" $zinted
  each "stats-$format" /dev/null --stats -f "$format" $all_samples $zinted
done
for sample in $all_samples; do
  each "sample-$(basename "$sample")" /dev/null -f tsv "$sample"
done
for page in 0 1 2 3 all; do
  each "page-$page" /dev/null -f tsv --stats -p "$page" pages.tif code128.png
  each "page-$page-sample" /dev/null -f tsv -p "$page" samples/three-pages.tif
done
for type in code39 code128 gs1-128 ean13 ean8 upca upce itf all code128,gs1-128 ITF,EAN13; do
  each "types-$type" /dev/null -f tsv -t "$type" $all_samples $zinted
done
for level in 1 64 128 200 255 otsu adaptive; do
  each "threshold-$level" /dev/null -f tsv -T "$level" $all_samples grey.png
done
for limits in 10,0.5,8 5,1,2 20,0.5,10 8,3,4 100,0.1,100; do
  each "limits-$limits" /dev/null -f tsv -l "$limits" $all_samples code128.png
done
each region-inside /dev/null -f tsv --stats -r 0,0,150,100 code128.png pages.tif
each region-whole /dev/null -f tsv -r 0,0,263,139 code128.png
each region-outside /dev/null -f tsv --stats -r 0,0,5000,10 code128.png pages.tif code39.png
each region-huge /dev/null -f tsv --stats -r 0,0,65535,65535 code128.png pages.tif
each region-one-page /dev/null -f tsv --stats -p 1 -r 0,0,5000,10 pages.tif
each region-unreadable /dev/null -r 0,0,10,10 notimage.txt empty.png
each stdin-png code128.png -f tsv --stats -
each stdin-tif pages.tif -f tsv --stats -
each stdin-tif-page pages.tif -f tsv -p 2 -
each stdin-tif-nopage pages.tif -f tsv -p 7 -
each stdin-empty /dev/null -
each stdin-text notimage.txt -
each stdin-region code128.png -r 0,0,5000,10 -
each long-path /dev/null -f tsv --stats "$long/code128.png" "$long/pages.tif"
each long-path-page /dev/null -f tsv -p 1 "$long/pages.tif"
each missing /dev/null missing.png code128.png
each notimage /dev/null notimage.txt
each empty /dev/null empty.png
each folder /dev/null folder.png
each truncated /dev/null truncated.png truncated.tif fake.tif fake.gif
each truncated-stats /dev/null --stats truncated.png truncated.tif fake.tif fake.gif
each broken /dev/null -f tsv --stats broken-page1.tif broken-pages.tif
each broken-page /dev/null -f tsv --stats -p 1 broken-page1.tif broken-pages.tif
each broken-page-2 /dev/null -f tsv --stats -p 2 broken-page1.tif broken-pages.tif
each broken-region /dev/null -f tsv --stats -r 0,0,5000,10 broken-pages.tif
each broken-region-fits /dev/null -f tsv -r 0,0,200,100 broken-page1.tif
each broken-stdin broken-pages.tif -f tsv --stats -
each broken-stdin-page broken-page1.tif -f tsv -p 1 -
each page-of-garbage /dev/null -p 1 notimage.txt empty.png truncated.png fake.tif
each page-of-single /dev/null -p 1 code128.png
each quiet /dev/null -q code128.png missing.png
each quiet-nothing /dev/null -q samples/no-barcode.png
each mixed /dev/null code128.png missing.png notimage.txt pages.tif
each annotate-one /dev/null -f tsv -a one.png code128.png
each annotate-pages /dev/null -f tsv -a pages-out.png pages.tif
each annotate-folder code128.png -f tsv -a pictures code128.png pages.tif code39.gif -
each annotate-long /dev/null -f tsv -a long-out/ "$long/pages.tif"
each bad-type /dev/null -t qr code128.png
each bad-page /dev/null -p -1 code128.png
each bad-region /dev/null -r 10,0,5,5 code128.png
each bad-threshold /dev/null -T 0 code128.png
each bad-limits /dev/null -l 10,2,1 code128.png
each bad-format /dev/null -f xml code128.png
each no-input /dev/null
run version /dev/null --version
(cd "$images" && find one.png pages-out*.png pictures long-out -type f | sort | xargs md5sum) \
  >"$out/annotated.md5"
rm -rf "$images"
