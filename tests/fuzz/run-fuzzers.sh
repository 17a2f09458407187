#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a number of seconds, one
# after the other, and fails on the first crash, leak, timeout or excess of
# memory. Inputs found go to BUILD/fuzz-corpus/<target>, failing inputs to
# BUILD/fuzz-artifacts/<target>/ (copy them to tests/crashers/<target>/).
#   run-fuzzers.sh BUILD SECONDS [TARGET...]
set -euo pipefail
build=$1
seconds=$2
shift 2
here="$(cd "$(dirname "$0")" && pwd)"
crashers="$here/../crashers"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(exports bitmap decoders reader)

# One input may take this long and this much memory; more is a finding.
timeout_seconds=${FUZZ_TIMEOUT:-10}
rss_limit_mb=${FUZZ_RSS_MB:-2048}

max_len_of() {
  case $1 in
    decoders) echo 4096 ;;
    bitmap) echo 16384 ;;
    *) echo 65536 ;;
  esac
}

for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  mkdir -p "$crashers/$target"
  echo "fuzz: $target for ${seconds}s"
  status=0
  "$build/tests/fuzz/bcx_fuzz_$target" \
    -max_total_time="$seconds" -timeout="$timeout_seconds" -rss_limit_mb="$rss_limit_mb" \
    -max_len="$(max_len_of "$target")" -print_final_stats=1 -report_slow_units=2 \
    -artifact_prefix="$artifacts" \
    "$corpus" "$here/seeds/$target" "$crashers/$target" \
    >"$build/fuzz-$target.log" 2>&1 || status=$?
  grep -E '^(#[0-9]+.*(DONE|cov:))|stat::number_of_executed_units|stat::peak_rss_mb' \
    "$build/fuzz-$target.log" | tail -3
  if [ $status -ne 0 ]; then
    echo "fuzz: $target failed (exit $status); see $build/fuzz-$target.log"
    grep -E 'ERROR|SUMMARY|Test unit written' "$build/fuzz-$target.log" | head -10
    exit 1
  fi
done
echo "fuzz: ${#targets[@]} targets, no failure"
