#!/usr/bin/env bash
# Company disclosures end to end against the local J-Quants-shaped server: fetch-fins by date (pages, a
# 429, a code that cannot be held, a day without disclosures) and by issue, the endpoint's own pace, a
# refetch replacing its row, the Free plan's window; then `kestrel fins --json` worked by hand.
set -euo pipefail
source "$(dirname "$0")/common.bash"
server=$(dirname "$0")/jquants_server.py
key="fins-key-7c21"
export JQUANTS_API_KEY=$key
w=$t/www
mkdir -p "$w/fins_summary"
r10='{"DiscDate": "2023-05-12", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "20230512000001", "DocType": "FYFinancialStatements_Consolidated_JP", "CurPerType": "FY", "CurPerEn": "2023-03-31", "CurFYEn": "2023-03-31", "NxtFYEn": "2024-03-31", "Sales": "800000000", "OP": "80000000", "OdP": "", "EPS": "32", "NxFEPS": "40"}'
r20='{"DiscDate": "2024-05-10", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "20240510000001", "DocType": "FYFinancialStatements_Consolidated_JP", "CurPerType": "FY", "CurPerEn": "2024-03-31", "CurFYEn": "2024-03-31", "NxtFYEn": "2025-03-31", "Sales": "1000000000", "OP": "100000000", "OdP": "110000000", "NP": "64000000", "EPS": "64", "ROE": "0.125", "EqAR": "0.5", "BPS": "1000", "DivAnn": "20", "ShOutFY": "1100000", "TrShFY": "100000", "NxFSales": "1100000000", "NxFOP": "120000000", "NxFOdP": "", "NxFNp": "-", "NxFEPS": "80", "NxFDivAnn": "24", "AddedLater": "1"}'
r21='{"DiscDate": "2024-05-10", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "20240510000002", "DocType": "EarnForecastRevision", "CurPerType": "FY", "CurFYEn": "2024-03-31", "FEPS": "72"}'
echo "{\"data\": [$r20], \"pagination_key\": \"p.2+x\"}" >"$w/fins_summary/2024-05-10.json"
echo "{\"data\": [$r21, {\"DiscDate\": \"2024-05-10\", \"Code\": \"130A0\", \"DiscNo\": \"20240510000003\"}]}" \
    >"$w/fins_summary/2024-05-10.p.2+x.json"
printf 'STATUS 429\n{"message": "Too Many Requests"}' >"$w/fins_summary/2024-05-13.json.first"
r20first=$(echo "$r20" | sed 's/"EPS": "64"/"EPS": "99"/')
echo "{\"data\": [$r10, $r20first]}" >"$w/fins_summary/72030.json"

start_jq() {
    local name=$1
    shift
    python3 "$server" --root "$w" --port-file "$t/$name.port" --log "$t/$name.log" --key "$key" --lifetime 300 \
        --rate-wait 1 --block 3 "$@" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$t/$name.port" ] && break; sleep 0.1; done
    port=$(cat "$t/$name.port") || fail "server $name did not start"
}
set_ini() {
    sed -i "/^$2=/d" "$1/Kestrel.ini"
    sed -i "s|^\[Kestrel\]\r\$|[Kestrel]\r\n$2=$3\r|" "$1/Kestrel.ini"
}
start_jq plain
mkdir -p "$h"
k init >/dev/null
set_ini "$h" JQuantsURL "http://127.0.0.1:$port"
set_ini "$h" JQuantsPace 6000
set_ini "$h" JQuantsPlan Standard
set_ini "$h" JQuantsRetryWait 2

# By issue first: the old year and a first version of this year's results (EPS 99, replaced below).
k fetch-fins --code 7203 >"$t/out" 2>"$t/err" || fail "by code: $(cat "$t/out" "$t/err")"
grep -q 'fins/summary?code=72030 ' "$t/plain.log" || fail "code request: $(cat "$t/plain.log")"
[ "$(q 'select EPS from Kessan where DiscNo=20240510000001')" = 99 ] || fail "by code rows: $(q 'select * from Kessan')"

