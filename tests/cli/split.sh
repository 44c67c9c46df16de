#!/usr/bin/env bash
# kestrel split: a 1:2 split entered over imported daily files adjusts the chart, the weekly bars and the
# adjusted CSV; bad entries are refused; a change killed before its commit leaves the old event and weeks;
# reruns of a change in place exit 0; removing the event gives back the bars as traded exactly; cumulative
# ratios beyond 64 bits stay exact.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
for key in move1 move2 move3 SaicoL RSIVR; do sed -i "s/^$key=[0-9]*/$key=2/" "$t/h/Kestrel.ini"; done
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1,1)"
day() { printf '%s\r\n1,Kestrel\r\n1301,0,極洋,%s\r\n' "$1" "$2" | sjis >"$t/h/Data/Ds${1:0:6}.${1:6:2}"; }
day 20260105 1000,1010,990,1000,100
day 20260106 1002,1020,1001,1005,201
day 20260107 505,510,500,503,400 # the first day at the new price
day 20260108 503,506,501,505,300
day 20260113 505,515,504,512,250
k import-daily 2026-01-05 2026-01-13 --weekly >/dev/null || fail "import"
weeks() { q "select 日付,始値,高値,安値,終値,前日比,出来高,基準前日比 from weekData order by 日付"; }
weeks >"$t/weeks0"
k chart 1301 --date 2026-01-31 --json >"$t/raw0"

# Killed after the event is written or after the weeks are rebuilt, before the commit: nothing changed.
for step in event-written weeks-rebuilt; do
    { KESTREL_TEST_SPLIT_ABORT=$step "$kestrel" --home "$h" split add 1301 2026-01-07 2 >/dev/null 2>&1 && fail "not killed at $step"; } 2>/dev/null || true
    [ "$(q 'select count(*) from Bunkatu')" = 0 ] || fail "event kept after a kill at $step"
    weeks | cmp -s - "$t/weeks0" || fail "weeks changed by a kill at $step: $(weeks)"
done

# No question is asked (and none can leave the weeks stale): the change and its weeks go together.
k --no split add 1301 2026-01-07 2 >"$t/out" 2>"$t/e" || fail "split add: $(cat "$t/e")"
grep -q '^週データーの作成終了しました。$' "$t/out" || fail "weekly not rebuilt: $(cat "$t/out")"
k split add 1301 2026-01-07 1:2 >"$t/out" 2>"$t/e" || fail "the same event again: $(cat "$t/e")"
grep -q '既に登録されています' "$t/out" || fail "rerun message: $(cat "$t/out")"
k split confirm 1301 2026-01-07 >"$t/out" || fail "confirming a confirmed event"
[ "$(k split list 1301)" = "$(printf '1301\t2026-01-07\t1:2\t入力\t確定')" ] || fail "list: $(k split list 1301)"
# The week of the split from halved Monday and Tuesday: 500 505 495 500 x200, 501 510 500 502 x402.
[ "$(weeks | head -1)" = "20260109|500|510|495|505|0|1302|505" ] || fail "week of the split: $(weeks)"

k chart 1301 --date 2026-01-31 --json >"$t/adj"
k chart 1301 --date 2026-01-31 --json --raw >"$t/raw"
cmp -s "$t/raw" "$t/raw0" || fail "--raw differs from the bars as traded"
k chart 1301 --weekly --date 2026-01-31 --json >"$t/wk"
python3 - "$t/adj" "$t/raw" "$t/wk" <<'PY' || fail "adjusted values"
import json, sys
adj, raw, wk = (json.load(open(p)) for p in sys.argv[1:])
row = lambda b: [b[k] for k in ("open", "high", "low", "close", "change", "volume")]
# 1001/2 and 1005/2 and 5/2 go to the even neighbour; the split day's change is against 502.
assert [row(b) for b in adj["bars"]] == [
    [500, 505, 495, 500, 0, 200], [501, 510, 500, 502, 2, 402], [505, 510, 500, 503, 1, 400],
    [503, 506, 501, 505, 2, 300], [505, 515, 504, 512, 7, 250]], adj["bars"]
