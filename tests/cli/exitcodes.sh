#!/usr/bin/env bash
# The exit statuses of kestrel tell the kinds of outcome apart: done, a question answered No, not
# found, invalid input, a database another program is writing to; --help lists them.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$h"; db=$h/Kestrel.mdb
k init >/dev/null
q "insert into dayData(コード,日付,終値) values (1301,20260105,100),(1301,20260112,100),(1301,20260119,100)"

# status EXPECTED WHAT ARGS...: runs kestrel and checks its exit status.
status() {
    local expected=$1 what=$2 rc=0
    shift 2
    k "$@" >"$t/out" 2>"$t/err" || rc=$?
    [ "$rc" = "$expected" ] || fail "$what: exit $rc, not $expected ($(cat "$t/err"))"
}

status 3 "delete range answered No" --no delete range 26/01/05 26/01/05
[ "$(q 'select count(*) from dayData')" = 3 ] || fail "deleted on No"
status 3 "compact answered No" --no compact
status 0 "delete range answered Yes" --yes delete range 26/01/05 26/01/05
[ "$(q 'select count(*) from dayData')" = 2 ] || fail "not deleted on Yes"
status 5 "an impossible date" --yes delete range 26/02/30 26/03/01
[ "$(cat "$t/err")" = "日付を入力して下さい。" ] || fail "bad date message: $(cat "$t/err")"
status 5 "a code that is not a number" --yes delete issue 13x1
status 4 "a missing board file" --yes board load A "$t/none.A"
status 4 "a missing ledger row" --yes ledger delete 99
# Each command's refusals, by kind.
status 5 "chart: not a date" chart 1301 --date 2026-02-30
status 4 "chart: no bar on or before the date" chart 1301 --date 2025-01-05
status 5 "split: a ratio of 1" split add 1301 2026-01-12 1
status 5 "split: not a date" split add 1301 26/13/01 2
status 4 "split: confirming no event" split confirm 1301 2026-01-12
status 0 "split: removing no event (already in place)" split remove 1301 2026-01-12
status 5 "import-daily: a reversed span" import-daily 2026-01-12 2026-01-05
status 5 "build-weekly: not a Monday" build-weekly 2026-01-06 2026-01-09
status 5 "recompute: not a date" recompute daily 2026-13-01
status 5 "fetch-jquants: not a date" fetch-jquants 2026-01-05 x
status 5 "fetch-jquants: a reversed span" fetch-jquants 2026-01-12 2026-01-05
status 5 "info: not a date" info rate 1 x
status 5 "board add: not a code" board add A x
status 4 "board add: an issue not in the master" board add A 9999
status 5 "ledger add: not a date" ledger add 1301 26/02/30 100 100
status 2 "wrong arguments" delete range 26/01/05
status 2 "an unknown command" frobnicate

# Another program holds the write lock: the deletion waits, then gives up as busy and changes nothing.
python3 - "$db" "$t/locked" <<'EOF' &
import pathlib, sqlite3, sys, time
c = sqlite3.connect(sys.argv[1], isolation_level=None)
c.execute("BEGIN IMMEDIATE")
pathlib.Path(sys.argv[2]).touch()
time.sleep(60)
EOF
pids+=($!)
for _ in $(seq 100); do [ -e "$t/locked" ] && break; sleep 0.1; done
[ -e "$t/locked" ] || fail "the lock holder did not start"
status 6 "a locked database" --yes delete range 26/01/12 26/01/12
grep -q "他のプログラムが使用中です" "$t/err" || fail "busy message: $(cat "$t/err")"
status 6 "a locked database: split" split add 1301 2026-01-12 2
status 6 "a locked database: build-weekly" build-weekly 2026-01-05 2026-01-09
kill "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null || true
[ "$(q 'select count(*) from dayData')" = 2 ] || fail "changed while locked"

k --help >"$t/help"
for line in "3 cancelled" "4 not found" "5 invalid input" "6 busy"; do
    grep -q "$line" "$t/help" || fail "--help lacks \"$line\""
done
echo ok