# By date: one request a day and its pages, at most 60 a minute whatever the pace set.
began=$(date +%s%N)
k fetch-fins 2024-05-10 2024-05-14 >"$t/out" 2>"$t/err" || fail "by date: $(cat "$t/out" "$t/err")"
[ $(( ($(date +%s%N) - began) / 1000000 )) -ge 4000 ] || fail "the endpoint's pace not kept"
grep -qxF '2 件の開示を保存, 5 回の要求' "$t/out" || fail "summary: $(cat "$t/out")"
grep -qxF '取り込めない銘柄コードの開示 1 件を除きました。' "$t/out" || fail "skipped: $(cat "$t/out")"
[ "$(grep -c 'summary?date=2024-05-13' "$t/plain.log")" = 2 ] || fail "429 not retried: $(cat "$t/plain.log")"
grep -q 'pagination_key=p.2%2Bx ' "$t/plain.log" || fail "second page: $(cat "$t/plain.log")"
# The refetched row replaced its own only; 未定 and no value stay apart.
[ "$(q "select group_concat(DiscNo || ':' || ifnull(EPS, 'null') || ':' || ifnull(NxFNp, 'null') || ':' || ifnull(NxFOdP, 'null'), ' ') from (select * from Kessan order by DiscNo)")" = \
  "20230512000001:32:null:null 20240510000001:64:-:null 20240510000002:null:null:null" ] || fail "rows: $(q 'select * from Kessan')"

# The figures as of a day, worked by hand: close 1600 (13 May), EPS 64, forecast 80 (the revision's
# 72 is for the year just ended), BPS 1000, dividend 24, 1,000,000 shares outstanding.
sqlite3 "$h/Kestrel.mdb" "insert into dayData values (7203, 20240510, 1500, 1500, 1500, 1500, 0, 100, 0);
    insert into dayData values (7203, 20240513, 1600, 1600, 1600, 1600, 100, 100, 0)"
k fins 7203 --date 2024-05-14 --json >"$t/out" || fail "fins json"
want='{"code":"7203","date":"2024-05-14","close":1600,"fper":20,"per":25,"pbr":1.6,"yield":1.5,"mktcap":1600000000,"roe":12.5,"equityRatio":50,"eps":64,"feps":80,"bps":1000,"fdiv":24,"salesGrowth":25,"opGrowth":25,"epsGrowth":100,"years":[{"fyEnd":"2023-03-31","forecast":false,"sales":800000000,"op":80000000,"eps":32,"disclosed":"2023-05-12"},{"fyEnd":"2024-03-31","forecast":false,"sales":1000000000,"op":100000000,"odp":110000000,"np":64000000,"eps":64,"div":20,"disclosed":"2024-05-10"},{"fyEnd":"2025-03-31","forecast":true,"sales":1100000000,"op":120000000,"eps":80,"div":24,"disclosed":"2024-05-10"}]}'
[ "$(cat "$t/out")" = "$want" ] || fail "json: $(cat "$t/out")"
# On the disclosure day itself only the year before counts: close 1500, EPS 32, forecast 40.
k fins 7203 --date 2024-05-10 --json >"$t/out" || fail "fins json on the day"
want='{"code":"7203","date":"2024-05-10","close":1500,"fper":37.5,"per":46.875,"eps":32,"feps":40,"years":[{"fyEnd":"2023-03-31","forecast":false,"sales":800000000,"op":80000000,"eps":32,"disclosed":"2023-05-12"},{"fyEnd":"2024-03-31","forecast":true,"eps":40,"disclosed":"2023-05-12"}]}'
[ "$(cat "$t/out")" = "$want" ] || fail "json on the day: $(cat "$t/out")"
k fins 7203 --date 2024-05-14 | grep -q '^予想PER 20.00  実績PER 25.00  PBR 1.60  予想配当利回り 1.50%  時価総額 16.0 億円$' ||
    fail "text: $(k fins 7203 --date 2024-05-14)"

# A screen on the figures finds the same values as of the same day; on the disclosure day the results
# do not count yet (予想PER 37.5).
sqlite3 "$h/Kestrel.mdb" "insert into Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) values (7203, 1, 'トヨタ', 1, 1)"
k screen 'fper < 30 and pbr < 2 and yield >= 1.5' --date 2024-05-14 --json >"$t/out" || fail "screen on figures"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); r=d["rows"]; assert [x["code"] for x in r]==[7203] and (r[0]["fper"], r[0]["pbr"], r[0]["yield"])==(20, 1.6, 1.5), d' "$t/out" ||
    fail "screen values: $(cat "$t/out")"
