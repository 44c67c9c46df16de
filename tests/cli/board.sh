#!/usr/bin/env bash
# kestrel board: add, save and load board files byte for byte, refuse bad files, refresh a board
# from quote pages served by the tests' local HTTP server and from the stored daily bars, and set alerts.
set -euo pipefail
source "$(dirname "$0")/common.bash"
euc() { iconv -f UTF-8 -t EUC-JP-MS; }

mkdir -p "$t/h" "$t/www"
k init >/dev/null
q "INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (7203, 1, 'ＡＢＣ自動車', 1000, 10), (6758, 1, 'ＸＹＺ', 100, 1), (1301, 2, '極洋', 1000, 1);"
q "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (7203, 20010518, 1234, 1250, 1200, 1240, -6, 512), (6758, 20010518, 5000, 5100, 4900, 5050, 20, 77);"

# Adding: from the latest bar, once.
[ "$(k board add A 7203)" = "登録しました。" ] || fail "add 7203"
rc=0; out=$(kerr board add A 7203) || rc=$?
[ "$out" = "すでに登録されています。" ] && [ $rc = 1 ] || fail "second add: $out ($rc)"
rc=0; k board add A 1301 >/dev/null 2>&1 || rc=$?
[ $rc = 4 ] && [ "$(q 'select count(*) from board')" = 1 ] || fail "an issue without a bar was added"
k --yes board add --register A 1301 >/dev/null || fail "register 1301"
k board add A 6758 >/dev/null
[ "$(k board list A | head -1)" = "$(printf '6758\t1\tＸＹＺ\t2001-05-18\t5000\t5100\t4900\t5050\t20\t7700\t0\t0\t0\t')" ] || fail "list: $(k board list A)"
[ "$(q "select 始値 || ',' || 出来高 from board where コード=7203")" = "12340,512000" ] || fail "units"

# Saving: CP932, CR LF, code order; the empty board is one CR LF.
k board save A "$t/a.A" >"$t/out" || fail "save: $(cat "$t/out")"
grep -q '^保存しました。$' "$t/out" || fail "save message"
printf '1,1301,2,極洋\r\n1,6758,1,ＸＹＺ\r\n1,7203,1,ＡＢＣ自動車\r\n' | sjis >"$t/expected"
cmp "$t/a.A" "$t/expected" || fail "board file bytes"
k board save B "$t/b.B" >/dev/null
[ "$(od -An -c "$t/b.B" | tr -d ' ')" = '\r\n' ] || fail "empty board file: $(od -c "$t/b.B")"
grep -q $'^boardA=a.A\r$' "$t/h/Kestrel.ini" || fail "boardA key"
rc=0; k --no board save A "$t/a.A" >/dev/null || rc=$?
[ $rc = 3 ] || fail "overwrite refused but exit $rc"

# Loading: a board-A file into B is refused; a short line is refused before anything is deleted.
rc=0; out=$(kerr --yes board load B "$t/a.A") || rc=$?
[ $rc = 5 ] && [ "$out" = "株価ボードＢに株価ボードＡのデーターを読み込もうとしています。" ] || fail "A file into B: $out"
printf '1,7203,1,ＡＢＣ自動車\r\n1,6758\r\n' | sjis >"$t/short.A"
rc=0; out=$(kerr --yes board load A "$t/short.A") || rc=$?
[ $rc = 1 ] && echo "$out" | grep -q '2 行目を読み込めません。' || fail "short line: $out"
[ "$(q 'select count(*) from board where 区分=1')" = 3 ] || fail "board changed by a refused file"
printf '1,9984,1,ソフト\r\n2,7203,1,ＡＢＣ自動車\r\n' | sjis >"$t/in.A"
k --yes board load A "$t/in.A" >/dev/null || fail "load"
[ "$(q 'select group_concat(区分 || ":" || コード, " ") from (select * from board order by 区分, コード)')" = "1:9984 2:7203" ] \
    || fail "after load: $(q 'select 区分, コード from board')"
k --yes board load A "$t/a.A" >/dev/null || fail "load back"

