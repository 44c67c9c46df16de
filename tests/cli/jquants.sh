#!/usr/bin/env bash
# The J-Quants road end to end against a local J-Quants-shaped server (HTTP, then HTTPS with a
# certificate made here): pages with opaque keys, a 429 (without Retry-After), a cut page, an outage row,
# skipped codes, holidays, a split day, weekly margin balances, the fields the service adds; imports into
# the database; resume; a 429 that lasts, a repeated pagination key, bad keys, a refused date, a malformed
# page; a Free plan (no TOPIX, no margin, a window); the key never written into the program folder.
set -euo pipefail
source "$(dirname "$0")/common.bash"
plover=$build/src/apps/plover/Plover
server=$(dirname "$0")/jquants_server.py
unset DISPLAY WAYLAND_DISPLAY
key="test-key-3f9a"
export JQUANTS_API_KEY="  $key
"
w=$t/www
mkdir -p "$w/equities_master" "$w/equities_bars_daily" "$w/indices_bars_daily_topix" "$w/markets_margin-interest" \
    "$w/markets_calendar"
# The market calendar: the new-year holidays fall inside the first week, 成人の日 on a Monday; the
# autumn holidays of 2026 inside a week; every other day by the weekday.
python3 - "$w/markets_calendar/all.json" <<'P'
import datetime, json, sys
closed = {"2024-01-01", "2024-01-02", "2024-01-03", "2024-01-08", "2026-09-21", "2026-09-22", "2026-09-23"}
rows, d = [], datetime.date(2023, 12, 25)
while d <= datetime.date(2026, 10, 31):
    iso = d.isoformat()
    rows.append({"Date": iso, "HolDiv": "0" if iso in closed or d.weekday() >= 5 else "1"})
    d += datetime.timedelta(days=1)
json.dump({"data": rows}, open(sys.argv[1], "w"))
P

master='{"data": [
 {"Date": "2024-01-05", "Code": "13010", "CoName": "極洋", "Mkt": "0111", "ProdCat": "011", "Mrgn": "1", "MrgnNm": "信用"},
 {"Date": "2024-01-05", "Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"},
 {"Date": "2024-01-05", "Code": "33500", "CoName": "グロース例", "Mkt": "0113"},
 {"Date": "2024-01-05", "Code": "130A0", "CoName": "英字コード", "Mkt": "0113"},
 {"Date": "2024-01-05", "Code": "25935", "CoName": "優先株", "Mkt": "0111"}]}'
echo "$master" >"$w/equities_master/2024-01-01.json"
for d in 05 08 10 11 12 16; do echo "$master" >"$w/equities_master/2024-01-$d.json"; done
# An issue listed on 2024-01-04 only: neither end of the range lists it, so that day's list is asked.
echo "${master%]\}}"', {"Date": "2024-01-04", "Code": "86010", "CoName": "大和証券", "Mkt": "0111"}]}' \
    >"$w/equities_master/2024-01-04.json"
cat >"$w/indices_bars_daily_topix/all.json" <<'J'
{"data": [{"Date": "2024-01-04", "O": 2300.5, "H": 2310.9, "L": 2290.1, "C": 2305.2},
          {"Date": "2024-01-05", "O": 2310, "H": 2330, "L": 2300, "C": 2320}]}
J
printf 'STATUS 429\n{"message": "Too Many Requests"}' >"$w/equities_bars_daily/2024-01-04.json.first"
cat >"$w/equities_bars_daily/2024-01-04.json" <<'J'
{"data": [{"Date": "2024-01-04", "Code": "13010", "O": 3000, "H": 3050, "L": 2990, "C": 3020, "Vo": 15000, "AdjFactor": 1},
          {"Date": "2024-01-04", "Code": "72030", "O": null, "H": null, "L": null, "C": null, "Vo": null, "AdjFactor": 1},
          {"Date": "2024-01-04", "Code": "86010", "O": 800, "H": 810, "L": 790, "C": 805, "Vo": 30000},
          {"Date": "2024-01-04", "Code": "130A0", "O": 10, "H": 10, "L": 10, "C": 10, "Vo": 5, "AdjFactor": 1}]}
