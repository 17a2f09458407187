#!/usr/bin/env bash
# Compiles the README's C# P/Invoke class with mono's mcs, so that the
# sample a host copies at least builds.
#   compile-readme-csharp.sh README.md OUT_DIR
set -euo pipefail
readme=$1
out=$2
if ! command -v mcs >/dev/null; then
  echo "compile-readme-csharp: skipped, mcs is not installed (scripts/install-deps installs mono-mcs)"
  exit 0
fi
mkdir -p "$out"
awk '/^```csharp$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$readme" >"$out/Bcxdec.cs"
[ -s "$out/Bcxdec.cs" ] || { echo "compile-readme-csharp: no C# block in $readme"; exit 1; }
mcs -nologo -warnaserror -target:library -out:"$out/Bcxdec.Interop.dll" "$out/Bcxdec.cs"
echo "compile-readme-csharp: the README's C# class compiles"
