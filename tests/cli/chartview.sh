#!/usr/bin/env bash
# kestrel chart views of any span: --png with --size, candles against high-low strokes at chosen pixels,
# --log, --panes with an unknown name, --compare with a missing day and a code not stored, and the
# window's picture with the comparison of its saved layout.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1,1),(1306,1,'TOPIX連動',1,1)"
# 1301: 300 weekdays from 2023-01-02, rising by 1 yen a day from 1,000 (open = close: a rising candle).
# 1306: the last 5 of those days but the third: 200, 210, (none), 190, 220.
python3 - >"$t/rows.sql" <<'PY'
import datetime
d = datetime.date(2023, 1, 2)
days = []
while len(days) < 300:
    if d.weekday() < 5:
        days.append(d)
    d += datetime.timedelta(days=1)
rows = []
for i, day in enumerate(days):
    c = 1000 + i
    rows.append(f"(1301,{day:%Y%m%d},{c},{c + 10},{c - 10},{c},1,{56930000 + i},{c})")
print("insert into dayData values " + ",".join(rows) + ";")
other = [(days[-5], 200), (days[-4], 210), (days[-2], 190), (days[-1], 220)]
print("insert into dayData values " + ",".join(f"(1306,{x:%Y%m%d},{c},{c},{c},{c},0,1000,{c})" for x, c in other) + ";")
print(f"-- {days[-1]:%Y-%m-%d}")
PY
sqlite3 "$h/Kestrel.mdb" <"$t/rows.sql"
last=$(tail -1 "$t/rows.sql" | cut -c4-)

# The comparison in percent from the first bar shown; the missing day carries 210; 9999 is not stored.
k chart 1301 --date "$last" --bars 20 --compare 1306,9999 --json >"$t/c.json" 2>"$t/c.err" || fail "compare: $(cat "$t/c.err")"
grep -q "9999 has no stored bars" "$t/c.err" || fail "missing code message: $(cat "$t/c.err")"
python3 - "$t/c.json" <<'PY' || fail "compare values: $(head -c 400 "$t/c.json")"
import json, sys
d = json.load(open(sys.argv[1]))
c = d["compare"]
assert list(c) == ["1306"], c
assert [x["pct"] for x in c["1306"]] == [0, 5, 5, -5, 10], c["1306"]
assert [x["date"] for x in c["1306"]] == [b["date"] for b in d["bars"][-5:]]
assert len(d["bars"]) == 20
PY

px() { python3 "$(dirname "$0")/png.py" "$@"; }

if [ "${KESTREL_WITH_PNG:-1}" = 1 ]; then
    # 20 bars over a plot of 332 columns (4..335): candles; the last bar at 4 + floor(19.5 * 16.6) = 327.
    k chart 1301 --date "$last" --bars 20 --png "$t/a.png" --size 400x300 2>"$t/a.err" || fail "png: $(cat "$t/a.err")"
    [ "$(px "$t/a.png" size)" = 400x300 ] || fail "size"
    [ "$(px "$t/a.png" at 0 0)" = 192,192,192 ] || fail "window background: $(px "$t/a.png" at 0 0)"
    px "$t/a.png" column 327 14 200 | grep -q "255,0,0" || fail "no rising candle at x 327: $(px "$t/a.png" column 327 14 200)"
    px "$t/a.png" column 330 14 200 | grep -q "255,0,0" || fail "candle body not 11 wide at 330"
    px "$t/a.png" column 333 14 200 | grep -q "255,0,0" && fail "candle body wider than 11 at 333"
    # 300 bars over 332 columns: strokes in the light grey, no candle colour left.
    k chart 1301 --date "$last" --bars 300 --png "$t/s.png" --size 400x300
    px "$t/s.png" column 4 14 200 | grep -q "224,224,224" || fail "no stroke at x 4: $(px "$t/s.png" column 4 14 200)"
    for x in 50 150 327; do
        px "$t/s.png" column $x 14 200 | grep -q "255,0,0" && fail "a candle at x $x in stroke mode"
    done
    # A log scale draws another picture of the same bars.
    k chart 1301 --date "$last" --bars 300 --png "$t/l.png" --size 400x300 --log
    cmp -s "$t/s.png" "$t/l.png" && fail "--log changed nothing"
    # An unknown pane: a message, the rest drawn, exit 0.
    k chart 1301 --date "$last" --bars 60 --panes rsi,bogus,macd --png "$t/p.png" 2>"$t/p.err" || fail "panes: $(cat "$t/p.err")"
    grep -q 'no pane is called "bogus"' "$t/p.err" || fail "unknown pane message: $(cat "$t/p.err")"
    [ "$(px "$t/p.png" size)" = 1280x800 ] || fail "default size"
    # The comparison line (cyan) over the last five bars.
    k chart 1301 --date "$last" --bars 20 --compare 1306 --png "$t/c.png" --size 400x300 2>/dev/null
    found=0
    for x in 270 290 310 327; do
        px "$t/c.png" column $x 14 200 | grep -q "0,255,255" && found=1
    done
    [ $found = 1 ] || fail "no comparison line"
    # The window's picture draws the window's saved layout, its comparison too (the last bars near x 334).
    printf '[ChartLayout]\r\nCompare=1306\r\n' >>"$h/Kestrel.ini"
    k chart 1301 --date "$last" --png "$t/w.png" --size 400x300 2>/dev/null
    found=0
    for x in 324 327 330 333; do
        px "$t/w.png" column $x 14 200 | grep -q "0,255,255" && found=1
    done
    [ $found = 1 ] || fail "no comparison line in the window's picture"
fi

check() {
    local want=$1 text=$2
    shift 2
    set +e
    k chart 1301 --date "$last" "$@" >/dev/null 2>"$t/bad"; rc=$?
    set -e
    [ $rc = "$want" ] || fail "$* gave $rc"
    grep -q -- "$text" "$t/bad" || fail "$*: $(cat "$t/bad")"
}
check 2 "WIDTHxHEIGHT" --bars 20 --json --size 100x100
check 2 "WIDTHxHEIGHT" --bars 20 --json --size big
check 2 "at most 3" --bars 20 --json --compare 1,2,3,4
check 2 "issue codes" --bars 20 --json --compare 1306,abc
check 2 "at most 4" --bars 20 --json --panes rsi,vr,macd,dmi,rci
check 2 "add --json" --log
echo "chartview: ok"
