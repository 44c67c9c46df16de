#!/usr/bin/env bash
# kestrel chart and the technical set: the values of each bar under "ind" worked by hand, the volume
# profile and settings, the overlays and lower panels by name, and the cloud past the last bar in the PNG
# (the window's chart of the last 110 bars at the size the window opens with).
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1,1)"
# 60 weekdays from 2024-01-01: close 100 + i, high close + 2, low close - 2, 1000 shares a day.
rows="" i=0 d=2024-01-01
while [ $i -lt 60 ]; do
    if [ "$(date -d "$d" +%u)" -le 5 ]; then
        c=$((100 + i))
        rows="$rows(1301,$(date -d "$d" +%Y%m%d),$c,$((c + 2)),$((c - 2)),$c,1,1000,$c),"
        i=$((i + 1))
    fi
    d=$(date -d "$d + 1 day" +%F)
done
q "insert into dayData values ${rows%,}"
last=$(q "select max(日付) from dayData")
last="${last:0:4}-${last:4:2}-${last:6:2}"

k chart 1301 --date "$last" --json >"$t/j" 2>"$t/e" || fail "json: $(cat "$t/e")"
grep -qiE 'nan|infinity' "$t/j" && fail "a NaN or infinity in the JSON"
python3 - "$t/j" <<'PY' || fail "json values: $(head -c 400 "$t/j")"
import json, sys
d = json.load(open(sys.argv[1]))
b = d["bars"]
assert len(b) == 60
ind = b[-1]["ind"]
# The last bar (close 159): tenkan (161 + 149) / 2, kijun (161 + 132) / 2, span2 (161 + 106) / 2; a rising
# line's EMA lags (n - 1) / 2, so MACD = 12.5 - 5.5 and the signal of a constant is that constant.
want = {"tenkan": 155, "kijun": 146.5, "span1": 150.75, "span2": 133.5, "bbMid": 149.5, "envUp": 154.35,
        "envLo": 139.65, "hlHigh": 160, "hlLow": 137, "rci1": 100, "rci2": 100, "rci3": 100,
        "stochK": 100 * 10 / 12, "macd": 7, "macdSignal": 7, "macdHist": 0}
for k, v in want.items():
    assert abs(ind[k] - v) < 0.01, (k, ind[k], v)
# Missing values are left out: the first bar has none of the windows.
assert "tenkan" not in b[0]["ind"] and "span2" not in b[50]["ind"] and "span2" in b[51]["ind"], b[50]["ind"]
vp = d["volumeProfile"]
assert len(vp) == 24 and vp[0]["low"] == 98 and vp[-1]["high"] == 161, (vp[0], vp[-1])
assert abs(sum(x["volume"] for x in vp) - 60000) < 0.01
s = d["indicatorSettings"]
assert (s["tenkanPeriod"], s["bbSigma"], s["macdSignalKind"], s["vpBins"]) == (9, "population", "ema", 24), s
PY
# The span listing carries the same values.
k chart 1301 --date "$last" --bars 20 --json >"$t/s"
python3 - "$t/j" "$t/s" <<'PY' || fail "span values"
import json, sys
chart = json.load(open(sys.argv[1]))["bars"]
span = json.load(open(sys.argv[2]))
assert len(span["bars"]) == 20 and span["bars"][-1]["ind"] == chart[-1]["ind"], span["bars"][-1]
assert len(span["volumeProfile"]) == 24 and span["volumeProfile"][0]["low"] == 138
PY

# Settings of their own in Kestrel.ini.
printf '[Technical]\r\nTenkanPeriod=5\r\n' >>"$h/Kestrel.ini"
k chart 1301 --date "$last" --json >"$t/j5"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["indicatorSettings"]["tenkanPeriod"] == 5 and abs(d["bars"][-1]["ind"]["tenkan"] - 157) < 0.01' "$t/j5" || fail "ini period"

# Unknown names: a clear message and exit 2.
bads=("--lower-panel macdx" "--lower-panel 9")
# Without Qt Gui, --png itself is refused first.
[ "${KESTREL_WITH_PNG:-1}" = 1 ] && bads+=("--overlay cloud --png $t/x.png" "--overlay bb,,sar --png $t/x.png")
for bad in "${bads[@]}"; do
    set +e
    # shellcheck disable=SC2086
    k chart 1301 --date "$last" $bad >/dev/null 2>"$t/eb"; rc=$?
    set -e
    [ $rc -eq 2 ] || fail "$bad: exit $rc"
    grep -q 'unknown' "$t/eb" || fail "$bad: $(cat "$t/eb")"
done

if k chart 1301 --date "$last" --png "$t/plain.png" 2>/dev/null; then
    for p in macd stoch rci dmi 5 8; do
        k chart 1301 --date "$last" --lower-panel $p --png "$t/l$p.png" || fail "lower panel $p"
    done
    k chart 1301 --date "$last" --overlay ichimoku,bb,env,hl,sar,vp --png "$t/cloud.png" || fail "overlays"
    python3 - "$(dirname "$0")" "$t/plain.png" "$t/cloud.png" <<'PY' || fail "cloud pixels"
import sys
sys.path.insert(0, sys.argv[1])
from png import load
def read(path):
    w, h, px = load(path)
    return w, [[px(x, y) for x in range(w)] for y in range(h)]
w0, plain = read(sys.argv[2])
w1, cloud = read(sys.argv[3])
# The window's chart at the size it opens with.
assert (w0, len(plain), w1, len(cloud)) == (668, 357, 668, 357), (w0, len(plain), w1, len(cloud))
# The plot is columns 4..603. Without the cloud the 60 bars take 10 pixels each (the last at 599); with it
# 25 empty slots follow them: 85 slots of 600/85 pixels, slot s at 4 + floor((s + 0.5) * 600 / 85), the last
# bar at 424 and the last future slot at 600.
up = (255, 0, 0)
column = lambda rows, x: [rows[y][x] for y in range(14, 140)]
assert up in column(plain, 599) and up in column(cloud, 424), (set(column(plain, 599)), set(column(cloud, 424)))
assert up not in column(cloud, 440) and up not in column(cloud, 599)
# The rising market's cloud (span1 above span2) is the up colour (255, 160, 64) blended at 96/255 over
# the plot's background (black).
want = [u * 96 / 255 for u in (255, 160, 64)]
cloudy = lambda p: all(abs(p[k] - want[k]) <= 3 for k in range(3))
# span2 needs 52 bars: it starts at bar 51, drawn at slot 76 (x 544); the cloud runs to slot 84 (x 600).
for x in (546, 560, 580, 598, 600):
    assert any(cloudy(p) for p in column(cloud, x)), (x, set(column(cloud, x)))
for x in (540, 602):
    assert not any(cloudy(p) for p in column(cloud, x)), x
assert not any(cloudy(p) for x in range(4, 604) for p in column(plain, x))
PY
    # --size alone sizes the window's picture.
    k chart 1301 --date "$last" --size 800x400 --png "$t/sized.png" || fail "sized"
    python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); assert struct.unpack(">II", d[16:24]) == (800, 400)' \
        "$t/sized.png" || fail "--size"
fi
echo ok