J
cat >"$w/equities_bars_daily/2024-01-05.json" <<'J'
{"data": [{"Date": "2024-01-05", "Code": "13010", "O": 3020, "H": 3100, "L": 3010, "C": 3090, "UL": "1", "LL": "0", "Vo": 20000, "Va": 61000000, "AdjFactor": 1, "AdjO": 3020, "AdjH": 3100, "AdjL": 3010, "AdjC": 3090, "AdjVo": 20000, "MktCap": 120000.5, "ExRT": null}],
 "pagination_key": "eyJ.a+b=c&d.9"}
J
page2='{"data": [{"Date": "2024-01-05", "Code": "72030", "O": 2600, "H": 2650, "L": 2580, "C": 2620, "UL": "0", "LL": "1", "Vo": 1000000, "AdjFactor": 0.5, "MktCap": null, "ExRT": "1"},
 {"Date": "2024-01-05", "Code": "33500", "O": 500, "H": 510, "L": 495.5, "C": 505, "Vo": 200, "AdjFactor": 1}]}'
echo "$page2" >"$w/equities_bars_daily/2024-01-05.eyJ.a+b=c&d.9.json"
printf 'CUT\n%s' "$page2" >"$w/equities_bars_daily/2024-01-05.eyJ.a+b=c&d.9.json.first"
cat >"$w/markets_margin-interest/2024-01-05.json" <<'J'
{"data": [{"Date": "2024-01-05", "Code": "13010", "LongVol": 50000, "ShrtVol": 12000},
          {"Date": "2024-01-05", "Code": "72030", "LongVol": 300000, "ShrtVol": 1000000}]}
J
printf 'STATUS 403\n<html>Forbidden</html>' >"$w/equities_bars_daily/2024-01-09.json"
echo '{"data": [{"Date": "2024-01-11", "Code": "13010", "O": 3000, "H": 3000, "L": 3000, "C": 3000, "Vo": 100}]}' \
    >"$w/equities_bars_daily/2024-01-11.json"
printf 'STATUS 429\n{"message": "Too Many Requests"}' >"$w/equities_bars_daily/2024-01-12.json"
echo '{"data": [{"Date": "2024-01-16", "Code": "13010", "O": 1, "H": 1, "L": 1, "C": 1, "Vo": 1}], "pagination_key": "k.1"}' |
    tee "$w/equities_bars_daily/2024-01-16.json" >"$w/equities_bars_daily/2024-01-16.k.1.json"
printf '{"data": [{"Date": "2024-01-10", "Code": ' >"$w/equities_bars_daily/2024-01-10.json"

# start_jq NAME [--cert C --keyfile K]: sets $port.
start_jq() {
    local name=$1
    shift
    python3 "$server" --root "$w" --port-file "$t/$name.port" --log "$t/$name.log" --key "$key" --lifetime 300 \
        --rate-wait 1 --block 3 "$@" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$t/$name.port" ] && break; sleep 0.1; done
    port=$(cat "$t/$name.port") || fail "server $name did not start"
}
# set_ini HOME KEY VALUE: one Kestrel.ini key in section Kestrel.
set_ini() {
    sed -i "/^$2=/d" "$1/Kestrel.ini"
    sed -i "s|^\[Kestrel\]\r\$|[Kestrel]\r\n$2=$3\r|" "$1/Kestrel.ini"
}
start_jq plain
mkdir -p "$h"
k init >/dev/null
set_ini "$h" sinyoPath "$h/Data/"
set_ini "$h" JQuantsURL "http://127.0.0.1:$port"
set_ini "$h" JQuantsPace 6000
set_ini "$h" JQuantsPlan Standard
set_ini "$h" JQuantsRetryWait 2

k fetch-jquants 2024-01-01 2024-01-05 --master --margin --import >"$t/out" 2>"$t/err" || fail "fetch: $(cat "$t/out" "$t/err")"
for line in '2024/01/01 は休場日です。' 'Ds202401.04 を作成しました（4 件）。' 'Ds202401.05 を作成しました（4 件）。' \
    'Ys202401.05 を作成しました（2 件）。' '取り込めない銘柄コード 2 件を除きました。' '株式分割の候補 1 件を記録しました。'; do
    grep -qxF "$line" "$t/out" || fail "missing line $line: $(cat "$t/out")"
