#!/usr/bin/env bash
# The import commands on generated data: a Saturday file, a repeated record, zero-volume days, listings,
# 大証 records and a 70-day gap; checks of the date arguments; a rerun and a killed run give the same tables.
set -euo pipefail
source "$(dirname "$0")/common.bash"
gendata=$build/tools/kestrel-gendata
q() { sqlite3 "$1/Kestrel.mdb" "$2"; }
dumpdb() { for tb in dayData Mei weekData shinyo; do sqlite3 "$1/Kestrel.mdb" "select * from $tb order by 1, 2"; done; }

mkdir -p "$t/h"
k init >/dev/null
sed -i "s|^sinyoPath=.*\r\$|sinyoPath=$t/h/Data/\r|" "$t/h/Kestrel.ini"
# 2026-01-05 is a Monday; 2026-01-10 a Saturday; no files from 2026-02-02 for 70 days.
"$gendata" --out "$t/h/Data" --margin-out "$t/h/Data" --master-out "$t/h/Data" --issues 60 --seed 7 \
    --from 2026-01-05 --to 2026-05-29 --gap-from 2026-02-02 --gap-days 70 --weekend-file 2026-01-10 \
    --duplicate 2026-01-06 --zero-volume 0.05 >/dev/null
[ -f "$t/h/Data/Ds202601.10" ] || fail "no Saturday file"
cp -r "$t/h" "$t/fresh"

# Argument checks come before any work.
out=$(k build-weekly 2026-01-06 2026-01-09 2>&1) && fail "Tuesday start accepted"
[ "$out" = "期間自は必ず月曜日を指定して下さい。" ] || fail "monday message: $out"
out=$(k import-margin 2026-01-05 2026-01-08 2>&1) && fail "Thursday end accepted"
[ "$out" = "期間至は必ず金曜日を指定して下さい。" ] || fail "friday message: $out"
out=$(k import-daily 2026-01-09 2026-01-05 2>&1) && fail "reversed range accepted"
[ "$out" = "日付の範囲が誤っています。" ] || fail "range message: $out"
out=$(k import-daily 26/13/01 2026-01-05 2>&1) && fail "bad date accepted"
[ "$out" = "日付の入力が誤っています。" ] || fail "date message: $out"
out=$(k import-daily 2025-12-01 2025-12-31 2>&1) && fail "empty range succeeded"
echo "$out" | grep -q '^株式データーが存在しません｡$' || fail "no-data message: $out"

k import-master | grep -q '^読み込み終了$' || fail "master import"
[ ! -f "$t/h/Data/Regist.Mei" ] || fail "Regist.Mei not deleted"
out=$(k import-master 2>&1) && fail "second master import succeeded"
[ "$out" = "銘柄ファイルが見つかりません。" ] || fail "missing master message: $out"
k import-daily 2026-01-05 2026-05-29 --margin --weekly >"$t/out"
grep -q '^読み込み終了$' "$t/out" || fail "daily import: $(cat "$t/out")"
grep -q '^週データーの作成終了しました。$' "$t/out" || fail "weekly message"