k screen 'fper < 30' --date 2024-05-10 --json | python3 -c 'import json,sys; assert json.load(sys.stdin)["rows"]==[]' ||
    fail "a disclosure counted on its own day"

# The daily run fetches the same days' disclosures after the prices; a refusal of /fins/summary is said
# once, the prices are still written and imported, and the exit status is that of the prices.
mkdir -p "$w/equities_master" "$w/equities_bars_daily"
m='{"data": [{"Date": "2024-05-15", "Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"}]}'
for d in 15 16; do
    echo "$m" >"$w/equities_master/2024-05-$d.json"
    echo "{\"data\": [{\"Date\": \"2024-05-$d\", \"Code\": \"72030\", \"O\": 1700, \"H\": 1700, \"L\": 1700, \"C\": 1700, \"Vo\": 100}]}" \
        >"$w/equities_bars_daily/2024-05-$d.json"
done
r30='{"DiscDate": "2024-05-15", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "20240515000001", "DocType": "EarnForecastRevision", "CurPerType": "FY", "CurFYEn": "2025-03-31", "FEPS": "85"}'
echo "{\"data\": [$r30]}" >"$w/fins_summary/2024-05-15.json"
set_ini "$h" JQuantsURL "http://127.0.0.1:$(cat "$t/plain.port")"
k fetch-jquants 2024-05-15 2024-05-15 --import >"$t/out" 2>"$t/err" || fail "daily run: $(cat "$t/out" "$t/err")"
grep -q 'fins/summary?date=2024-05-15 ' "$t/plain.log" || fail "no disclosures asked: $(cat "$t/plain.log")"
[ "$(q 'select FEPS from Kessan where DiscNo=20240515000001')" = 85 ] || fail "run's disclosure: $(q 'select * from Kessan')"
grep -qxF '決算情報 1 件を保存しました。' "$t/out" || fail "run's fins line: $(cat "$t/out")"
printf 'STATUS 403\n{"message": "This API is not available on your subscription"}' >"$w/fins_summary/2024-05-16.json"
k fetch-jquants 2024-05-16 2024-05-16 --import >"$t/out" 2>"$t/err" || fail "refused figures held the prices: $(cat "$t/out" "$t/err")"
[ "$(grep -c '決算情報はご契約のプランでは取得できません' "$t/out" "$t/err" | awk -F: '{s+=$2} END {print s}')" = 1 ] ||
    fail "refusal not said once: $(cat "$t/out" "$t/err")"
[ "$(q 'select 終値 from daydata where コード=7203 and 日付=20240516')" = 1700 ] || fail "prices not imported"

# The Free plan's window: the days before it are left out after the first refusal, and said once.
start_jq free --plan free --window "2024-05-13~2024-05-14"
set_ini "$h" JQuantsURL "http://127.0.0.1:$port"
k fetch-fins 2024-05-09 2024-05-14 >"$t/out" 2>"$t/err" || fail "free plan: $(cat "$t/out" "$t/err")"
grep -qxF 'ご契約のプランで取得できる期間は 2024/05/13～2024/05/14 です。範囲のうち 2 日は期間外のため取得しません。' "$t/err" ||
    fail "window line: $(cat "$t/err")"
[ "$(grep -c 'summary?date=' "$t/free.log")" = 4 ] || fail "free requests: $(cat "$t/free.log")"
! grep -q 'date=2024-05-10' "$t/free.log" || fail "a day outside the window asked: $(cat "$t/free.log")"
# Scheduled dates: exactly one parameter, as the service wants.
curl -s -H "x-api-key: $key" "http://127.0.0.1:$port/fins/earnings-date?code=72030&date=2024-05-10" | grep -q 'Exactly one' ||
    fail "earnings-date with two parameters"

! grep -rqF "$key" "$h" || fail "the key was written into a file"
echo "1 passed, 0 failed"
