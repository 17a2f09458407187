#!/usr/bin/env bash
# Runs the host of the exported calls natively and, cross-built against the
# x64 DLLs, under wine64, each in a scratch folder of its own, and fails
# unless the two transcripts are equal byte for byte (every result's type,
# text and corners, every refusal) and read every symbol samples/ holds.
#   run-under-wine.sh NATIVE_HOST WIN64_BUILD_DIR SAMPLES_DIR
set -euo pipefail
native=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
win64=$(cd "$2" && pwd)
samples=$(cd "$3" && pwd)

wine=$(command -v wine64 || true)
[ -n "$wine" ] || [ ! -x /usr/lib/wine/wine64 ] || wine=/usr/lib/wine/wine64
if [ -z "$wine" ]; then
  echo "run-under-wine: skipped, wine64 is not installed (scripts/install-deps installs it)"
  exit 0
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/native" "$scratch/wine"
inputs=("$samples"/*.png "$samples"/*.tif)

# The samples again in the other formats both providers read, made by
# Pillow (python3-pil), so that the system's codecs meet libpng's,
# libjpeg-turbo's, giflib's and Leptonica's on the same pixels.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
mkdir "$scratch/formats"
if "$python" - "$scratch/formats" "${inputs[@]}" <<'PY'; then
import os, sys
from PIL import Image
out = sys.argv[1]
pngs = [p for p in sys.argv[2:] if p.endswith(".png")]
for path in pngs:
    name = os.path.join(out, os.path.basename(path)[:-4])
    image = Image.open(path)
    image.convert("L").save(name + ".bmp")
    image.convert("P").save(name + ".gif")
    image.convert("L").save(name + "-grey.jpg", quality=92)
    image.convert("RGB").save(name + ".jpg", quality=92)
    image.convert("RGB").save(name + "-rgb.tif", compression="tiff_lzw")
# Two frames, the second cropped to where it differs, the first disposed of.
first = Image.open([p for p in pngs if p.endswith("/code39.png")][0]).convert("L")
second = Image.open([p for p in pngs if p.endswith("/ean8.png")][0]).convert("L")
first.save(os.path.join(out, "frames.gif"), save_all=True,
           append_images=[second.resize(first.size)], disposal=[0, 2])
PY
  inputs+=("$scratch/formats"/*)
else
  echo "run-under-wine: Pillow is missing (scripts/install-deps installs python3-pil): samples only"
fi

(cd "$scratch/native" && "$native" "${inputs[@]}" >transcript)

# A prefix of its own beside the DLLs, made on the first run; no window,
# no offer to install .NET or a browser engine.
export WINEPREFIX=$win64/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# The screen's resolution, which turns the bar lengths in centimetres into
# pixels, is wine's default 96 pixels per inch unless the check at the end
# set another and was cut short.
desktop='HKCU\Control Panel\Desktop'
"$wine" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true
# Wine sees the Unix paths of the samples as paths on its drive Z:.
(cd "$scratch/wine" && "$wine" "$win64/bcx_dll_host.exe" "${inputs[@]}" >transcript 2>"$scratch/wine.err") || {
  echo "run-under-wine: bcx_dll_host.exe failed under wine64:"
  cat "$scratch/wine.err"
  exit 1
}

if ! cmp -s "$scratch/native/transcript" "$scratch/wine/transcript"; then
  echo "run-under-wine: the x64 DLLs under wine64 differ from the native build:"
  diff -u "$scratch/native/transcript" "$scratch/wine/transcript" | head -40
  exit 1
fi
# Equal and empty would prove nothing: every sample's symbols are there.
missing=0
while IFS=$'\t' read -r file _ _ text; do
  [ "$file" = file ] && continue
  grep -qF "text $text rect" "$scratch/native/transcript" || {
    echo "run-under-wine: $file: '$text' not read"
    missing=1
  }
done <"$samples/EXPECTED.tsv"
[ "$missing" -eq 0 ] || exit 1
# The DLL asks the display: at 480 pixels per inch the shortest bar is
# trunc(480 x 0.5 / 2.54) = 94 pixels, longer than the 74 of code39.png's.
"$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 480 /f >/dev/null
(cd "$scratch/wine" && "$wine" "$win64/bcx_dll_host.exe" "$samples/code39.png" >dpi 2>/dev/null) || true
"$wine" reg delete "$desktop" /v LogPixels /f >/dev/null
if ! grep -A3 '^code39.png file' "$scratch/wine/dpi" | grep -qx '  count 0'; then
  echo "run-under-wine: at 480 pixels per inch code39.png still reads: the screen's resolution is not used"
  exit 1
fi
echo "run-under-wine: x64 DLLs under wine64 equal the native build," \
  "$(wc -l <"$scratch/native/transcript") lines, $(grep -c ' type [0-9]* len ' "$scratch/native/transcript") symbols"
