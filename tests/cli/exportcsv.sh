#!/usr/bin/env bash
# kestrel export-csv: the price CSV of one issue in Data, daily and weekly, and refusals.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1000,10),(1302,14,'遠い',1,1)"
q "insert into dayData values (1301,20240105,100,103,99,102,2,2.5,102),(1301,20240104,99,101,98,100,2,1,100)"
q "insert into weekData values (1301,20240105,99,103,98,102,2,3,102,300,500)"

k export-csv 1301 >"$t/out" || fail "export-csv"
[ "$(cat "$t/out")" = "Data ﾌｫﾙﾀﾞに 1301.Csv と言うﾌｧｲﾙ名で出力しました。" ] || fail "message: $(cat "$t/out")"
printf '極洋,1301,東１,日足データ\r\n日付,出来高,始値,高値,安値,終値\r\n2024/01/04,1000,990,1010,980,1000\r\n2024/01/05,2500,1000,1030,990,1020\r\n' |
    sjis >"$t/daily"
cmp "$t/h/Data/1301.Csv" "$t/daily" || fail "daily file"

k export-csv 1301 --weekly >/dev/null || fail "export-csv --weekly"
printf '極洋,1301,東１,週足データ\r\n日付,出来高,始値,高値,安値,終値\r\n2024/01/05,3000,990,1030,980,1020\r\n' |
    sjis >"$t/weekly"
cmp "$t/h/Data/1301.Csv" "$t/weekly" || fail "weekly file"

# Codes that name no shown issue: the message, exit 1, no file.
for bad in 9999 1302 abc ../1301 123456; do
    set +e
    k export-csv "$bad" >/dev/null 2>"$t/e"; rc=$?
    set -e
    [ $rc = 1 ] || fail "$bad gave $rc"
    grep -q "銘柄コードを入力して下さい。" "$t/e" || fail "$bad message"
done
[ "$(ls "$t/h/Data")" = "1301.Csv" ] || fail "stray files: $(ls "$t/h/Data")"
set +e
k export-csv >/dev/null 2>&1; rc=$?
set -e
[ $rc = 2 ] || fail "no code gave $rc"
echo "1 passed, 0 failed"