assert row(raw["bars"][1]) == [1002, 1020, 1001, 1005, 5, 201] and raw["bars"][2]["change"] == -502
assert adj["bars"][1]["ma1"] == 501 and raw["bars"][2]["ma1"] == 754, (adj["bars"][1], raw["bars"][2])
assert [row(b) for b in wk["bars"]] == [[500, 510, 495, 505, 0, 1302], [505, 515, 504, 512, 7, 250]], wk
PY

refused() { # refused ARGS...: exit 5 (invalid input), a message on stderr, no event added
    set +e
    k --yes split add "$@" >/dev/null 2>"$t/e"; rc=$?
    set -e
    [ $rc = 5 ] || fail "split add $* gave $rc"
    [ -s "$t/e" ] || fail "split add $*: no message"
}
refused 1301 2026-01-08 0
grep -q '分割比率が正しくありません' "$t/e" || fail "ratio 0 message: $(cat "$t/e")"
refused 1301 2026-01-08 1001
refused 1301 2026-01-08 1 # 1:1 is no split and would block a real one on that day
refused 1301 2026-02-30 2 # not a date
refused 1301 2026-01-09 2 # a Friday without a bar
grep -q '株価データーがない' "$t/e" || fail "no-bar message: $(cat "$t/e")"
refused 1301 2026-01-07 3 # a second event on the day
grep -q '既に分割が登録されています' "$t/e" || fail "same-day message: $(cat "$t/e")"
[ "$(q 'select count(*) from Bunkatu')" = 1 ] || fail "a refused entry was stored"

csv() { iconv -f CP932 -t UTF-8 "$t/h/Data/1301.Csv" | tail -n +3 | tr -d '\r' | tr '\n' ' '; }
k export-csv 1301 >/dev/null || fail "export-csv"
[ "$(csv)" = "2026/01/05,100,1000,1010,990,1000 2026/01/06,201,1002,1020,1001,1005 2026/01/07,400,505,510,500,503 2026/01/08,300,503,506,501,505 2026/01/13,250,505,515,504,512 " ] ||
    fail "as traded: $(csv)"
k export-csv 1301 --adjusted >/dev/null || fail "export-csv --adjusted"
[ "$(csv)" = "2026/01/05,200,500,505,495,500 2026/01/06,402,501,510,500,502 2026/01/07,400,505,510,500,503 2026/01/08,300,503,506,501,505 2026/01/13,250,505,515,504,512 " ] ||
    fail "adjusted: $(csv)"

k split remove 1301 2026-01-07 >/dev/null || fail "split remove"
k split remove 1301 2026-01-07 >"$t/out" || fail "a second removal"
grep -q 'の分割はありません' "$t/out" || fail "second removal message: $(cat "$t/out")"
set +e
k split confirm 1301 2026-01-07 >/dev/null 2>&1; rc=$?
set -e
[ $rc = 4 ] || fail "confirming no event gave $rc"
k chart 1301 --date 2026-01-31 --json >"$t/back"
cmp -s "$t/back" "$t/raw0" || fail "the chart after removal differs from before the split"
weeks | cmp -s - "$t/weeks0" || fail "weekly bars after removal: $(weeks)"
[ -z "$(k split list)" ] || fail "list after removal"

# Four events of 1000000:999999 multiply beyond 64 bits: the bars stay exact (100 shares times
# 999999^4 / 10^24 = 99.9996); a fifth would go beyond what is kept exactly and is refused.
for d in 2026-01-06 2026-01-07 2026-01-08 2026-01-13; do k split add 1301 $d 1000000:999999 >/dev/null || fail "add $d"; done
k export-csv 1301 --adjusted >/dev/null || fail "export-csv after four events"
[ "$(csv | cut -d' ' -f1)" = "2026/01/05,99.9996,1000,1010,990,1000" ] || fail "four small events: $(csv)"
refused 1301 2026-01-05 1000000:999999
grep -q '正確に計算できない' "$t/e" || fail "bound message: $(cat "$t/e")"
echo "1 passed, 0 failed"
