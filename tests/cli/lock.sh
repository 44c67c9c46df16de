#!/usr/bin/env bash
# Several programs on one program folder: the folder's lock keeps a compaction from losing another
# command's write or its own working file, and a killed holder blocks nobody.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$h"; db=$h/Kestrel.mdb
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1,1)"
for d in 20260105 20260106 20260107 20260108 20260109; do
    q "insert into dayData values (1301,$d,100,110,90,100,0,1000,100)"
done
complete() { [ -f "$db" ] || [ -f "$db.compacting" ] || [ -f "$h/Kestrel.old" ]; }
events() { q "select count(*) from Bunkatu"; }

# A compaction paused before each of its steps, with a split added, a chart drawn or a compaction
# started at offsets inside it: both may succeed only when the split is in Kestrel.mdb afterwards, and
# the database or its complete copy is there at every moment.
n=0
for offset in 0.02 0.12 0.25 0.4; do
    KESTREL_TEST_FILECARE_DELAY_MS=100 "$kestrel" --home "$h" --yes compact >/dev/null 2>"$t/ce" &
    cpid=$!
    sleep "$offset"
    complete || fail "no database nor copy at $offset"
    day=0$((6 + n)); n=$((n + 1))
    KESTREL_LOCK_WAIT_MS=2000 k --yes split add 1301 2026-01-$day 2 >/dev/null 2>"$t/se" && srec=0 || srec=$?
    k chart 1301 --date 2026-01-09 --list >/dev/null 2>"$t/he" || fail "chart beside a compaction: $(cat "$t/he")"
    wait "$cpid" && crc=0 || crc=$?
    complete || fail "no database nor copy after $offset"
    [ "$crc" = 0 ] || fail "compaction at $offset: $(cat "$t/ce")"
    [ "$srec" = 0 ] || fail "split add at $offset: $(cat "$t/se")"
    [ "$(q "select count(*) from Bunkatu where 日付=202601$day")" = 1 ] || fail "split added at $offset lost"
    [ "$(q 'select count(*) from dayData')" = 5 ] || fail "rows lost at $offset"
done

# An import of two days beside a compaction, at fixed and random offsets: it may report success only
# when both days are in Kestrel.mdb afterwards.
for offset in 0.02 0.2 "0.$((RANDOM % 50 + 10))" "0.$((RANDOM % 4))$((RANDOM % 10))"; do
    mkdir -p "$h/Data"
    for d in 13 14; do
        printf '202601%s\r\n1,Kestrel\r\n1301,0,極洋,100,120,95,1%s,2000\r\n' $d $d | sjis >"$h/Data/Ds202601.$d"
    done
    KESTREL_TEST_FILECARE_DELAY_MS=60 "$kestrel" --home "$h" --yes compact >/dev/null 2>&1 &
    cpid=$!
    sleep "$offset"
    complete || fail "no database nor copy at $offset before the import"
    KESTREL_LOCK_WAIT_MS=1500 k import-daily 2026-01-13 2026-01-14 >"$t/io" 2>&1 && irc=0 || irc=$?
    complete || fail "no database nor copy at $offset after the import"
    wait "$cpid" || true
    complete || fail "no database nor copy at $offset after the compaction"
    days=$(q "select count(*) from dayData where 日付 in (20260113,20260114) and 終値 = 日付 % 100 + 100")
    [ "$irc" != 0 ] || [ "$days" = 2 ] || fail "import at $offset succeeded with $days of 2 days: $(cat "$t/io")"
    q "delete from dayData where 日付 >= 20260113"
done