done
[ "$(grep -c 'daily?date=2024-01-04' "$t/plain.log")" = 2 ] || fail "429 not retried once: $(cat "$t/plain.log")"
# The retry after a 429 waits the full JQuantsRetryWait (2 s here), and the wait is shown.
grep 'daily?date=2024-01-04' "$t/plain.log" | awk 'NR==1{a=$2} NR==2{exit !($2-a>=2)}' || fail "429 retried early: $(cat "$t/plain.log")"
grep -q '日  J-Quants の利用回数の上限に達しました。2 秒待ってから再開します。$' "$t/err" || fail "429 wait not shown: $(cat "$t/err")"
# The opaque key reaches the server unchanged.
[ "$(grep -c 'pagination_key=eyJ.a%2Bb%3Dc%26d.9 ' "$t/plain.log")" = 2 ] || fail "cut page not retried once: $(cat "$t/plain.log")"
# One calendar request; none for the bars of the closed days 1 to 3 January; then the disclosures of
# the two open days.
[ "$(grep -c 'fins/summary?date=2024-01-0[45] ' "$t/plain.log")" = 2 ] || fail "disclosures: $(cat "$t/plain.log")"
[ "$(wc -l <"$t/plain.log")" = 13 ] || fail "requests: $(cat "$t/plain.log")"
! grep -q 'daily?date=2024-01-0[123]' "$t/plain.log" || fail "a closed day was asked: $(cat "$t/plain.log")"
expect() { printf "$2" | sjis | od -c >"$t/want"; od -c <"$1" >"$t/got"; cmp -s "$t/want" "$t/got" || fail "$1: $(iconv -f CP932 -t UTF-8 "$1" 2>&1)"; }
expect "$h/Data/Ds202401.04" '20240104\r\n4,Kestrel\r\n1301,0,極洋,3000,3050,2990,3020,15000\r\n7203,0,トヨタ自動車,0,0,0,0,0\r\n8601,0,大和証券,800,810,790,805,30000\r\n1002,0,総合指数,2300,2310,2290,2305,1\r\n'
expect "$h/Data/Ds202401.05" '20240105\r\n4,Kestrel\r\n1301,0,極洋,3020,3100,3010,3090,20000\r\n7203,0,トヨタ自動車,2600,2650,2580,2620,1000000\r\n3350,5,グロース例,500,510,495,505,200\r\n1002,0,総合指数,2310,2330,2300,2320,1.02\r\n'
expect "$h/Data/Ys202401.05" '20240105\r\n2,Kestrel\r\n1301,,,12000,50000,1\r\n7203,,,1000000,300000,1\r\n'
[ ! -e "$h/Data/Regist.Mei" ] || fail "Regist.Mei not imported"
[ "$(q "select group_concat(コード || ':' || 市場コード || ':' || 銘柄 || ':' || 出来高単位 || ':' || 株価単位, ' ') from (select * from Mei order by コード)")" = \
  "1002:1:総合指数:1:1 1301:1:極洋:1:1 3350:3:グロース例:1:1 7203:1:トヨタ自動車:1:1 8601:1:大和証券:1:1" ] || fail "Mei: $(q 'select * from Mei')"
# The master's own market codes are kept beside Mei (TOKYO PRO Market is told apart by them).
[ "$(q "select group_concat(コード || ':' || MarketCode, ' ') from (select * from JQuantsMarket order by コード)")" = \
  "1301:0111 3350:0113 7203:0111 8601:0111" ] || fail "JQuantsMarket: $(q 'select * from JQuantsMarket')"
[ ! -e "$h/Data/Regist.Mkt" ] || fail "Regist.Mkt not removed"
[ "$(q "select group_concat(コード || ':' || 日付 || ':' || 終値 || ':' || 前日比 || ':' || 出来高, ' ') from (select * from daydata order by コード, 日付)")" = \
  "1002:20240104:2305:0:1 1002:20240105:2320:15:1.02 1301:20240104:3020:0:15000 1301:20240105:3090:70:20000 3350:20240105:505:0:200 7203:20240104:0:0:0 7203:20240105:2620:0:1000000 8601:20240104:805:0:30000" ] ||
    fail "daydata: $(q 'select * from daydata')"
[ "$(q "select コード || ':' || 日付 || ':' || 分割前 || ':' || 分割後 || ':' || 出所 || ':' || 状態 from Bunkatu")" = "7203:20240105:1:2:3:0" ] ||
    fail "Bunkatu: $(q 'select * from Bunkatu')"