# Nothing is stored from the Saturday file or for 大証 issues; one row per issue and day.
[ "$(q "$t/h" "select count(*) from dayData where 日付 = 20260110")" = 0 ] || fail "Saturday stored"
[ "$(q "$t/h" "select count(*) from dayData d join Mei m using (コード) where m.市場コード in (4,5,6)")" = 0 ] || fail "other markets stored"
# Every row against its previous trading day within 60 days, by the rules of the change columns.
bad=$(q "$t/h" "
  with p as (select d.*, (select max(日付) from dayData x where x.日付 < d.日付
                 and x.日付 >= cast(strftime('%Y%m%d', date(substr(d.日付,1,4)||'-'||substr(d.日付,5,2)||'-'||substr(d.日付,7,2), '-60 days')) as int)) as P
             from dayData d)
  select count(*) from p left join dayData y on y.コード = p.コード and y.日付 = p.P
  where not (case when y.コード is null then p.前日比 = 0 and p.基準前日比 = p.終値
                  when p.出来高 = 0 then p.前日比 = 0 and p.基準前日比 = y.基準前日比 and p.終値 = 0
                  when y.基準前日比 = 0 then p.前日比 = 0 and p.基準前日比 = p.終値
                  else p.前日比 = p.終値 - y.基準前日比 and p.基準前日比 = p.終値 end)")
[ "$bad" = 0 ] || fail "$bad rows break the change rules"
# After the 70-day gap every issue starts again.
[ "$(q "$t/h" "select count(*) from dayData where 日付 = 20260413 and 前日比 <> 0")" = 0 ] || fail "change across the gap"
[ "$(q "$t/h" "select count(*) from dayData where 日付 = 20260413")" -gt 0 ] || fail "no day after the gap"
[ "$(q "$t/h" "select count(*) from dayData where 出来高 = 0 and 終値 <> 0")" = 0 ] || fail "zero-volume prices"
[ "$(q "$t/h" "select count(*) from dayData where 出来高 = 0")" -gt 0 ] || fail "no zero-volume day"
[ "$(q "$t/h" "select typeof(出来高) from dayData where コード = 1001 limit 1")" = real ] || fail "index volume not fractional"
[ "$(q "$t/h" "select count(*) from Mei where 出来高単位 = 1000 and 株価単位 = 1 and 更新Flg = 1")" -gt 0 ] || fail "flags"
[ "$(q "$t/h" "select count(*) from weekData w join shinyo s on s.コード = w.コード and s.日付 = w.日付 where w.売残 <> s.売残 * s.単位")" = 0 ] || fail "weekly margins"
[ "$(q "$t/h" "select count(*) from shinyo")" -gt 0 ] || fail "no margin rows"

# Rerunning any command over the same range leaves identical tables.
dumpdb "$t/h" >"$t/before"
k import-daily 2026-01-05 2026-05-29 --margin --weekly >/dev/null
k build-weekly 2026-01-05 2026-05-29 >/dev/null
k import-margin 2026-01-05 2026-05-29 >/dev/null
k recompute daily 2026-01-05 >/dev/null
k recompute weekly 2026-01-05 | grep -q '^前日差再計算終了しました。$' || fail "recompute message"
dumpdb "$t/h" >"$t/after"
diff "$t/before" "$t/after" | head -5 >&2 || true
cmp -s "$t/after" "$t/before" || fail "a rerun changed the tables"

# A killed import, then a rerun, equals the uninterrupted run.
"$kestrel" --home "$t/fresh" import-master >/dev/null
"$kestrel" --home "$t/fresh" import-daily 2026-01-05 2026-05-29 --margin --weekly >/dev/null &
pid=$!
sleep 0.3
kill -9 $pid 2>/dev/null || true
wait $pid 2>/dev/null || true
"$kestrel" --home "$t/fresh" import-daily 2026-01-05 2026-05-29 --margin --weekly >/dev/null || true
dumpdb "$t/fresh" | cmp -s - "$t/before" || fail "a killed run and a rerun differ from an uninterrupted run"

# Error cells are read as 0 and named once on stderr; the day is imported.
"$kestrel" --home "$t/cells" init >/dev/null
printf '20260105\r\n2,Kestrel\r\n1301,0,a,#VALUE!,#VALUE!,#VALUE!,#VALUE!,#VALUE!\r\n1332,0,b,10,12,9,11,5\r\n' >"$t/cells/Data/Ds202601.05"
"$kestrel" --home "$t/cells" import-daily 2026-01-05 2026-01-05 >"$t/cells.out" 2>"$t/cells.err" || fail "error cells refused: $(cat "$t/cells.err")"
[ "$(cat "$t/cells.err")" = "Ds202601.05 の 3 行目: 数値でない項目を 0 として読み込みました。" ] || fail "warning: $(cat "$t/cells.err")"
[ "$(q "$t/cells" 'select group_concat(コード || ":" || 終値, " ") from dayData')" = "1301:0 1332:11" ] || fail "rows of error cells"
echo "1 passed, 0 failed"
