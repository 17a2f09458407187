#!/usr/bin/env bash
# Checks a cross-built pair of DLLs from their tables alone, without running
# them:
#   - Bcxdec.dll exports exactly its 17 names at their ordinals (10 and 16
#     unassigned), Rastra.dll exactly its 11 operations at 2 to 12;
#   - each export is the function its name says; on i686 the stdcall symbol
#     whose decoration is the argument bytes the header gives it;
#   - Bcxdec.dll imports Rastra.dll by ordinal only, 2 to 12, and nothing
#     but system DLLs otherwise (the runtimes are linked in), among them
#     the three display functions.
#   check-dlls.sh BUILD_DIR i686|x86_64
set -euo pipefail
dir=$1
arch=$2
objdump=$arch-w64-mingw32-objdump
nm=$arch-w64-mingw32-nm
failed=0

fail() {
  echo "check-dlls ($arch): $*"
  failed=1
}

# ordinal name argument-bytes
bcxdec_exports="1 BcxGetCount 0
2 BcxGetType 4
3 BcxGetStrLen 4
4 BcxGetCharAt 8
5 BcxGetRect 20
6 BcxLoadFromFile 8
7 BcxGetNumOfPages 0
8 BcxSetPage 4
9 BcxSetRegion 16
11 BcxSetThreshold 4
12 BcxSetLimit 24
13 BcxScanType 8
14 BcxInit 0
15 BcxScan 0
17 BcxLoadFromMem 12
18 BcxCleanUp 0
19 BcxGetImgSize 8"
rastra_exports="2 ReleaseImage 0
3 LoadMemory 12
4 LoadFile 8
5 GetSize 8
6 GetBinaryPixels 4
7 CountFilePages 8
8 SelectFilePage 4
9 SetRegion 16
10 SetThreshold 4
11 CountMemoryPages 12
12 SelectMemoryPage 16"

# "ordinal name rva" for every export, from objdump's two tables: the
# address table by ordinal, the name table by index from the ordinal base.
exports_of() {
  "$objdump" -p "$1" | awk '
    /^Export Address Table -- Ordinal Base/ { section = "addr"; next }
    /^\[Ordinal\/Name Pointer\] Table/ { section = "name"; next }
    /^$/ { section = "" }
    section == "addr" && /\+base\[/ {
      match($0, /\+base\[ *[0-9]+\]/); ord = substr($0, RSTART + 6, RLENGTH - 7) + 0
      rva[ord] = $(NF - 2)
    }
    section == "name" && /^\t\[/ {
      match($0, /\[ *[0-9]+\]/); index_ = substr($0, RSTART + 1, RLENGTH - 2) + 0
      name[index_] = $NF
    }
    /^Ordinal Base/ { base = $NF + 0 }
    END { for (i in name) print i + base, name[i], rva[i + base] }' | sort -n
}

image_base() {
  "$objdump" -p "$1" | awk '/^ImageBase/ { print $2 }'
}

check_exports() {
  local dll=$1 expected=$2
  local actual want
  actual=$(exports_of "$dll" | awk '{ print $1, $2 }')
  want=$(echo "$expected" | awk '{ print $1, $2 }')
  if [ "$actual" != "$want" ]; then
    fail "$(basename "$dll") exports"
    diff <(echo "$want") <(echo "$actual") | sed 's/^/  /' || true
    return
  fi
  # Each export's address is that of the symbol it stands for.
  local base symbols
  base=$(image_base "$dll")
  symbols=$("$nm" "$dll")
  while read -r ord name bytes; do
    local rva symbol address
    rva=$(exports_of "$dll" | awk -v o="$ord" '$1 == o { print $3 }')
    if [ "$arch" = i686 ]; then symbol="_$name@$bytes"; else symbol=$name; fi
    address=$(echo "$symbols" | awk -v s="$symbol" '$3 == s && $2 == "T" { print $1 }')
    if [ -z "$address" ]; then
      fail "$(basename "$dll"): no function $symbol behind export $name"
    elif [ $((16#$address)) -ne $((16#$base + 16#$rva)) ]; then
      fail "$(basename "$dll"): export $name @$ord is not $symbol"
    fi
  done <<<"$expected"
}

# "dll ordinal-or-name" for every import of a DLL.
imports_of() {
  # An import by ordinal has the top bit of its entry set and the ordinal
  # in the low 16 bits.
  "$objdump" -p "$1" | awk '
    function hex(s,   i, v) {
      v = 0
      for (i = 1; i <= length(s); ++i) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
      return v
    }
    /DLL Name:/ { dll = toupper($3); next }
    /^$/ { if (dll != "" && seen) dll = ""; seen = 0 }
    dll != "" && /^\t[0-9a-f]+\t/ {
      seen = 1
      if (NF == 3 && $3 == "<none>" && substr($1, 1, 1) == "8") print dll, "#" hex(substr($1, length($1) - 3))
      else print dll, $3
    }'
}

check_imports() {
  local dll=$1 allowed=$2
  local imports
  imports=$(imports_of "$dll")
  local others
  others=$(echo "$imports" | awk '{ print $1 }' | sort -u | grep -vxE "$allowed" || true)
  [ -z "$others" ] || fail "$(basename "$dll") needs DLLs beyond the system's: $others"
}

check_exports "$dir/Bcxdec.dll" "$bcxdec_exports"
check_exports "$dir/Rastra.dll" "$rastra_exports"

imports=$(imports_of "$dir/Bcxdec.dll")
rastra=$(echo "$imports" | awk '$1 == "RASTRA.DLL" { print $2 }' | sort -t '#' -k 2 -n)
want=$(seq 2 12 | sed 's/^/#/')
if [ "$rastra" != "$want" ]; then
  fail "Bcxdec.dll must import Rastra.dll ordinals 2 to 12 and no name; it imports:"
  echo "$rastra" | tr '\n' ' ' | sed 's/^/  /'
  echo
fi
for f in "USER32.DLL GetDC" "GDI32.DLL GetDeviceCaps" "USER32.DLL ReleaseDC"; do
  echo "$imports" | grep -qx "$f" || fail "Bcxdec.dll does not import ${f#* } from ${f% *}"
done
check_imports "$dir/Bcxdec.dll" "KERNEL32.DLL|MSVCRT.DLL|USER32.DLL|GDI32.DLL|RASTRA.DLL"
check_imports "$dir/Rastra.dll" "KERNEL32.DLL|MSVCRT.DLL|OLE32.DLL|OLEAUT32.DLL"

if [ "$failed" -ne 0 ]; then exit 1; fi
echo "check-dlls ($arch): Bcxdec.dll 17 exports at their ordinals, Rastra.dll 11 at 2-12," \
  "$([ "$arch" = i686 ] && echo "stdcall decorations as the arguments, ")Rastra.dll imported by ordinal only"