[ "$(q "select group_concat(コード || ':' || 売残 || ':' || 買残 || ':' || 単位, ' ') from (select * from shinyo order by コード)")" = \
  "1301:12000:50000:1 7203:1000000:300000:1" ] || fail "shinyo: $(q "select * from shinyo") $(cat "$t/err")"
[ "$(q 'select count(*) from weekdata where 日付=20240105')" = 5 ] || fail "weekly bars"

# Resume: a day whose file is complete is not asked for again; a lost day is fetched and equals the first run.
cp "$h/Data/Ds202401.05" "$t/first05"
rm "$h/Data/Ds202401.05"
: >"$t/plain.log"
k fetch-jquants 2024-01-04 2024-01-05 >"$t/out" 2>&1 || fail "resume: $(cat "$t/out")"
grep -q 'date=2024-01-05' "$t/plain.log" && ! grep -q 'daily?date=2024-01-04' "$t/plain.log" || fail "resume requests: $(cat "$t/plain.log")"
cmp -s "$t/first05" "$h/Data/Ds202401.05" || fail "resumed day differs"
grep -q '^1 日分を作成, 1 日分は作成済み' "$t/out" || fail "resume summary: $(cat "$t/out")"

# The pace is kept by the fetcher: three requests at 60 a minute take at least two seconds, and the
# wait before the next request is shown (as plain lines when not on a terminal).
set_ini "$h" JQuantsPace 60
began=$(date +%s%N)
k fetch-jquants 2024-01-04 2024-01-04 --refetch >"$t/out" 2>"$t/err" || fail "paced run: $(cat "$t/out" "$t/err")"
[ $(( ($(date +%s%N) - began) / 1000000 )) -ge 2000 ] || fail "pace not kept"
grep -q '^1/1 日  次の要求まで 1 秒$' "$t/err" || grep -q '^0/1 日  次の要求まで 1 秒$' "$t/err" || fail "wait not shown: $(cat "$t/err")"
cmp -s "$h/Data/Ds202401.04" <(printf '20240104\r\n4,Kestrel\r\n1301,0,極洋,3000,3050,2990,3020,15000\r\n7203,0,トヨタ自動車,0,0,0,0,0\r\n8601,0,大和証券,800,810,790,805,30000\r\n1002,0,総合指数,2300,2310,2290,2305,1\r\n' | sjis) || fail "refetched day"
set_ini "$h" JQuantsPace 6000

# A refusal with an HTML body, then a malformed page: the message names the date and the endpoint.
out=$(k fetch-jquants 2024-01-08 2024-01-10 2>&1) && fail "403 taken: $out"
echo "$out" | grep -qF '2024/01/09 の株価: J-Quants が /equities/bars/daily の要求を断りました（403）（応答に説明がありません）' || fail "403 message: $out"
[ -e "$h/Data/Ds202401.08" ] || true
[ ! -e "$h/Data/Ds202401.09" ] || fail "refused day written"
mv "$w/equities_bars_daily/2024-01-09.json" "$t/refused"
out=$(k fetch-jquants 2024-01-08 2024-01-10 2>&1) && fail "malformed page taken: $out"
echo "$out" | grep -q '2024/01/10 の株価: J-Quants の応答が JSON として読めません' || fail "malformed message: $out"
[ ! -e "$h/Data/Ds202401.10" ] || fail "malformed day written"

# A day without an issue list is refused rather than written empty.
out=$(k fetch-jquants 2024-01-15 2024-01-15 2>&1) && fail "empty master taken: $out"
echo "$out" | grep -q '2024/01/15 の銘柄一覧: J-Quants に銘柄がありません' || fail "empty master message: $out"
[ ! -e "$h/Data/Ds202401.15" ] || fail "day without a master written"