# Another program holding the folder: a command waits a little, names it and exits 6 (busy).
KESTREL_TEST_FILECARE_DELAY_MS=600 "$kestrel" --home "$h" --yes compact >/dev/null 2>&1 &
cpid=$!
sleep 0.2
out=$(KESTREL_LOCK_WAIT_MS=100 kerr split list) && fail "ran beside a compaction"
rc=$?; [ "$rc" = 6 ] || fail "busy exit $rc"
grep -q "kestrel (pid $cpid) が使用中です" <<<"$out" || fail "holder not named: $out"
wait "$cpid"
# A reader that is still there puts a compaction off, changing nothing.
python3 - "$h/Kestrel.lock" "$t/ready" <<'PY' &
import fcntl, os, struct, sys, time
fd = os.open(sys.argv[1], os.O_RDWR)
fcntl.fcntl(fd, fcntl.F_OFD_SETLK, struct.pack("hhqqi", fcntl.F_RDLCK, 0, 0, 0, 0))
os.write(fd, b"%d Plover\n" % os.getpid())
open(sys.argv[2], "w").close()
time.sleep(2)
PY
ppid=$!
pids+=("$ppid")
for _ in $(seq 100); do [ -e "$t/ready" ] && break; sleep 0.02; done
out=$(KESTREL_LOCK_WAIT_MS=100 kerr --yes compact) && fail "compacted beside a reader"
rc=$?; [ "$rc" = 6 ] && grep -q "Plover (pid $ppid)" <<<"$out" || fail "reader: exit $rc, $out"
# A holder killed outright blocks nobody: the next command goes on at once.
kill -9 "$ppid"; wait "$ppid" 2>/dev/null || true
KESTREL_LOCK_WAIT_MS=0 k --yes compact >/dev/null || fail "compaction after the reader was killed"
for step in open copy check keep-old replace done; do
    KESTREL_TEST_FILECARE_ABORT=$step "$kestrel" --home "$h" --yes compact >/dev/null 2>&1 && fail "no abort at $step"
    complete || fail "nothing left after a kill at $step"
    KESTREL_LOCK_WAIT_MS=0 k split list >/dev/null 2>"$t/e" || fail "after a kill at $step: $(cat "$t/e")"
    [ "$(events)" = 4 ] && [ "$(q 'select count(*) from dayData')" = 5 ] || fail "data lost by a kill at $step"
done

# A writer that ignores the lock and writes during the copy: the compaction starts again once, then
# gives up with the database as it was.
python3 - "$db" "$t/stop" "$t/writing" <<'PY' &
import os, sqlite3, sys, time
while not os.path.exists(sys.argv[2]):
    try:
        c = sqlite3.connect(sys.argv[1], timeout=5); c.execute("update Mei set 銘柄=銘柄||'x'"); c.commit(); c.close()
        open(sys.argv[3], "w").close()
    except sqlite3.Error:
        pass
    time.sleep(0.01)
PY
wpid=$!
pids+=("$wpid")
for _ in $(seq 200); do [ -e "$t/writing" ] && break; sleep 0.02; done
out=$(KESTREL_TEST_FILECARE_DELAY_MS=60 kerr --yes compact) && fail "compacted under a foreign writer"
rc=$?
touch "$t/stop"; wait "$wpid"
[ "$rc" = 6 ] && grep -q "元のまま" <<<"$out" || fail "foreign writer: exit $rc, $out"
[ -f "$db" ] && [ "$(events)" = 4 ] || fail "database changed by a compaction that gave up"

# Kestrel.mdb gone with Kestrel.old beside it: no command makes a new empty database in its place.
mv "$db" "$t/kept.mdb"
[ -f "$h/Kestrel.old" ] || cp "$t/kept.mdb" "$h/Kestrel.old"
out=$(kerr chart 1301) && fail "chart ran without a database"
grep -q "Kestrel.old に残っています" <<<"$out" || fail "missing database: $out"
[ -f "$db" ] && fail "an empty database was made"
k --yes restore --old >/dev/null || fail "restore from Kestrel.old"
[ "$(q 'select count(*) from dayData')" = 5 ] || fail "restored rows"

# Commands that only read leave no log nor index beside the database.
for cmd in "chart 1301 --date 2026-01-09" "export-csv 1301" "board list A" "split list" "check"; do
    k $cmd >/dev/null 2>&1 || true
    [ -e "$db-wal" ] || [ -e "$db-shm" ] && fail "$cmd left side files"
done
echo ok
