#!/usr/bin/env bash
# History by code and the market's history in the background against a local J-Quants-shaped server on
# the Light plan, whose answers come in pages of three rows: one issue by code; the background run
# killed (kill -9) at two points and resumed, after which the database equals, row for row, the one a
# straight fetch-jquants of the same days and its import leave; --status on the way and at the end.
set -euo pipefail
source "$(dirname "$0")/common.bash"
server=$(dirname "$0")/jquants_server.py
unset DISPLAY WAYLAND_DISPLAY
key="test-key-77b1"
export JQUANTS_API_KEY=$key
w=$t/www
mkdir -p "$w/equities_master" "$w/equities_bars_daily" "$w/indices_bars_daily_topix" "$w/markets_calendar"

# Thirty open days ending today (the Light plan has no delay), the calendar over six years. 1301 trades
# every day; 7203 splits 1:2 on the tenth day; 6758 does not trade on every fourth day; 9984 is listed
# from the twelfth day; 8601 stops five days before the end; 2914 trades near a million yen with volumes
# near two billion shares; 130A0 (letters) is never stored. Whole weeks without trading (every field null):
# 4502 in the second and third weeks, 8058 in the fourth, 9432 in the first two, 9433 from the fifth on.
python3 - "$w" <<'P'
import datetime, json, sys
w = sys.argv[1]
today = datetime.date.today()
closed = lambda d: d.weekday() >= 5 or (d.month, d.day) in ((1, 1), (1, 2), (1, 3), (5, 3), (11, 3))
cal, d = [], today - datetime.timedelta(days=6 * 366)
while d <= today + datetime.timedelta(days=10):
    cal.append({"Date": d.isoformat(), "HolDiv": "0" if closed(d) else "1"})
    d += datetime.timedelta(days=1)
json.dump({"data": cal}, open(w + "/markets_calendar/all.json", "w"))
days, d = [], today
while len(days) < 30:
    if not closed(d):
        days.append(d)
    d -= datetime.timedelta(days=1)
days.reverse()
names = {"13010": ("極洋", "0111"), "72030": ("トヨタ自動車", "0111"), "67580": ("ソニーグループ", "0111"),
         "99840": ("ソフトバンクグループ", "0111"), "86010": ("大和証券グループ本社", "0111"),
         "29140": ("日本たばこ産業", "0111"), "33500": ("グロース例", "0113"), "130A0": ("英字コード", "0113"),
         "45020": ("武田薬品工業", "0111"), "80580": ("三菱商事", "0111"), "94320": ("日本電信電話", "0111"),
         "94330": ("ＫＤＤＩ", "0111")}
mondays = sorted({d - datetime.timedelta(days=d.weekday()) for d in days})
idle = {"45020": (1, 2), "80580": (3,), "94320": (0, 1), "94330": tuple(range(4, len(mondays)))}
json.dump({"data": [{"Date": days[-1].isoformat(), "Code": c, "CoName": n, "Mkt": m} for c, (n, m) in names.items()]},
          open(w + "/equities_master/all.json", "w"))
bars, topix = [], []
for i, day in enumerate(days):
    iso = day.isoformat()
    topix.append({"Date": iso, "O": 2700 + i, "H": 2710.5 + i, "L": 2690 + i, "C": 2705.25 + i})
    for code in names:
        if (code == "99840" and i < 11) or (code == "86010" and i >= 25):
            continue
        base = {"13010": 3000, "72030": 2600, "67580": 12000, "99840": 8000, "86010": 900, "29140": 950000,
                "33500": 1, "130A0": 10, "45020": 6000, "80580": 3000, "94320": 150, "94330": 4000}[code]
        close = base + (i * 37 + int(code[:4])) % 23 - 11 if base > 100 else base + i % 3
        if code == "72030" and i >= 9:
            close = close / 2
        row = {"Date": iso, "Code": code, "O": close, "H": close + 5, "L": max(close - 6, 1), "C": close,
               "Vo": 1999999000 + i if code == "29140" else 10000 + i * 100, "AdjFactor": 0.5 if code == "72030" and i == 9 else 1,
               "ExRT": "1" if code == "72030" and i == 9 else None, "UL": "0", "LL": "0"}
        week = mondays.index(day - datetime.timedelta(days=day.weekday()))
        if (code == "67580" and i % 4 == 1) or week in idle.get(code, ()):
            row.update({"O": None, "H": None, "L": None, "C": None, "Vo": None, "Va": None})
        bars.append(row)
json.dump({"data": bars}, open(w + "/equities_bars_daily/all.json", "w"))
json.dump({"data": topix}, open(w + "/indices_bars_daily_topix/all.json", "w"))
open(w + "/span", "w").write("%s %s\n" % (days[0].isoformat(), days[-1].isoformat()))
P
read -r first last <"$w/span"

