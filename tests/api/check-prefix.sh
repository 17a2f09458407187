#!/usr/bin/env bash
# Every dynamic symbol a shared library defines must carry its prefix, so
# that nothing lands unprefixed in a host's namespace.
# Usage: check-prefix.sh LIBRARY PREFIX
set -euo pipefail
symbols=$(nm -D --defined-only "$1" | awk '{print $3}')
[ -n "$symbols" ] || { echo "$1 defines no symbols"; exit 1; }
stray=$(echo "$symbols" | grep -v "^$2" || true)
if [ -n "$stray" ]; then
  echo "exported without the prefix $2:"
  echo "$stray"
  exit 1
fi
echo "$(echo "$symbols" | wc -l) symbols, all starting with $2"