# A 429 that lasts: the day before it is kept and imported, the run says so and exits 0.
out=$(k fetch-jquants 2024-01-11 2024-01-12 --import 2>&1) || fail "lasting 429: $out"
echo "$out" | grep -qF '2024/01/12 の株価: J-Quants の利用回数の上限に達したままです（429）。ここで止めます。' || fail "429 message: $out"
echo "$out" | grep -qxF '作成済みの 1 日分はそのまま残っています。取り込みます' || fail "kept message: $out"
[ "$(q 'select 終値 from daydata where コード=1301 and 日付=20240111')" = 3000 ] || fail "day before the 429 not imported"
[ "$(grep -c 'daily?date=2024-01-12' "$t/plain.log")" = 4 ] || fail "429 tries: $(cat "$t/plain.log")"
# Asking again at once is blocked for a while (3 s here): the run waits it out instead of failing.
: >"$t/plain.log"
out=$(k fetch-jquants 2024-01-11 2024-01-11 --refetch 2>&1) || fail "after the block: $out"
[ "$(grep -c 'master?date=2024-01-11' "$t/plain.log")" = 3 ] || fail "block: $(cat "$t/plain.log")"

# A server that repeats its pagination key is not asked forever.
out=$(k fetch-jquants 2024-01-16 2024-01-16 2>&1) && fail "repeated key taken: $out"
echo "$out" | grep -qF '2024/01/16 の株価: J-Quants が同じ pagination_key を繰り返しました' || fail "repeat message: $out"

# A range over a year states the requests and the time, and asks.
: >"$t/plain.log"
out=$(k --no fetch-jquants 2020-01-01 2021-06-30 2>&1) && fail "long range not asked: $out"
echo "$out" | grep -qF '2020/01/01～2021/06/30 は 1 年を超えます。約 394 回の要求が必要で、毎分 6000 回の上限では約 1 分かかります。取得しますか？' ||
    fail "long range question: $out"
[ ! -s "$t/plain.log" ] || fail "requests before the answer: $(cat "$t/plain.log")"

# A wrong or expired key is a key problem, never the plan's; keys that may not be sent are refused
# before any request, without printing them.
: >"$t/plain.log"
out=$(JQUANTS_API_KEY=wrong k fetch-jquants 2024-01-11 2024-01-11 --refetch 2>&1) && fail "wrong key taken: $out"
echo "$out" | grep -qF 'API キーが受け付けられませんでした。キーが誤っているか、期限が切れています' || fail "key message: $out"
echo "$out" | grep -q '銘柄一覧: API キー' && fail "key blamed on a request: $out"
echo "$out" | grep -q 'ご契約のプランでは' && fail "key blamed on the plan: $out"
out=$(JQUANTS_API_KEY=$' \n' k fetch-jquants 2024-01-11 2024-01-11 --refetch 2>&1) && fail "empty key taken: $out"
echo "$out" | grep -q 'API キーが登録されていません' || fail "empty key message: $out"
out=$(JQUANTS_API_KEY=$'sec\nret' k fetch-jquants 2024-01-11 2024-01-11 --refetch 2>&1) && fail "key with a line break taken: $out"
echo "$out" | grep -qF 'J-Quants の API キーに制御文字（改行やタブなど）が含まれています' && ! echo "$out" | grep -q ret || fail "control key: $out"
out=$(JQUANTS_API_KEY=$(printf 'x%.0s' $(seq 600)) k fetch-jquants 2024-01-11 2024-01-11 --refetch 2>&1) && fail "long key taken: $out"
echo "$out" | grep -qF 'J-Quants の API キーが長すぎます（600 文字）' || fail "long key: $out"
[ "$(wc -l <"$t/plain.log")" = 1 ] || fail "requests with unusable keys: $(cat "$t/plain.log")"
set_ini "$h" JQuantsURL "http://127.0.0.1:$port/v9"
out=$(k fetch-jquants 2024-01-11 2024-01-11 --refetch 2>&1) && fail "wrong path taken: $out"
echo "$out" | grep -qF 'J-Quants に /equities/master がありません。J-Quants のアドレスの設定を確かめてください。' || fail "path message: $out"
set_ini "$h" JQuantsURL "http://127.0.0.1:$port"