python3 "$server" --root "$w" --port-file "$t/jq.port" --log "$t/jq.log" --key "$key" --lifetime 300 --plan light \
    --page-rows 3 --delay 0.04 &
pids+=($!)
for _ in $(seq 100); do [ -s "$t/jq.port" ] && break; sleep 0.1; done
port=$(cat "$t/jq.port") || fail "server did not start"
# set_ini HOME KEY VALUE: one Kestrel.ini key in section Kestrel.
set_ini() {
    sed -i "/^$2=/d" "$1/Kestrel.ini"
    sed -i "s|^\[Kestrel\]\r\$|[Kestrel]\r\n$2=$3\r|" "$1/Kestrel.ini"
}
home() {
    mkdir -p "$1"
    "$kestrel" --home "$1" init >/dev/null
    set_ini "$1" JQuantsURL "http://127.0.0.1:$port"
    set_ini "$1" JQuantsPace 6000
    set_ini "$1" JQuantsPlan Light
    set_ini "$1" JQuantsRetryWait 1
}
dump() {
    for table in 'daydata order by コード, 日付' 'weekdata order by コード, 日付' 'Mei order by コード' \
        'Bunkatu order by コード, 日付'; do
        echo "-- $table"
        sqlite3 "$1/Kestrel.mdb" "select * from $table"
    done
}

# The straight road: every day's file, then their import.
h2=$t/straight
home "$h2"
"$kestrel" --home "$h2" fetch-jquants "$first" "$last" --import >"$t/out" 2>&1 || fail "straight fetch: $(cat "$t/out")"
dump "$h2" >"$t/straight.dump"
[ "$(sqlite3 "$h2/Kestrel.mdb" "select count(distinct 日付) from daydata")" = 30 ] || fail "straight days"
[ "$(sqlite3 "$h2/Kestrel.mdb" "select 終値 || ':' || 出来高 from daydata where コード=2914 order by 日付 desc limit 1")" = \
  "$(python3 -c "print('%d:%d' % (950000 + (29 * 37 + 2914) % 23 - 11, 1999999029))")" ] ||
    fail "real magnitudes: $(sqlite3 "$h2/Kestrel.mdb" 'select * from daydata where コード=2914')"

# One issue by code: its pages, the same rows as the straight road for it; codes that cannot be asked.
home "$h"
: >"$t/jq.log"
k fetch-jquants --code 7203 >"$t/out" 2>&1 || fail "by code: $(cat "$t/out")"
grep -qxF "7203: 30 本の株価を取り込みました（${first//-//}～${last//-//}）" "$t/out" || fail "by code message: $(cat "$t/out")"
[ "$(grep -c 'bars/daily?code=72030' "$t/jq.log")" = 10 ] || fail "pages by code: $(cat "$t/jq.log")"
! grep -q 'date=' "$t/jq.log" || fail "a day asked for one issue: $(cat "$t/jq.log")"
[ "$(q 'select * from daydata where コード=7203 order by 日付')" = \
  "$(sqlite3 "$h2/Kestrel.mdb" 'select * from daydata where コード=7203 order by 日付')" ] || fail "by code differs from by day"
[ "$(q 'select 分割前 || ":" || 分割後 from Bunkatu where コード=7203')" = 1:2 ] || fail "split by code"
out=$(k fetch-jquants --code 72031 2>&1) && fail "five characters taken: $out"
echo "$out" | grep -qF '72031: 取り込めない銘柄コードです' || fail "five characters: $out"
k fetch-jquants --code 4444 >"$t/out" 2>&1 || fail "unknown issue: $(cat "$t/out")"
grep -qF '4444: J-Quants にこの期間の株価がありません' "$t/out" || fail "unknown issue message: $(cat "$t/out")"

