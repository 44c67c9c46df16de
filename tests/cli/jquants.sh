#!/usr/bin/env bash
# The J-Quants road end to end against a local J-Quants-shaped server (HTTP, then HTTPS with a
# certificate made here): pages, a 429 with Retry-After, a cut page, an outage row, skipped codes,
# holidays, a split day, weekly margin balances; imports into the database; resume; bad keys, a date
# the plan refuses, a malformed page; the key never written into the program folder.
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
 {"Date": "2024-01-05", "Code": "13010", "CoName": "極洋", "Mkt": "0111"},
 {"Date": "2024-01-05", "Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"},
 {"Date": "2024-01-05", "Code": "33500", "CoName": "グロース例", "Mkt": "0113"},
 {"Date": "2024-01-05", "Code": "130A0", "CoName": "英字コード", "Mkt": "0113"},
 {"Date": "2024-01-05", "Code": "25935", "CoName": "優先株", "Mkt": "0111"}]}'
echo "$master" >"$w/equities_master/2024-01-01.json"
for d in 05 08 10 11; do echo "$master" >"$w/equities_master/2024-01-$d.json"; done
# An issue listed on 2024-01-04 only: neither end of the range lists it, so that day's list is asked.
echo "${master%]\}}"', {"Date": "2024-01-04", "Code": "86010", "CoName": "大和証券", "Mkt": "0111"}]}' \
    >"$w/equities_master/2024-01-04.json"
cat >"$w/indices_bars_daily_topix/all.json" <<'J'
{"data": [{"Date": "2024-01-04", "O": 2300.5, "H": 2310.9, "L": 2290.1, "C": 2305.2},
          {"Date": "2024-01-05", "O": 2310, "H": 2330, "L": 2300, "C": 2320}]}
J
printf 'STATUS 429 1\n{"message": "Rate limit exceeded"}' >"$w/equities_bars_daily/2024-01-04.json.first"
cat >"$w/equities_bars_daily/2024-01-04.json" <<'J'
{"data": [{"Date": "2024-01-04", "Code": "13010", "O": 3000, "H": 3050, "L": 2990, "C": 3020, "Vo": 15000, "AdjFactor": 1},
          {"Date": "2024-01-04", "Code": "72030", "O": null, "H": null, "L": null, "C": null, "Vo": null, "AdjFactor": 1},
          {"Date": "2024-01-04", "Code": "86010", "O": 800, "H": 810, "L": 790, "C": 805, "Vo": 30000},
          {"Date": "2024-01-04", "Code": "130A0", "O": 10, "H": 10, "L": 10, "C": 10, "Vo": 5, "AdjFactor": 1}]}
J
cat >"$w/equities_bars_daily/2024-01-05.json" <<'J'
{"data": [{"Date": "2024-01-05", "Code": "13010", "O": 3020, "H": 3100, "L": 3010, "C": 3090, "Vo": 20000, "AdjFactor": 1}],
 "pagination_key": "p2"}
J
page2='{"data": [{"Date": "2024-01-05", "Code": "72030", "O": 2600, "H": 2650, "L": 2580, "C": 2620, "Vo": 1000000, "AdjFactor": 0.5},
 {"Date": "2024-01-05", "Code": "33500", "O": 500, "H": 510, "L": 495.5, "C": 505, "Vo": 200, "AdjFactor": 1}]}'
echo "$page2" >"$w/equities_bars_daily/2024-01-05.p2.json"
printf 'CUT\n%s' "$page2" >"$w/equities_bars_daily/2024-01-05.p2.json.first"
cat >"$w/markets_margin-interest/2024-01-05.json" <<'J'
{"data": [{"Date": "2024-01-05", "Code": "13010", "LongVol": 50000, "ShrtVol": 12000},
          {"Date": "2024-01-05", "Code": "72030", "LongVol": 300000, "ShrtVol": 1000000}]}
J
printf 'STATUS 403\n{"message": "Your subscription covers the following dates: 2022-01-01 ~ 2024-01-05."}' \
    >"$w/equities_bars_daily/2024-01-09.json"
printf '{"data": [{"Date": "2024-01-10", "Code": ' >"$w/equities_bars_daily/2024-01-10.json"

