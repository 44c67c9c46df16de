#!/usr/bin/env bash
# kestrel chart --bars, --from and --monthly: every bar of the span as JSON, monthly bars worked by hand,
# the forming month, and refusals of bad values.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1000,1)"
# November 2023: 22 weekdays at 100; then December, January (from the 4th) and one day of February.
rows=""
for d in $(seq -w 1 30); do
    [ "$(date -d "2023-11-$d" +%u)" -le 5 ] && rows="$rows(1301,202311$d,100,100,100,100,0,1,100),"
done
q "insert into dayData values ${rows%,}"
q "insert into dayData values
 (1301,20231227,100,110,95,105,5,1,105),(1301,20231228,105,120,98,118,13,2,118),
 (1301,20240104,0,0,0,0,0,0,118),(1301,20240105,112,115,108,110,-8,3,110),
 (1301,20240131,110,112,100,102,-8,2000000,102),(1301,20240201,102,104,101,103,1,1,103)"
total=$(q "select count(*) from dayData")

k chart 1301 --date 2024-02-01 --monthly --json >"$t/m" 2>"$t/e" || fail "monthly: $(cat "$t/e")"
python3 - "$t/m" <<'PY' || fail "monthly values: $(head -c 600 "$t/m")"
import json, sys
d = json.load(open(sys.argv[1]))
for x in d["bars"]:
    x.pop("ind", None)  # the technical values: tests/cli/chartind.sh
assert d["mode"] == "monthly" and d["barCount"] == 4 == len(d["bars"]), d["barCount"]
nov, dec, jan, feb = d["bars"]
assert nov == {"date": "2023-11-30", "open": 100, "high": 100, "low": 100, "close": 100, "volume": 22000}, nov
assert dec == {"date": "2023-12-28", "open": 100, "high": 120, "low": 95, "close": 118, "volume": 3000}, dec
# The 4th did not trade: the open is the 5th's; 2 billion shares on the 31st.
assert jan == {"date": "2024-01-31", "open": 112, "high": 115, "low": 100, "close": 102, "volume": 2000003000}, jan
assert feb["forming"] is True and feb["close"] == 103, feb
PY
# Once the market has stored a March day, February is complete.
q "insert into dayData values (1301,20240301,103,103,103,103,0,1,103)"
k chart 1301 --date 2024-02-29 --monthly --json >"$t/m2"
python3 -c 'import json,sys; b=json.load(open(sys.argv[1]))["bars"]; assert len(b) == 4 and "forming" not in b[-1], b[-1]' "$t/m2" || fail "complete month"

k chart 1301 --date 2024-02-01 --bars 20 --json >"$t/b20"
python3 - "$t/b20" <<'PY' || fail "--bars 20: $(head -c 300 "$t/b20")"
import json, sys
d = json.load(open(sys.argv[1]))
for x in d["bars"]:
    x.pop("ind", None)  # the technical values: tests/cli/chartind.sh
b = d["bars"]
assert d["mode"] == "daily" and len(b) == 20 and b[-1]["date"] == "2024-02-01", (len(b), b[-1])
assert b[-3] == {"date": "2024-01-05", "open": 112, "high": 115, "low": 108, "close": 110, "volume": 3000}, b[-3]
assert b[-4]["close"] == 0 and "forming" not in b[-1]
PY
# More bars than stored: all of them, up to the chart date.
k chart 1301 --date 2024-02-01 --bars 999999 --json >"$t/all"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["barCount"] == int(sys.argv[2]) and d["bars"][0]["date"] == "2023-11-01"' "$t/all" "$total" || fail "every bar"
k chart 1301 --date 2024-02-01 --from 2023-12-28 --json >"$t/f"
python3 -c 'import json,sys; b=json.load(open(sys.argv[1]))["bars"]; assert [x["date"] for x in b] == ["2023-12-28","2024-01-04","2024-01-05","2024-01-31","2024-02-01"], b' "$t/f" || fail "--from"
k chart 1301 --date 2024-02-01 --from 2024-01-15 --monthly --json >"$t/fm"
python3 -c 'import json,sys; b=json.load(open(sys.argv[1]))["bars"]; assert [x["date"] for x in b] == ["2024-01-31","2024-02-01"], b' "$t/fm" || fail "--from --monthly"
q "insert into weekData values (1301,20240105,118,118,108,110,-8,3,110,300,500)"
k chart 1301 --date 2024-02-01 --weekly --bars 20 --json >"$t/w"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["mode"] == "weekly" and [b["date"] for b in d["bars"]] == ["2024-01-05"]' "$t/w" || fail "weekly span"

# Before the first bar: the message, no bars, exit 4.
set +e
k chart 1301 --date 2023-10-01 --bars 20 --json >"$t/n" 2>"$t/ne"; rc=$?
set -e
[ $rc = 4 ] || fail "no bars gave $rc"
grep -q "基準日からの表示するデーターがありません。" "$t/ne" || fail "no-bars message"

# Bad values: a clear message and the exit status of wrong arguments (2) or of a bad date (5).
check() {
    local want=$1 text=$2
    shift 2
    set +e
    k chart 1301 "$@" >/dev/null 2>"$t/bad"; rc=$?
    set -e
    [ $rc = "$want" ] || fail "$* gave $rc"
    grep -q -- "$text" "$t/bad" || fail "$*: $(cat "$t/bad")"
}
check 2 "20 on" --bars 19 --json
check 2 "not \"abc\"" --bars abc --json
check 2 "not both" --bars 20 --from 2024-01-01 --json
check 2 "not both" --weekly --monthly --json
check 2 "add --json" --monthly
check 5 "" --from 2024-02-30 --json
check 5 "after the chart date" --date 2024-01-01 --from 2024-01-05 --json