# Autumn 2026: a split, a reverse split and a rights issue on their ex-rights dates, daily margin
# balances from 2026-09-28 (the week's file holds its last open day's), no request for a closed day.
for d in 2026-09-21 2026-09-28 2026-10-02; do echo "${master//2024-01-05/$d}" >"$w/equities_master/$d.json"; done
bar() { # DAY CODE FACTOR EXRT
    printf '{"Date": "%s", "Code": "%s", "O": 100, "H": 110, "L": 90, "C": 100, "Vo": 1000, "UL": "0", "LL": "0", "MktCap": null, "AdjFactor": %s, "ExRT": %s}' "$@"
}
for d in 2026-09-24 2026-09-25 2026-09-28 2026-09-29 2026-09-30 2026-10-01 2026-10-02; do
    f1=1 f3=1 f7=1 e1=null e3=null e7=null
    [ $d = 2026-09-24 ] && f7=0.5 e7='"1"'
    [ $d = 2026-09-25 ] && f3=5.0 e3='"2"'
    [ $d = 2026-09-28 ] && f1=0.9747 e1='"3"'
    echo "{\"data\": [$(bar $d 13010 $f1 $e1), $(bar $d 33500 $f3 $e3), $(bar $d 72030 $f7 $e7)]}" >"$w/equities_bars_daily/$d.json"
    echo "{\"data\": [{\"Date\": \"$d\", \"Code\": \"13010\", \"LongVol\": $((10#${d:8:2}))000, \"ShrtVol\": 10, \"LongVal\": 1}]}" \
        >"$w/markets_margin-interest/$d.json"
done
: >"$t/plain.log"
k fetch-jquants 2026-09-21 2026-10-02 --margin --import >"$t/out" 2>"$t/err" || fail "autumn: $(cat "$t/out" "$t/err")"
[ "$(grep -c '^/markets/calendar' "$t/plain.log")" = 1 ] || fail "calendar requests: $(cat "$t/plain.log")"
[ "$(grep -c 'bars/daily?date=' "$t/plain.log")" = 7 ] || fail "bars requests: $(cat "$t/plain.log")"
! grep -q 'daily?date=2026-09-2[123]' "$t/plain.log" || fail "a closed day was asked: $(cat "$t/plain.log")"
[ "$(grep 'margin-interest' "$t/plain.log" | sed 's/.*date=//; s/ .*//' | tr '\n' ' ')" = "2026-09-25 2026-10-02 " ] ||
    fail "margin requests: $(cat "$t/plain.log")"
grep -qxF '2026/09/22 は休場日です。' "$t/out" || fail "holiday not told: $(cat "$t/out")"
expect "$h/Data/Ys202610.02" '20261002\r\n1,Kestrel\r\n1301,,,10,2000,1\r\n'
k split list >"$t/out" || fail "split list"
printf '1301\t2026-09-28\t株主割当 係数 0.9747\t取引所\t提案\n3350\t2026-09-25\t5:1\t取引所\t提案\n7203\t2024-01-05\t1:2\t取引所\t提案\n7203\t2026-09-24\t1:2\t取引所\t提案\n' >"$t/want"
cmp -s "$t/want" "$t/out" || fail "proposals: $(cat "$t/out")"
# The exchange recalculates the factor: the pending proposal follows.
sed -i 's/"AdjFactor": 0.9747/"AdjFactor": 0.9751/' "$w/equities_bars_daily/2026-09-28.json"
k fetch-jquants 2026-09-28 2026-09-28 --refetch >/dev/null 2>&1 || fail "refetch of the rights issue"
k split list 1301 | grep -qxF "$(printf '1301\t2026-09-28\t株主割当 係数 0.9751\t取引所\t提案')" || fail "factor not updated: $(k split list 1301)"
# An open day without a file is named after the import (which finds every other day stored); a closed
# one is not.
k import-daily 2026-09-21 2026-10-05 >"$t/out" 2>"$t/err" && fail "nothing new taken for an import"
grep -qxF '休場日でない日のデータがありません: 2026/10/05' "$t/err" || fail "gap not named: $(cat "$t/err")"

# The Free plan: no TOPIX or margin asked, each named once; a range past the window fetches and imports
# the days inside it and names the window. With the plan set too high the service's refusals say the same.
start_jq free --plan free --window "2024-01-04~2024-01-05"
h3=$t/h3
mkdir -p "$h3"
"$kestrel" --home "$h3" init >/dev/null
set_ini "$h3" sinyoPath "$h3/Data/"
set_ini "$h3" JQuantsURL "http://127.0.0.1:$port"
set_ini "$h3" JQuantsPace 6000
set_ini "$h3" JQuantsRetryWait 2
"$kestrel" --home "$h3" fetch-jquants 2024-01-01 2024-01-12 --master --margin --import >"$t/out" 2>"$t/err" ||
    fail "free plan: $(cat "$t/out" "$t/err")"
