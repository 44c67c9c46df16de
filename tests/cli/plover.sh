#!/usr/bin/env bash
# The daily update road: Plover --batch fetches day archives from a local server, unpacks and converts
# them, then kestrel import-daily stores the days and kestrel chart shows them.
set -euo pipefail
source "$(dirname "$0")/common.bash"
plover=$build/src/apps/plover/Plover
data=$(cd "$(dirname "$0")/../data/converter" && pwd)
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM # the batch mode needs no display

mkdir -p "$t/www/kabudata/data2001" "$t/h"
cp "$data/20010504.lzh" "$data/20010507.lzh" "$t/www/kabudata/"
# A server that answers a missing archive with a page of its own (status 200), and one that fails.
printf '<html><body>ただいま準備中です</body></html>' >"$t/www/kabudata/20010508.lzh"
printf 'x' >"$t/www/kabudata/20010509.lzh"
start_httpd archives /kabu/ --status /kabu/kabudata/20010509.lzh=500

k init >/dev/null
printf '20010501,3\r\n1001,1,日経平均,1,1\r\n1301,1,極洋,1000,10\r\n1332,1,日本水産,1000,1\r\n' | sjis >"$t/h/Data/Regist.Mei"
k import-master | grep -q '^読み込み終了$' || fail "master import"

# A first start writes Plover.ini with 30 keys; the source's data address is a setting.
"$plover" --home "$t/h" --batch --source 1 01/05/05 01/05/05 --download-only >"$t/out" || fail "first run: $(cat "$t/out")"
[ "$(grep -c '=' "$t/h/Plover.ini")" = 30 ] || fail "Plover.ini keys: $(cat "$t/h/Plover.ini")"
grep -q '^20010505　スキップ$' "$t/out" || fail "weekend day: $(cat "$t/out")"
sed -i "s|^URLDATA1=.*\r\$|URLDATA1=http://127.0.0.1:$port/kabu/kabudata/\r|" "$t/h/Plover.ini"

"$plover" --home "$t/h" --batch --source 1 01/05/04 01/05/09 >"$t/out" 2>&1 || fail "batch: $(cat "$t/out")"
for line in '20010504.lzhを取得済' '20010505　スキップ' '20010506　スキップ' '20010507.lzhを取得済' \
    '20010508.lzhはまだ取得不能' '20010509.lzhはまだ取得不能' '全ダウンロード終了' \
    '20010507.csvをファイル変換終了' "! 終了しました 右上の×で閉じて【株価データー読込み】を実行して下さい。"; do
    grep -qxF "$line" "$t/out" || fail "missing log line $line: $(cat "$t/out")"
done
[ "$(grep -c 'kabudata/2001050' "$t/archives.log")" = 4 ] || fail "requests: $(cat "$t/archives.log")"
[ -f "$t/h/Data/Ds200105.04" ] && [ -f "$t/h/Data/Ds200105.07" ] || fail "daily files: $(ls "$t/h/Data")"
[ ! -e "$t/h/Data/Ds200105.08" ] && [ ! -e "$t/h/Data/20010508.lzh" ] || fail "error page taken for an archive"
[ -z "$(ls "$t/h/Data" | grep -i -e '\.lzh$' -e '\.csv$' -e '^Temp')" ] || fail "left over: $(ls "$t/h/Data")"
expected=$(printf '20010504\r\n3,Kestrel\r\n1001,0,日経平均,13000,13100,12900,13050,12.34\r\n1301,0,極洋,123.4,124,123,123.5,52\r\n1332,0,日本水産,300,310,295,305,1500\r\n' | sjis | od -c)
[ "$(od -c <"$t/h/Data/Ds200105.04")" = "$expected" ] || fail "Ds200105.04: $(iconv -f CP932 -t UTF-8 "$t/h/Data/Ds200105.04")"

out=$(k import-daily 2001-05-04 2001-05-09 2>&1) || fail "import-daily: $out"
echo "$out" | grep -q '^読み込み終了$' || fail "import message: $out"
[ "$(q "select group_concat(日付 || ':' || 始値 || ':' || 終値 || ':' || 出来高, ' ') from (select * from daydata where コード=1301 order by 日付)")" = \
  "20010504:123:124:52 20010507:125:126:60" ] || fail "1301 rows: $(q 'select * from daydata where コード=1301')"
[ "$(q "select 出来高 from daydata where コード=1001 and 日付=20010504")" = 12.34 ] || fail "index volume"
[ "$(q 'select count(*) from daydata')" = 6 ] || fail "row count"
k chart 1301 --date 2001-05-07 >"$t/chart" 2>&1 || fail "chart: $(cat "$t/chart")"
grep -q "126" "$t/chart" || fail "chart list: $(cat "$t/chart")"

# Bad command lines are refused without a job.
"$plover" --home "$t/h" --batch --source 10 01/05/04 01/05/04 >/dev/null 2>&1 && fail "source 10 accepted"
out=$("$plover" --home "$t/h" --batch --source 1 01/05/08 01/05/04 2>&1) && fail "reversed range accepted"
echo "$out" | grep -q '日付範囲が誤っています。' || fail "range message: $out"
echo "1 passed, 0 failed"
