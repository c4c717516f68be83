#!/bin/sh
# drevlin-convert batch: shards cover every job exactly once, finished jobs
# are skipped when run again (and redone when their input changes), a run
# killed midway completes on the next run without redoing finished jobs, and
# folders, bad lines and bad usage are handled.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
count() { grep -c "\"status\":\"$1\"" "$2"; }
cd "$tmp" || exit 1

mkdir in
i=1
while [ $i -le 12 ]; do
  printf 'document %d\nsecond line\n' $i > in/t$i.txt
  "$prog" text-to-pdf in/t$i.txt -o in/d$i.pdf -q || fail "cannot make d$i.pdf"
  echo "{\"command\":\"pdf-to-text\",\"input\":\"in/d$i.pdf\",\"output\":\"out/d$i.txt\"}" >> jobs.jsonl
  i=$((i + 1))
done

# Three shards run one after another take every job once.
for k in 0 1 2; do
  "$prog" batch jobs.jsonl --shard $k/3 -j 2 -q >> shards.out || fail "shard $k/3 failed"
done
[ "$(count done shards.out)" = 12 ] || fail "shards did $(count done shards.out) of 12 jobs"
[ "$(grep -o '"input":"[^"]*"' shards.out | sort -u | wc -l)" = 12 ] || fail "a job ran twice or never"
grep -q "document 7" out/d7.txt || fail "out/d7.txt lacks its text"

# Run again: everything is skipped; change one input and only it is redone.
"$prog" batch jobs.jsonl -q > again.out || fail "second run failed"
[ "$(count skipped again.out)" = 12 ] || fail "second run redid jobs: $(cat again.out)"
printf 'changed\n' > in/t3.txt
"$prog" text-to-pdf in/t3.txt -o in/d3.pdf -q
"$prog" batch jobs.jsonl -q > changed.out || fail "third run failed"
[ "$(count done changed.out)" = 1 ] && grep -q changed out/d3.txt || fail "a changed input was not redone"

# A run killed midway leaves no half outputs, and the next run finishes the
# rest without redoing what was done.
i=1
while [ $i -le 12 ]; do
  echo "{\"command\":\"pdf-to-images\",\"input\":\"in/d$i.pdf\",\"output\":\"big/p$i.png\",\"options\":[\"-r\",\"400\"]}" >> big.jsonl
  i=$((i + 1))
done
"$prog" batch big.jsonl -j 1 -q > killed.out &
pid=$!
n=0
while [ "$(ls -A big 2>/dev/null | grep -c drevlin-done)" -lt 2 ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n + 1)); done
kill -9 $pid 2> /dev/null
wait $pid 2> /dev/null
finished=$(ls -A big | grep -c drevlin-done)
"$prog" batch big.jsonl -j 2 -q > rerun.out || fail "rerun after a kill failed"
[ "$(count skipped rerun.out)" = "$finished" ] || fail "rerun skipped $(count skipped rerun.out), $finished were done"
[ "$(count done rerun.out)" = $((12 - finished)) ] || fail "rerun did not finish the rest"
[ "$(ls big | grep -c '\.png$')" = 12 ] || fail "pages missing after the rerun: $(ls big)"
[ -z "$(ls -A big | grep drevlin-tmp)" ] || fail "a workspace was left behind"

# A folder and a command: outputs mirror the folder.
mkdir -p tree/sub && cp in/d1.pdf tree/a.pdf && cp in/d2.pdf tree/sub/b.PDF && cp in/t1.txt tree/c.txt
"$prog" batch tree --command pdf-to-text -O fromtree -q > tree.out || fail "folder batch failed"
[ -f fromtree/a.txt ] && [ -f fromtree/sub/b.txt ] && [ "$(count done tree.out)" = 2 ] || fail "folder batch: $(cat tree.out)"

# A bad line and a failing job make the exit status 1; the rest still runs.
printf '%s\n' 'not json' '{"command":"pdf-to-text","input":"nothing.pdf","output":"bad/x.txt"}' \
  '{"command":"pdf-to-text","input":"in/d1.pdf","output":"bad/ok.txt"}' > bad.jsonl
"$prog" batch bad.jsonl -q > bad.out 2> bad.err; rc=$?
[ $rc = 1 ] || fail "bad jobs exit $rc"
grep -q "line 1" bad.err && [ "$(count failed bad.out)" = 1 ] && [ "$(count done bad.out)" = 1 ] || fail "bad jobs: $(cat bad.out bad.err)"

# Usage errors exit 2.
for args in "jobs.jsonl --shard 3/3" "jobs.jsonl --shard x" "tree" "jobs.jsonl -o x"; do
  # shellcheck disable=SC2086
  "$prog" batch $args > /dev/null 2>&1; rc=$?
  [ $rc = 2 ] || fail "batch $args exits $rc"
done
echo "batch: ok"
