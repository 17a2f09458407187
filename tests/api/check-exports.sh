#!/usr/bin/env bash
# Compares the dynamic symbols a library defines with the interface's 17.
set -euo pipefail
expected="BcxCleanUp BcxGetCharAt BcxGetCount BcxGetImgSize BcxGetNumOfPages BcxGetRect
BcxGetStrLen BcxGetType BcxInit BcxLoadFromFile BcxLoadFromMem BcxScan BcxScanType
BcxSetLimit BcxSetPage BcxSetRegion BcxSetThreshold"
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
want=$(echo $expected | tr ' ' '\n' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$want" ]; then
  echo "exported: $actual"
  echo "expected: $want"
  exit 1
fi
echo "17 exports as expected"