for line in 'ご契約のプランで取得できる期間は 2024/01/04～2024/01/05 です。範囲の平日のうち 8 日は期間外のため取得しません。' \
    'TOPIX は Light 以上のプランで取得できます（ご契約は Free）。TOPIX なしで作成します。' \
    '信用残は Standard 以上のプランで取得できます（ご契約は Free）。信用残のファイルは作成しません。'; do
    [ "$(grep -cxF "$line" "$t/err")" = 1 ] || fail "free plan line $line: $(cat "$t/err")"
done
! grep -qE 'topix|margin' "$t/free.log" || fail "free plan asked: $(cat "$t/free.log")"
[ "$(sqlite3 "$h3/Kestrel.mdb" 'select group_concat(日付) from (select distinct 日付 from daydata order by 日付)')" = 20240104,20240105 ] ||
    fail "free plan days: $(sqlite3 "$h3/Kestrel.mdb" 'select * from daydata')"
[ "$(sqlite3 "$h3/Kestrel.mdb" 'select count(*) from daydata where コード=1002')" = 0 ] || fail "1002 without TOPIX"
set_ini "$h3" JQuantsPlan Standard
"$kestrel" --home "$h3" fetch-jquants 2024-01-04 2024-01-05 --margin --refetch >"$t/out" 2>"$t/err" ||
    fail "refused endpoints: $(cat "$t/out" "$t/err")"
grep -qxF 'TOPIX はご契約のプランでは取得できません（Light 以上のプランで取得できます）。TOPIX なしで作成します。' "$t/err" &&
    grep -qxF '信用残はご契約のプランでは取得できません（Standard 以上のプランで取得できます）。信用残のファイルは作成しません。' "$t/err" ||
    fail "refusal lines: $(cat "$t/err")"
[ "$(grep -c margin "$t/free.log")" = 1 ] || fail "margin asked after the refusal: $(cat "$t/free.log")"
# The latest days: today is outside the window, so the last two weekdays before its end are taken.
rm "$h3"/Data/Ds*
"$kestrel" --home "$h3" fetch-jquants --latest 2 >"$t/out" 2>"$t/err" || fail "latest: $(cat "$t/out" "$t/err")"
grep -qxF 'ご契約のプランで取得できる期間は 2024/01/04～2024/01/05 です。最新の 2 日分として 2024/01/04～2024/01/05 を取得します。' "$t/out" ||
    fail "latest line: $(cat "$t/out")"
[ -e "$h3/Data/Ds202401.04" ] && [ -e "$h3/Data/Ds202401.05" ] || fail "latest days not written"
# A window that ends on Friday 2026-09-25, with Monday to Wednesday of that week closed: the last three
# days are counted on the calendar (18, 24, 25 September), and no closed day is asked for.
start_jq free2 --plan free --window "2026-06-01~2026-09-25"
for d in 2026-09-18 2026-09-25; do echo "${master//2024-01-05/$d}" >"$w/equities_master/$d.json"; done
echo '{"data": [{"Date": "2026-09-18", "Code": "13010", "O": 90, "H": 95, "L": 85, "C": 92, "Vo": 500}]}' \
    >"$w/equities_bars_daily/2026-09-18.json"
set_ini "$h3" JQuantsURL "http://127.0.0.1:$port"
set_ini "$h3" JQuantsPlan Free
"$kestrel" --home "$h3" fetch-jquants --latest 3 --import >"$t/out" 2>"$t/err" || fail "latest over holidays: $(cat "$t/out" "$t/err")"
grep -qxF 'ご契約のプランで取得できる期間は 2026/06/01～2026/09/25 です。最新の 3 日分として 2026/09/18～2026/09/25 を取得します。' "$t/out" ||
    fail "latest over holidays line: $(cat "$t/out")"
[ "$(grep 'bars/daily?date=' "$t/free2.log" | sed 's/.*date=//; s/ .*//' | tr '\n' ' ')" = "2026-09-18 2026-09-24 2026-09-25 " ] ||
    fail "latest over holidays requests: $(cat "$t/free2.log")"
