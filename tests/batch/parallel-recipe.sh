#!/usr/bin/env bash
# Runs the README's recipes for reading many files with GNU parallel: over
# local jobs, and over two hosts whose ssh is a stand-in that runs every
# command on this machine, so that parallel's transfers, work folders and
# clean-up are real. What they gather, sorted, must equal one bcxscan run;
# a run resumed from the joblog of an interrupted one must read the rest.
#
# Usage: parallel-recipe.sh BCXSCAN ZINT SAMPLES_DIR
# Exit status 77 (skipped) when parallel is missing.
set -euo pipefail

bcxscan=$(realpath "$1")
zint=$2
samples=$(realpath "$3")

if ! command -v parallel >/dev/null; then
  echo "GNU parallel is not installed (scripts/install-deps installs it)"
  exit 77
fi

work=$(mktemp -d /tmp/bcx-batch-XXXXXX)
trap 'rm -rf "$work"' EXIT
# parallel keeps its state, and the stand-in hosts their work folders, here.
export HOME=$work/home
mkdir -p "$HOME/.parallel"
touch "$HOME/.parallel/will-cite"
# bcxscan is found on the PATH, as it would be on the hosts.
mkdir "$work/bin"
ln -s "$bcxscan" "$work/bin/bcxscan"
export PATH=$work/bin:$PATH
# parallel quotes the command for the remote shell that $SHELL names, and
# with it unset (as under a bare CI runner) sends nothing a host can run;
# a login session always has it.
export SHELL=${SHELL:-$(command -v bash)}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# The stand-in takes ssh's options and the host off and runs the command in
# $HOME, as ssh does on the host. A control master (-M) only has to last as
# long as parallel.
cat >"$work/ssh" <<'EOF'
#!/bin/sh
master=no
while [ $# -gt 0 ]; do
  case "$1" in
    -M*) master=yes; shift ;;
    -[1246AaCfGgKkNnqsTtVvXxYy]*) shift ;;
    -*) shift 2 ;;
    *) break ;;
  esac
done
shift
[ "${1-}" = "--" ] && shift
if [ "$master" = yes ]; then
  while kill -0 "$PPID" 2>/dev/null; do sleep 0.2; done
  exit 0
fi
cd "$HOME" && exec sh -c "$*"
EOF
chmod +x "$work/ssh"

