#!/usr/bin/env bash
# kestrel screen: matches as JSON equal to the chart's values, refusals of bad conditions, saved screens,
# and a run over a period with each match's close some days later.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1000,1),(1332,1,'日水',1000,1)"
# 1301: closes 100..108 rising; 1332: falling, and no bar on 2024-01-11.
q "insert into dayData values
 (1301,20240104,99,101,98,100,2,1,100),(1301,20240105,100,103,99,102,2,2,102),
 (1301,20240108,102,105,101,104,-1,3,104),(1301,20240109,104,107,103,106,3,4,106),
 (1301,20240110,106,109,105,108,-2,5,108),(1301,20240111,108,111,107,110,2,5,110),
 (1332,20240104,500,505,495,500,0,1,500),(1332,20240105,500,500,480,490,-10,2,490),
 (1332,20240108,490,490,470,480,-10,3,480),(1332,20240109,480,480,460,470,-10,4,470),
 (1332,20240110,470,470,450,460,-10,5,460)"
for key in move1 move2 move3 SaicoL RSIVR; do sed -i "s/^$key=[0-9]*/$key=5/" "$t/h/Kestrel.ini"; done

# Every issue with a bar on the day, with the chart's own values under the chart's names.
k screen 'volume >= 0' --date 2024-01-10 --json >"$t/all" 2>"$t/e" || fail "screen: $(cat "$t/e")"
k chart 1301 --date 2024-01-10 --json >"$t/c1"
python3 - "$t/all" "$t/c1" <<'EOF2' || fail "screen json"
import json, sys
s = json.load(open(sys.argv[1])); c = json.load(open(sys.argv[2]))
assert s["date"] == "2024-01-10" and s["weekly"] is False, s
assert [r["code"] for r in s["rows"]] == [1301, 1332], s
r = s["rows"][0]
assert r["name"] == "極洋"
for k, v in c["bars"][-1].items():
    if k != "ind":  # a row carries the technical values its condition names
        assert r[k] == v, (k, r[k], v)
for k in ("fitA", "fitB", "fitC"):
    assert r[k] == c[k], k
EOF2
# Monthly bars: the month as far as the day, with the values of the monthly chart's last bar.
k screen 'volume >= 0' --date 2024-01-10 --monthly --json >"$t/all" 2>"$t/e" || fail "monthly screen: $(cat "$t/e")"
k chart 1301 --date 2024-01-10 --monthly --json >"$t/c1"
python3 - "$t/all" "$t/c1" <<'EOF2' || fail "monthly screen json"
import json, sys
s = json.load(open(sys.argv[1])); c = json.load(open(sys.argv[2]))
assert s["date"] == "2024-01-10" and s["weekly"] is False and s["monthly"] is True, s
r = s["rows"][0]
assert r["code"] == 1301 and r["open"] == 99 and r["high"] == 109 and r["low"] == 98 and r["close"] == 108, r
last = c["bars"][-1]
for k in ("date", "open", "high", "low", "close", "volume"):
    assert r[k] == last[k], (k, r[k], last[k])
EOF2
k screen 'close > 0' --weekly --monthly 2>/dev/null && fail "weekly and monthly at once"
# The latest stored day by default: only 1301 traded on 2024-01-11; a holiday date takes the day before.
k screen 'close > 0' --json | python3 -c 'import json,sys; d=json.load(sys.stdin); assert d["date"]=="2024-01-11" and [r["code"] for r in d["rows"]]==[1301], d' || fail "default day"
k screen 'close > 0' --date 2024-01-07 --json | python3 -c 'import json,sys; d=json.load(sys.stdin); assert d["date"]=="2024-01-05", d' || fail "holiday day"
# Technical values: 転換線 needs 9 bars, so six bars give a missing value, which never matches.
k screen 'close > 0 and tenkan > 0' --date 2024-01-10 --json |
    python3 -c 'import json,sys; d=json.load(sys.stdin); assert d["rows"]==[], d' || fail "missing tenkan"
k screen 'sar[1001] > 0' 2>"$t/e" && fail "sar[1001] accepted"
grep -q "さかのぼれるのは 1000 本前まで" "$t/e" || fail "sar[1001]: $(cat "$t/e")"
# Conditions with bars back: 1332 has fallen for four days, 1301 crossed nothing.
k screen 'close < close[1] and close[1] < close[4] and rsi = 0' --date 2024-01-10 --json |
    python3 -c 'import json,sys; d=json.load(sys.stdin); assert [r["code"] for r in d["rows"]]==[1332], d' || fail "bars back"