# start_jq NAME [--cert C --keyfile K]: sets $port.
start_jq() {
    local name=$1
    shift
    python3 "$server" --root "$w" --port-file "$t/$name.port" --log "$t/$name.log" --key "$key" --lifetime 300 "$@" &
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

k fetch-jquants 2024-01-01 2024-01-05 --master --margin --import >"$t/out" 2>"$t/err" || fail "fetch: $(cat "$t/out" "$t/err")"
for line in '2024-01-01 は休場日です' 'Ds202401.04 を作成しました（4 件）' 'Ds202401.05 を作成しました（4 件）' \
    'Ys202401.05 を作成しました（2 件）' '取り込めない銘柄コード 2 件を除きました' '株式分割の候補 1 件を記録しました'; do
    grep -qxF "$line" "$t/out" || fail "missing line $line: $(cat "$t/out")"
done
[ "$(grep -c 'daily?date=2024-01-04' "$t/plain.log")" = 2 ] || fail "429 not retried once: $(cat "$t/plain.log")"
[ "$(grep -c 'pagination_key=p2' "$t/plain.log")" = 2 ] || fail "cut page not retried once: $(cat "$t/plain.log")"
# One calendar request; none for the bars of the closed days 1 to 3 January.
[ "$(wc -l <"$t/plain.log")" = 11 ] || fail "requests: $(cat "$t/plain.log")"
! grep -q 'daily?date=2024-01-0[123]' "$t/plain.log" || fail "a closed day was asked: $(cat "$t/plain.log")"
expect() { printf "$2" | sjis | od -c >"$t/want"; od -c <"$1" >"$t/got"; cmp -s "$t/want" "$t/got" || fail "$1: $(iconv -f CP932 -t UTF-8 "$1" 2>&1)"; }
expect "$h/Data/Ds202401.04" '20240104\r\n4,Kestrel\r\n1301,0,極洋,3000,3050,2990,3020,15000\r\n7203,0,トヨタ自動車,0,0,0,0,0\r\n8601,0,大和証券,800,810,790,805,30000\r\n1002,0,総合指数,2300,2310,2290,2305,1\r\n'
expect "$h/Data/Ds202401.05" '20240105\r\n4,Kestrel\r\n1301,0,極洋,3020,3100,3010,3090,20000\r\n7203,0,トヨタ自動車,2600,2650,2580,2620,1000000\r\n3350,5,グロース例,500,510,495,505,200\r\n1002,0,総合指数,2310,2330,2300,2320,1.02\r\n'
expect "$h/Data/Ys202401.05" '20240105\r\n2,Kestrel\r\n1301,,,12000,50000,1\r\n7203,,,1000000,300000,1\r\n'
[ ! -e "$h/Data/Regist.Mei" ] || fail "Regist.Mei not imported"
[ "$(q "select group_concat(コード || ':' || 市場コード || ':' || 銘柄 || ':' || 出来高単位 || ':' || 株価単位, ' ') from (select * from Mei order by コード)")" = \
  "1002:1:総合指数:1:1 1301:1:極洋:1:1 3350:3:グロース例:1:1 7203:1:トヨタ自動車:1:1 8601:1:大和証券:1:1" ] || fail "Mei: $(q 'select * from Mei')"
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

# A plan that refuses a date, then a malformed page: the message names the date; the day before is kept.
out=$(k fetch-jquants 2024-01-08 2024-01-10 2>&1) && fail "403 taken: $out"
echo "$out" | grep -q '2024-01-09 の株価: .*プランではこの日付のデータを取得できません' || fail "403 message: $out"
[ -e "$h/Data/Ds202401.08" ] || true
[ ! -e "$h/Data/Ds202401.09" ] || fail "refused day written"
mv "$w/equities_bars_daily/2024-01-09.json" "$t/refused"
out=$(k fetch-jquants 2024-01-08 2024-01-10 2>&1) && fail "malformed page taken: $out"
echo "$out" | grep -q '2024-01-10 の株価: J-Quants の応答が JSON として読めません' || fail "malformed message: $out"
[ ! -e "$h/Data/Ds202401.10" ] || fail "malformed day written"

# A day without an issue list is refused rather than written empty.
out=$(k fetch-jquants 2024-01-15 2024-01-15 2>&1) && fail "empty master taken: $out"
echo "$out" | grep -q '2024-01-15 の銘柄一覧: J-Quants に銘柄がありません' || fail "empty master message: $out"
[ ! -e "$h/Data/Ds202401.15" ] || fail "day without a master written"

# A wrong key, and an empty key refused before any request.
: >"$t/plain.log"
out=$(JQUANTS_API_KEY=wrong k fetch-jquants 2024-01-11 2024-01-11 2>&1) && fail "wrong key taken: $out"
echo "$out" | grep -q 'API キーを受け付けません（401）' || fail "401 message: $out"
: >"$t/plain.log"
out=$(JQUANTS_API_KEY=$' \n' k fetch-jquants 2024-01-11 2024-01-11 2>&1) && fail "empty key taken: $out"
echo "$out" | grep -q 'API キーが登録されていません' || fail "empty key message: $out"
[ ! -s "$t/plain.log" ] || fail "requests with an empty key: $(cat "$t/plain.log")"

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
[ "$(grep 'margin-interest' "$t/plain.log" | sed 's/.*date=//' | tr '\n' ' ')" = "2026-09-25 2026-10-02 " ] ||
    fail "margin requests: $(cat "$t/plain.log")"
grep -qxF '2026-09-22 は休場日です' "$t/out" || fail "holiday not told: $(cat "$t/out")"
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
grep -qxF '休場日でない日のデータがありません: 2026-10-05' "$t/err" || fail "gap not named: $(cat "$t/err")"

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
    out=$("$plover" --home "$h2" --batch --source 9 24/01/04 24/01/05 2>&1) && fail "untrusted certificate taken: $out"
    echo "$out" | grep -q '2024-01-04 の銘柄一覧: J-Quants に接続できません' || fail "certificate message: $out"
    KESTREL_JQUANTS_CAFILE=$t/c.pem "$plover" --home "$h2" --batch --source 9 24/01/04 24/01/05 >"$t/out" 2>&1 ||
        fail "Plover source 9: $(cat "$t/out")"
    grep -qxF '2/2 日' "$t/out" || fail "progress: $(cat "$t/out")"
    cmp -s "$t/first05" "$h2/Data/Ds202401.05" || fail "Plover's day differs: $(iconv -f CP932 -t UTF-8 "$h2/Data/Ds202401.05")"
    "$kestrel" --home "$h2" import-daily 2024-01-04 2024-01-05 >/dev/null || fail "import of Plover's days"
    [ "$(sqlite3 "$h2/Kestrel.mdb" 'select count(*) from daydata')" = 8 ] || fail "Plover rows"
    [ "$(sqlite3 "$h2/Kestrel.mdb" 'select 分割後 from Bunkatu where コード=7203')" = 2 ] || fail "Plover split"
fi

# The key is in no file of either program folder.
! grep -rqF "$key" "$h" "$h2" || fail "the key was written into a file"
echo "1 passed, 0 failed"
