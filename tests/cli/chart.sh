#!/usr/bin/env bash
# kestrel chart: values as JSON, the price list, PNG files, and refusals of bad arguments.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1000,1)"
# Closes 100, 102, 104, 106, 108 with changes +2 +2 -1 +3 -2 and volumes 1..5 thousand.
q "insert into dayData values
 (1301,20240104,99,101,98,100,2,1,100),(1301,20240105,100,103,99,102,2,2,102),
 (1301,20240108,102,105,101,104,-1,3,104),(1301,20240109,104,107,103,106,3,4,106),
 (1301,20240110,106,109,105,108,-2,5,108)"
q "insert into weekData values (1301,20240105,99,103,98,102,2,3,102,300,500)"
for key in move1 move2 move3 SaicoL RSIVR; do sed -i "s/^$key=[0-9]*/$key=5/" "$t/h/Kestrel.ini"; done

k chart 1301 --date 2024-01-31 --json >"$t/j" 2>"$t/e" || fail "chart --json: $(cat "$t/e")"
[ ! -s "$t/e" ] || fail "chart --json wrote to stderr: $(cat "$t/e")"
# With the price list as well, stdout is still one JSON document.
k chart 1301 --date 2024-01-31 --json --list >"$t/jl"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert len(d["priceList"]) == d["barCount"] == 5' "$t/jl" || fail "json with list: $(head -c 300 "$t/jl")"
python3 - "$t/j" <<'EOF' || fail "json values"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["barCount"] == 5 and d["center"] == 3, d
assert d["maxHigh"] == 109 and d["minLow"] == 98 and d["priceTop"] == 110 and d["priceBottom"] == 90, d
assert d["maxVolume"] == 5000 and d["minVolume"] == 1000 and d["maxBalance"] == 0, d
b = d["bars"][4]
assert b["date"] == "2024-01-10" and b["ma1"] == 104 and b["dev1"] == 3.8, b  # percent, as the chart panel shows it
assert (b["psych"], b["rsi"], b["vr"]) == (60, 70, 47), b
assert d["bars"][3]["psych"] == -1 and d["bars"][3]["ma1"] == 0
# x = -2..2 over 100..108: a straight line, b = 2, a = 104.
assert (d["fitC"], d["fitB"], d["fitA"]) == (0, 2, 104), d
assert set(b) >= {"open", "closeCarried", "change", "volume", "sellBalance", "maAngle1", "itoRatio"}
EOF

k chart 1301 --date 24/01/09 --list >"$t/l"
[ "$(wc -l <"$t/l")" = 4 ] || fail "list rows"
[ "$(tail -1 "$t/l")" = "24/01/09         104        107        103        106          3        4000" ] || fail "list row text: $(tail -1 "$t/l")"

k chart 1301 --weekly --date 2024-01-31 --json >"$t/w"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); b=d["bars"][0]; assert (b["sellBalance"], b["buyBalance"], d["maxBalance"]) == (300, 500, 500)' "$t/w" || fail "weekly balances"

if [ "${KESTREL_WITH_PNG:-1}" = 1 ]; then
for mode in 0 1 2 3 4; do
    k chart 1301 --date 2024-01-31 --lower-panel $mode --curve --png "$t/c$mode.png" || fail "png $mode"
    [ "$(head -c 8 "$t/c$mode.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "not a PNG"
done
k chart 1301 --date 2024-01-31 --curve --no-volume --png "$t/nv.png"
cmp -s "$t/c0.png" "$t/nv.png" && fail "--no-volume changed nothing"
else
    # Built without Qt Gui: --png says so and writes nothing.
    k chart 1301 --date 2024-01-31 --png "$t/c0.png" 2>"$t/epng" && fail "png without Qt Gui"
    grep -q 'not available' "$t/epng" && [ ! -e "$t/c0.png" ] || fail "png refusal: $(cat "$t/epng")"
fi

# No bar on or before the date: the message, an empty chart, exit 4 (not found).
set +e
k chart 1301 --date 2023-12-01 --json >"$t/j2" 2>"$t/e2"; rc=$?
set -e
[ $rc = 4 ] || fail "no bars gave $rc"
grep -q "基準日からの表示するデーターがありません。" "$t/e2" || fail "no-bars message"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["barCount"] == 0 and d["bars"] == []' "$t/j2" || fail "empty json"

for bad in "abc" "1301 --lower-panel 5" "1301 --lower-panel x" "" "1301 1302"; do
    set +e
    # shellcheck disable=SC2086
    k chart $bad >/dev/null 2>&1; rc=$?
    set -e
    [ $rc = 2 ] || fail "\"$bad\" gave $rc"
done
set +e
k chart 1301 --date 2024-02-30 >/dev/null 2>&1; rc=$?
set -e
[ $rc = 5 ] || fail "an impossible date gave $rc"
# A four-digit year is kept as given (1949 is not 2049; 2051 is not 1951).
q "insert into dayData values (1301,19490516,50,50,50,50,0,1,50),(1301,20501230,900,900,900,900,0,1,900)"
k chart 1301 --date 1949-06-01 --json >"$t/j49"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["chartDate"] == "1949-06-01" and d["bars"][-1]["date"] == "1949-05-16", d["chartDate"]' "$t/j49" || fail "1949: $(head -c 200 "$t/j49")"
k chart 1301 --date 2051/01/04 --json >"$t/j51"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["bars"][-1]["date"] == "2050-12-30", d["bars"][-1]' "$t/j51" || fail "2051: $(head -c 200 "$t/j51")"
echo "1 passed, 0 failed"