# Deviations in percent, typed with a Japanese name and full-width digits: 1301 is 3.8 % above its average.
k screen '乖離１ > ３．７ and dev1 < 3.9' --date 2024-01-10 --json |
    python3 -c 'import json,sys; d=json.load(sys.stdin); assert [r["code"] for r in d["rows"]]==[1301] and d["rows"][0]["dev1"]==3.8, d' || fail "percent"
# A screens file written when deviations were tenths is converted once, with a word.
printf '上げ=dev1 > 37\n' >"$t/h/Screens.ini"
k screen --name 上げ --date 2024-01-10 --json 2>"$t/e" |
    python3 -c 'import json,sys; d=json.load(sys.stdin); assert [r["code"] for r in d["rows"]]==[1301], d' || fail "converted screen"
grep -q '乖離（dev1〜dev3）はパーセント' "$t/e" || fail "conversion notice: $(cat "$t/e")"
grep -q '^上げ=dev1 > 3.7$' "$t/h/Screens.ini" || fail "converted file: $(cat "$t/h/Screens.ini")"
k screen --name 上げ --date 2024-01-10 >/dev/null 2>"$t/e"
[ ! -s "$t/e" ] || fail "converted twice: $(cat "$t/e")"

# Bad conditions: the place and reason, exit 2, nothing printed on stdout.
for bad in 'rsi <=' 'rsx < 3' 'close[200] > 0' 'rsi > (3'; do
    set +e
    k screen "$bad" >"$t/o" 2>"$t/e"; rc=$?
    set -e
    [ $rc = 2 ] || fail "\"$bad\" gave $rc"
    grep -q '条件式の [0-9]* 文字目' "$t/e" || fail "\"$bad\" message: $(cat "$t/e")"
    [ ! -s "$t/o" ] || fail "\"$bad\" printed $(cat "$t/o")"
done

# Saved by name, then run by name.
k screen 'close > ma1' --save 上昇 >/dev/null 2>&1
grep -q '^上昇=close > ma1$' "$t/h/Screens.ini" || fail "saved screen"
k screen --name 上昇 --date 2024-01-10 --json | python3 -c 'import json,sys; d=json.load(sys.stdin); assert [r["code"] for r in d["rows"]]==[1301], d' || fail "by name"

# Over a period, held one day: only 1301 on 01-10 (108, its first full average) rose to 110.
k screen 'close > ma1 and ma1 > 0' --from 2024-01-01 --to 2024-01-10 --hold 1 --csv "$t/held.csv" >"$t/sum"
grep -q '営業日数 5  該当 1  うち 1 営業日後の終値あり 1' "$t/sum" || fail "summary: $(cat "$t/sum")"
grep -q '平均 +1.85%  中央値 +1.85%  勝率 100.00%  最悪 +1.85%  最良 +1.85%' "$t/sum" || fail "extremes: $(cat "$t/sum")"
[ "$(sed -n 2p "$t/held.csv")" = "2024-01-10,1301,極洋,108,2024-01-11,110,1.85" ] || fail "csv: $(cat "$t/held.csv")"
set +e
k screen 'close > 0' --from 2024-01-10 --to 2024-01-01 --hold 1 >/dev/null 2>&1; rc=$?
set -e
[ $rc = 2 ] || fail "reversed period gave $rc"
# The technical periods of Kestrel.ini reach the screen as they reach the chart: a 3-bar 転換線 exists on six bars
# ((109 + 101) / 2 on 2024-01-10).
printf '[Technical]\r\nTenkanPeriod=3\r\n' >>"$t/h/Kestrel.ini"
k screen 'tenkan > 0' --date 2024-01-10 --json >"$t/st"
k chart 1301 --date 2024-01-10 --json >"$t/ct"
python3 - "$t/st" "$t/ct" <<'EOF2' || fail "screen technical periods"
import json, sys
s = json.load(open(sys.argv[1])); c = json.load(open(sys.argv[2]))
r = [r for r in s["rows"] if r["code"] == 1301][0]
assert abs(r["tenkan"] - c["bars"][-1]["ind"]["tenkan"]) < 0.01 and abs(r["tenkan"] - 105) < 0.01, (r, c["bars"][-1]["ind"])
EOF2
echo "1 passed, 0 failed"