# Refresh: quote pages as the portal serves them; 1301's page lacks its row, 6758's page is missing.
row() { printf '<tr><td nowrap align=left><a href="/q?s=%s&d=t">%s</a></td>%s<td nowrap><small><a href="/q?s=%s&d=c">チャート</a></small></td></tr>\r\n' "$1" "$1" "$2" "$1"; }
rising='<td nowrap><small>15:00</small></td><td nowrap><b>1,234</b></td><td nowrap><font color=ff0020>+12</font></td><td nowrap><font color=ff0020>+0.98%</font></td><td nowrap>1,234,000</td>'
{ printf '<html><head><title>株価</title></head><body><table>\r\n'; row 7201 "$rising"; row 7203 "$rising"; printf '</table></body></html>\r\n'; } | euc >"$t/www/q?s=7203&d=v2"
{ printf '<html><body><table>\r\n'; row 13010 "$rising"; printf '</table></body></html>\r\n'; } | euc >"$t/www/q?s=1301&d=v2"
start_httpd quotes /
sed -i "s|^\[Kestrel\]\r\$|[Kestrel]\r\nQuoteHost=127.0.0.1:$port\r|" "$t/h/Kestrel.ini"
grep -q "^QuoteHost=127.0.0.1:$port" "$t/h/Kestrel.ini" || fail "QuoteHost not set"
k board refresh A >"$t/out" || fail "refresh: $(cat "$t/out")"
[ "$(grep -c '^取得終了しました。$' "$t/out")" = 1 ] || fail "completion message: $(cat "$t/out")"
grep -q '^2 銘柄の現在値を取得できませんでした。$' "$t/out" && [ "$(grep -c '^未取得: ' "$t/out")" = 1 ] \
    && grep '^未取得: ' "$t/out" | grep -q ' 6758' && grep '^未取得: ' "$t/out" | grep -q ' 1301' \
    || fail "failed rows: $(cat "$t/out")"
today=$(date +%F)
grep -q "$(printf '^7203\t.*\t1234\t12\t1234000\t%s 15:00$' "$today")" "$t/out" || fail "7203 current values: $(cat "$t/out")"
grep -q "$(printf '^6758\t.*\t0\t0\t0\t$')" "$t/out" || fail "6758 keeps zeros"
grep -q "$(printf '^1301\t.*\t0\t0\t0\t$')" "$t/out" || fail "1301 keeps zeros"
[ "$(grep -c 'q?s=' "$t/quotes.log")" = 3 ] || fail "requests: $(cat "$t/quotes.log")"
grep -q '^boarddateA=[0-9][0-9]/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9]' "$t/h/Kestrel.ini" || fail "boarddateA"

# Alerts: positive whole yen, the upper price not below the lower; a refused request stores nothing.
k board alert A 7203 --above 12,000 --below 11000 || fail "alert"
for bad in "--above 0" "--above 12.5" "--below -3" "--above abc" "--below 12001"; do
    rc=0; out=$(kerr board alert A 7203 $bad) || rc=$?
    [ $rc != 0 ] && [ -n "$out" ] || fail "alert $bad accepted ($rc)"
done
[ "$(q "select 上限警報 || ',' || 下限警報 from board where 区分=1 and コード=7203")" = "12000,11000" ] || fail "alert changed"
rc=0; kerr board alert A 9999 --above 5 >/dev/null || rc=$?
[ $rc != 0 ] || fail "alert on a code not on the board"
k board alert A 6758 --below 5100 || fail "alert 6758"

# Refresh from the stored bars (in the board's order): 7203 (1240 at price unit 10) passes its upper alert,
# 6758 its lower one; 1301 has no bar and keeps its values; every price is old.
rc=0; k board refresh A --source db >"$t/out" || rc=$?
[ $rc = 0 ] || fail "db refresh exit $rc: $(cat "$t/out")"
[ "$(sed -n 1,4p "$t/out")" = "$(printf '取得終了しました。\n古い株価: 6758 7203\n警報: 6758 ＸＹＺ 5,050 ≤ 5,100\n警報: 7203 ＡＢＣ自動車 12,400 ≥ 12,000')" ] \
    || fail "db refresh lines: $(cat "$t/out")"