# A folder tree: the samples, zint-made symbols, names with spaces, a
# multi-page TIFF and files that are no images.
tree=$work/photos
mkdir -p "$tree/2023/march" "$tree/2024/with space" "$tree/misc"
cp "$samples"/*.png "$tree/2023/march/"
cp "$samples/three-pages.tif" "$tree/2024/with space/three pages.tif"
make_symbol() {
  "$zint" --notext --whitesp=10 --vwhitesp=10 "${@:2}" -o "$tree/$1" >/dev/null
}
make_symbol "2024/with space/code 128.png" --barcode=20 -d 'BATCH 128'
make_symbol "2024/ean13-90.png" --barcode=13 --rotate=90 -d '590123412345'
make_symbol "2024/itf.png" --barcode=3 -d '12345678'
make_symbol "misc/code39-180.png" --barcode=8 --rotate=180 -d 'BATCH-39'
for i in 1 2 3 4 5 6; do
  make_symbol "misc/series-$i.png" --barcode=20 -d "SERIES-$i"
done
printf 'this is no image\n' >"$tree/misc/notes.png"
: >"$tree/misc/empty.tif"
unreadable=2

cd "$tree"
find . -type f \( -name '*.png' -o -name '*.tif' \) -print0 >"$work/files.list"
mapfile -d '' files <"$work/files.list"
count=${#files[@]}

status=0
bcxscan -j 1 -f json "${files[@]}" >"$work/one-run.jsonl" 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "one run: exit $status, not 2 for the unreadable files"
sort "$work/one-run.jsonl" >"$work/expected.jsonl"
lines=$(wc -l <"$work/expected.jsonl")
[ "$lines" -ge 20 ] || fail "one run read only $lines symbols"
grep -q '"file":"./2024/with space/three pages.tif","page":2,' "$work/expected.jsonl" ||
  fail "one run missed the TIFF's last page"
# Nothing below means anything without a reference.
[ "$failures" -eq 0 ] || exit 1

same_as_one_run() {
  if sort -u "$2" | cmp -s - "$work/expected.jsonl"; then
    pass "$1: $(wc -l <"$2") lines, sorted, equal one run's $lines"
  else
    fail "$1 differs from one run:"
    sort -u "$2" | diff "$work/expected.jsonl" - | head -20
  fi
}

# Sequence numbers that a joblog lists, one a line, sorted.
logged() { tail -n +2 "$1" | cut -f1 | sort -n; }

# The command the README gives; a file without symbols counts as done, so
# parallel's exit status counts the files that could not be read.
scan='bcxscan -f json {}; [ $? -le 1 ]'

# Local jobs.
status=0
parallel -0 -a "$work/files.list" --joblog "$work/local.log" "$scan" \
  >"$work/local.jsonl" 2>"$work/local.err" || status=$?
[ "$status" -eq "$unreadable" ] || fail "local jobs: parallel exit $status, not $unreadable"
same_as_one_run "local jobs" "$work/local.jsonl"
[ "$(logged "$work/local.log" | tr '\n' ' ')" = "$(seq -s ' ' 1 "$count") " ] ||
  fail "local joblog does not list every file once"

# Only the files that could not be read count as failed, so that
# --resume-failed runs just those again.
before=$(logged "$work/local.log" | wc -l)
parallel -0 -a "$work/files.list" --joblog "$work/local.log" --resume-failed "$scan" \
  >"$work/again.jsonl" 2>/dev/null || true
again=$(($(logged "$work/local.log" | wc -l) - before))
if [ "$again" -eq "$unreadable" ] && [ ! -s "$work/again.jsonl" ]; then
  pass "--resume-failed ran the $unreadable unreadable files again, and no other"
else
  fail "--resume-failed ran $again jobs again, not the $unreadable unreadable files"
fi

# Two hosts through the stand-in ssh: files go over by rsync into work
# folders that --cleanup removes.
if command -v rsync >/dev/null; then
  status=0
  parallel -0 -a "$work/files.list" --joblog "$work/hosts.log" -M --ssh "$work/ssh" \
    --sshlogin host1,host2 --workdir ... --transferfile {} --cleanup "$scan" \
    >"$work/hosts.jsonl" 2>"$work/hosts.err" || status=$?
  [ "$status" -eq "$unreadable" ] || {
    fail "hosts: parallel exit $status, not $unreadable"
    head -5 "$work/hosts.err"
  }
  same_as_one_run "two hosts" "$work/hosts.jsonl"
  for host in host1 host2; do
    cut -f2 "$work/hosts.log" | grep -qx "$host" || fail "no job ran on $host"
  done
  left=$(find "$HOME/.parallel/tmp" -mindepth 1 -maxdepth 1 -type d ! -name sshlogin | wc -l)
  [ "$left" -eq 0 ] || fail "$left work folders left on the hosts"
  [ "$(logged "$work/hosts.log" | wc -l)" -eq "$count" ] || fail "hosts joblog misses jobs"
else
  echo "skipped: the hosts recipe needs rsync"
fi

# An interrupted run leaves a joblog of the jobs that ended and their
# output; the same command with --resume runs the others and appends.
first=$((count / 2))
head -z -n "$first" "$work/files.list" >"$work/first.list"
parallel -0 -a "$work/first.list" --joblog "$work/resume.log" "$scan" \
  >"$work/resumed.jsonl" 2>/dev/null || true
parallel -0 -a "$work/files.list" --joblog "$work/resume.log" --resume "$scan" \
  >"$work/rest.jsonl" 2>/dev/null || true
mapfile -d '' rest < <(tail -z -n +"$((first + 1))" "$work/files.list")
bcxscan -j 1 -f json "${rest[@]}" 2>/dev/null | sort >"$work/rest-expected.jsonl" || true
if sort "$work/rest.jsonl" | cmp -s - "$work/rest-expected.jsonl"; then
  pass "resumed run read the last $((count - first)) files and none before"
else
  fail "resumed run did not read exactly the files after the first $first"
fi
cat "$work/resumed.jsonl" "$work/rest.jsonl" >"$work/both.jsonl"
same_as_one_run "first part and resumed run" "$work/both.jsonl"
[ "$(logged "$work/resume.log" | tr '\n' ' ')" = "$(seq -s ' ' 1 "$count") " ] ||
  fail "joblog after resuming does not list every file once"

# A real interruption: parallel stopped while jobs run, whatever had ended.
: >"$work/stopped.jsonl"
parallel -0 -j 2 -a "$work/files.list" --joblog "$work/stopped.log" "sleep 0.1; $scan" \
  >"$work/stopped.jsonl" 2>/dev/null &
runner=$!
for _ in $(seq 1 200); do
  [ "$(tail -n +2 "$work/stopped.log" 2>/dev/null | wc -l)" -ge 4 ] && break
  sleep 0.05
done
kill -TERM "$runner" 2>/dev/null || true
wait "$runner" 2>/dev/null || true
ended=$(logged "$work/stopped.log" | wc -l)
parallel -0 -j 2 -a "$work/files.list" --joblog "$work/stopped.log" --resume "sleep 0.1; $scan" \
  >>"$work/stopped.jsonl" 2>/dev/null || true
echo "interrupted after $ended of $count jobs"
same_as_one_run "interrupted and resumed run" "$work/stopped.jsonl"

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "every check passed"