[ "$(sqlite3 "$h3/Kestrel.mdb" 'select group_concat(日付) from (select distinct 日付 from daydata where 日付>20260901 order by 日付)')" = \
  20260918,20260924,20260925 ] || fail "latest over holidays days: $(sqlite3 "$h3/Kestrel.mdb" 'select distinct 日付 from daydata')"

# HTTPS with a certificate made here, through Plover's ninth source into a second program folder.
# A build without the GUI has no Plover: its part is left out there.
h2=$t/h2
mkdir -p "$h2"
if [ -x "$plover" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$t/k.pem" -out "$t/c.pem" -days 1 -subj /CN=127.0.0.1 \
        -addext subjectAltName=IP:127.0.0.1 2>/dev/null
    start_jq tls --cert "$t/c.pem" --keyfile "$t/k.pem"
    "$kestrel" --home "$h2" init >/dev/null
    set_ini "$h2" JQuantsURL "https://127.0.0.1:$port"
    set_ini "$h2" JQuantsPace 6000
    set_ini "$h2" JQuantsRetryWait 2
    set_ini "$h2" JQuantsPlan Standard
    out=$("$plover" --home "$h2" --batch --source 9 24/01/04 24/01/05 2>&1) && fail "untrusted certificate taken: $out"
    echo "$out" | grep -q '2024/01/04 の銘柄一覧: J-Quants に接続できません' || fail "certificate message: $out"
    KESTREL_JQUANTS_CAFILE=$t/c.pem "$plover" --home "$h2" --batch --source 9 24/01/04 24/01/05 >"$t/out" 2>&1 ||
        fail "Plover source 9: $(cat "$t/out")"
    grep -qxF '2/2 日' "$t/out" || fail "progress: $(cat "$t/out")"
    cmp -s "$t/first05" "$h2/Data/Ds202401.05" || fail "Plover's day differs: $(iconv -f CP932 -t UTF-8 "$h2/Data/Ds202401.05")"
    "$kestrel" --home "$h2" import-daily 2024-01-04 2024-01-05 >/dev/null || fail "import of Plover's days"
    [ "$(sqlite3 "$h2/Kestrel.mdb" 'select count(*) from daydata')" = 8 ] || fail "Plover rows"
    [ "$(sqlite3 "$h2/Kestrel.mdb" 'select 分割後 from Bunkatu where コード=7203')" = 2 ] || fail "Plover split"
    # The Free plan through Plover: the days inside the window are written, TOPIX and margin named once
    # each, and the open day that came without prices (17 September) named as a gap.
    h4=$t/h4
    mkdir -p "$h4"
    "$kestrel" --home "$h4" init >/dev/null
    set_ini "$h4" JQuantsURL "http://127.0.0.1:$(cat "$t/free2.port")"
    set_ini "$h4" JQuantsPace 6000
    "$plover" --home "$h4" --batch --source 9 26/09/17 26/09/29 >"$t/out" 2>&1 || fail "Plover on the Free plan: $(cat "$t/out")"
    for line in 'ご契約のプランで取得できる期間は 2026/06/01～2026/09/25 です。範囲の平日のうち 2 日は期間外のため取得しません。' \
        'TOPIX は Light 以上のプランで取得できます（ご契約は Free）。TOPIX なしで作成します。' \
        '信用残は Standard 以上のプランで取得できます（ご契約は Free）。信用残のファイルは作成しません。' \
        '休場日でない日のデータがありません: 2026/09/17' '全ダウンロード終了'; do
        [ "$(grep -cxF "$line" "$t/out")" = 1 ] || fail "Plover on the Free plan, line $line: $(cat "$t/out")"
    done
    "$kestrel" --home "$h4" import-daily 2026-09-17 2026-09-25 >/dev/null 2>&1 || true
    [ "$(sqlite3 "$h4/Kestrel.mdb" "select group_concat(日付 || ':' || n) from (select 日付, count(*) n from daydata group by 日付 order by 日付)")" = \
      20260918:1,20260924:3,20260925:3 ] || fail "Plover's Free days: $(sqlite3 "$h4/Kestrel.mdb" 'select * from daydata')"
fi

# The key is in no file of either program folder.
! grep -rqF "$key" "$h" "$h2" "$h3" || fail "the key was written into a file"
echo "1 passed, 0 failed"