# The background run, killed twice part-way (after a random count of day requests) and resumed.
out=$(k backfill --status) || fail "status before"
[ "$out" = '履歴の取得はまだ始めていません' ] || fail "status before: $out"
killed_after() { # N: runs the backfill until N more days were asked, then kills it
    local before=$(grep -c 'bars/daily?date=' "$t/jq.log" || true)
    "$kestrel" --home "$h" backfill --until "$first" >"$t/bf.out" 2>&1 &
    local pid=$!
    for i in $(seq 1000); do
        [ "$(grep -c 'bars/daily?date=' "$t/jq.log" || true)" -ge $((before + $1)) ] && break
        kill -0 $pid 2>/dev/null || fail "backfill ended before the kill: $(cat "$t/bf.out")"
        [ "$i" -lt 1000 ] || fail "backfill asked for no day: $(cat "$t/bf.out")"
        sleep 0.02
    done
    kill -9 $pid
    wait $pid 2>/dev/null || true
}
killed_after $((4 + RANDOM % 8))
out=$(k backfill --status) || fail "status after a kill"
echo "$out" | grep -qE "^履歴: [0-9]{4}/[0-9]{2}/[0-9]{2} まで [0-9]+%・残り約 [0-9]+ 分$" || fail "status after a kill: $out"
done1=$(q "select count(distinct 日付) from daydata where 日付 not in (select 日付 from PartialDays)")
killed_after $((4 + RANDOM % 8))
done2=$(q "select count(distinct 日付) from daydata where 日付 not in (select 日付 from PartialDays)")
[ "$done2" -gt "$done1" ] && [ "$done2" -lt 30 ] || fail "kills: $done1 then $done2 whole days"
k backfill --until "$first" >"$t/out" 2>&1 || fail "resumed run: $(cat "$t/out")"
tail -1 "$t/out" | grep -qxF '履歴: 取得済み' || fail "resumed run end: $(cat "$t/out")"
# The days stored whole before the last run are not asked for again.
[ "$(grep 'bars/daily?date=' "$t/jq.log" | grep -v pagination_key | sed 's/.*date=//; s/ .*//' | sort | uniq -d | wc -l)" -le 2 ] ||
    fail "days asked again: $(grep 'bars/daily?date=' "$t/jq.log")"
[ "$(q 'select count(*) from PartialDays')" = 0 ] || fail "partial days left: $(q 'select * from PartialDays')"
dump "$h" >"$t/backfill.dump"
diff "$t/straight.dump" "$t/backfill.dump" >"$t/diff" || fail "backfill differs from the straight road: $(head -20 "$t/diff")"
[ "$(k backfill --status)" = '履歴: 取得済み' ] || fail "status at the end: $(k backfill --status)"
# A run with nothing left asks for nothing but the days it has (no bars).
: >"$t/jq.log"
k backfill --until "$first" >"$t/out" 2>&1 || fail "nothing left: $(cat "$t/out")"
! grep -q 'bars/daily' "$t/jq.log" || fail "bars asked with nothing left: $(cat "$t/jq.log")"

# The bulk road: a month's file each (columns in an order of their own), the newest one served cut short
# first. It is named, fetched again once, and the database again equals the straight road's.
mkdir -p "$w/bulk"
python3 - "$w" <<'PY'
import collections, gzip, json, sys
w = sys.argv[1]
months = collections.defaultdict(list)
for r in json.load(open(w + "/equities_bars_daily/all.json"))["data"]:
    months[r["Date"][:7].replace("-", "")].append(r)
cols = ["Code", "Date", "Vo", "C", "L", "H", "O", "UL", "LL", "AdjFactor", "ExRT"]
field = lambda v: "" if v is None else str(v)
newest = max(months)
for month, rows in months.items():
    text = ",".join(cols) + "\n" + "".join(",".join(field(r.get(c)) for c in cols) + "\n" for r in rows)
    data = gzip.compress(text.encode())
    open("%s/bulk/equities_bars_daily_%s.csv.gz" % (w, month), "wb").write(data)
    if month == newest:
        open("%s/bulk/equities_bars_daily_%s.csv.gz.first" % (w, month), "wb").write(data[: len(data) // 2])
open(w + "/newest", "w").write(newest)
PY
newest=$(cat "$w/newest")
h3=$t/bulk
home "$h3"
: >"$t/jq.log"
"$kestrel" --home "$h3" backfill --bulk --until "$first" >"$t/out" 2>&1 || fail "bulk run: $(cat "$t/out")"
grep -qF "一括ファイル equities_bars_daily_$newest.csv.gz: 壊れているか途中で切れています" "$t/out" &&
    grep -qF '破棄してもう一度取得します' "$t/out" || fail "damaged file not named: $(cat "$t/out")"
! grep -q 'bars/daily?date=' "$t/jq.log" || fail "days asked on the bulk road: $(grep 'bars/daily' "$t/jq.log")"
[ "$(grep -c "^/files/equities_bars_daily_$newest" "$t/jq.log")" = 2 ] || fail "downloads: $(grep files "$t/jq.log")"
dump "$h3" >"$t/bulk.dump"
diff "$t/straight.dump" "$t/bulk.dump" >"$t/diff" || fail "bulk differs from the straight road: $(head -20 "$t/diff")"
# The Free plan has no bulk files: refused before any request.
set_ini "$h3" JQuantsPlan Free
out=$("$kestrel" --home "$h3" backfill --bulk 2>&1) && fail "bulk on Free taken: $out"
echo "$out" | grep -qF '一括ファイルは Light 以上のプランで取得できます' || fail "bulk on Free: $out"
echo "1 passed, 0 failed"