grep -q '^未取得: 1301（日足なし）$' "$t/out" || fail "1301 not named: $(cat "$t/out")"
grep -q "$(printf '^7203\t.*\t12400\t-60\t512000\t2001-05-18$')" "$t/out" || fail "7203 from the bar: $(cat "$t/out")"
grep -q "$(printf '^1301\t.*\t0\t0\t0\t$')" "$t/out" || fail "1301 changed: $(cat "$t/out")"
# The source chosen in the window is the default; an unknown one is refused.
printf 'boardsource=db\r\n' >>"$t/h/Kestrel.ini"
k board refresh A | head -1 | grep -q '^取得終了しました。$' || fail "source from Kestrel.ini"
rc=0; kerr board refresh A --source fax >/dev/null || rc=$?
[ $rc != 0 ] || fail "unknown source accepted"
k board alert A 7203 --clear || fail "clear"
[ "$(q "select count(*) from board where 上限警報 is null and 下限警報 is null and 区分=1 and コード=7203")" = 1 ] || fail "cleared"

# J-Quants: a fresh folder whose last bar is the weekday before the last open day; the refresh fetches
# and imports up to that day from a local J-Quants-shaped server, then fills the board from the bars.
h=$t/j
mkdir -p "$h" "$t/jq/equities_master" "$t/jq/equities_bars_daily"
k init >/dev/null
last=$(date +%F); while [ "$(date -d "$last" +%u)" -gt 5 ]; do last=$(date -d "$last -1 day" +%F); done
prev=$(date -d "$last -1 day" +%F); while [ "$(date -d "$prev" +%u)" -gt 5 ]; do prev=$(date -d "$prev -1 day" +%F); done
q "INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (7203, 1, 'トヨタ自動車', 1, 1), (1301, 1, '極洋', 1, 1);"
q "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (7203, ${prev//-/}, 2500, 2500, 2500, 2500, 0, 100), (1301, ${prev//-/}, 3000, 3000, 3000, 3000, 0, 10);"
k board add B 7203 >/dev/null && k board add B 1301 >/dev/null && k board alert B 7203 --above 2,512 || fail "J-Quants board"
d=$(date -d "$prev +1 day" +%F)
while [[ ! "$d" > "$last" ]]; do
    echo '{"data": [{"Date": "'"$d"'", "Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"},
                    {"Date": "'"$d"'", "Code": "13010", "CoName": "極洋", "Mkt": "0111"}]}' >"$t/jq/equities_master/$d.json"
    d=$(date -d "$d +1 day" +%F)
done
echo '{"data": [{"Date": "'"$last"'", "Code": "72030", "O": 2500, "H": 2530, "L": 2490, "C": 2512, "Vo": 3000, "AdjFactor": 1}]}' \
    >"$t/jq/equities_bars_daily/$last.json"
python3 "$(dirname "$0")/jquants_server.py" --root "$t/jq" --port-file "$t/jq.port" --log "$t/jq.log" --key k-1 --lifetime 300 &
pids+=($!)
for _ in $(seq 100); do [ -s "$t/jq.port" ] && break; sleep 0.1; done
sed -i "s|^\[Kestrel\]\r\$|[Kestrel]\r\nJQuantsURL=http://127.0.0.1:$(cat "$t/jq.port")\r\nJQuantsPace=6000\r\nJQuantsPlan=Light\r|" "$h/Kestrel.ini"
# Without a key nothing is fetched: every row keeps its values and names why; the exit status says so.
rc=0; JQUANTS_API_KEY= k board refresh B --source jquants >"$t/out" 2>"$t/err" || rc=$?
[ $rc = 1 ] && grep -q '^未取得: 7203 1301（J-Quants の API キー.*）$' "$t/out" || fail "no key: $rc $(cat "$t/out" "$t/err")"
! grep -q 'k-1' "$t/out" "$t/err" "$h/Kestrel.ini" || fail "key written"
rc=0; JQUANTS_API_KEY=k-1 k board refresh B --source jquants >"$t/out" 2>"$t/err" || rc=$?
[ $rc = 0 ] || fail "J-Quants refresh exit $rc: $(cat "$t/out" "$t/err")"
grep -qxF '警報: 7203 トヨタ自動車 2,512 ≥ 2,512' "$t/out" || fail "J-Quants alert: $(cat "$t/out")"
grep -qxF '古い株価: 1301' "$t/out" || fail "1301 not old: $(cat "$t/out")"
grep -q "$(printf '^7203\t.*\t2512\t[-0-9]*\t3000\t%s$' "$last")" "$t/out" || fail "7203 from J-Quants: $(cat "$t/out")"
echo "1 passed, 0 failed"
