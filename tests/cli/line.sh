#!/usr/bin/env bash
# kestrel line: lines added, listed with prices as the chart shows them (moved by a confirmed split before
# their anchor and back when it is removed), taken along by a code change, removed; bad input refused.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$t/h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1,1)"
day() { printf '%s\r\n1,Kestrel\r\n1301,0,極洋,%s\r\n' "$1" "$2" | sjis >"$t/h/Data/Ds${1:0:6}.${1:6:2}"; }
day 20260105 1000,1010,990,1000,100
day 20260106 1002,1020,1001,1005,201
day 20260107 505,510,500,503,400
day 20260113 505,515,504,512,250
k import-daily 2026-01-05 2026-01-13 >/dev/null || fail "import"

[ "$(k line add 1301 2026-01-13 512 2026-01-06 1005)" = 1 ] || fail "trend line not added"
[ "$(k line add 1301 --horizontal 600)" = 2 ] || fail "horizontal line not added"
[ "$(k line add 1301 --horizontal 300 --weekly)" = 3 ] || fail "weekly line not added"
tab=$'\t'
trend="1${tab}trend${tab}2026-01-06${tab}"
[ "$(k line list 1301)" = "${trend}1005${tab}2026-01-13${tab}512
2${tab}horizontal${tab}2026-01-13${tab}600${tab}2026-01-13${tab}600" ] || fail "list: $(k line list 1301)"
[ "$(k line list 1301 --weekly | cut -f1,2,4)" = "3${tab}horizontal${tab}300" ] || fail "weekly list"

# A 1:2 split from 01-07 halves the anchor of 01-06 only; removing it gives the traded price back.
k --yes split add 1301 2026-01-07 2 >/dev/null || fail "split add"
[ "$(k line list 1301 | head -1)" = "${trend}502.5${tab}2026-01-13${tab}512" ] || fail "after split: $(k line list 1301)"
k --yes split remove 1301 2026-01-07 >/dev/null || fail "split remove"
[ "$(k line list 1301 | head -1)" = "${trend}1005${tab}2026-01-13${tab}512" ] || fail "after removal: $(k line list 1301)"

if [ "${KESTREL_WITH_PNG:-0}" = 1 ]; then
    k chart 1301 --date 2026-01-31 --png "$t/with.png" >/dev/null || fail "chart --png"
    k line remove 1301 1 >/dev/null && k line remove 1301 2 >/dev/null || fail "remove"
    k chart 1301 --date 2026-01-31 --png "$t/without.png" >/dev/null || fail "chart --png"
    ! cmp -s "$t/with.png" "$t/without.png" || fail "the lines did not change the image"
    k line add 1301 2026-01-06 1005 2026-01-13 512 >/dev/null
fi

k --yes change-code 1301 1302 1 >/dev/null || fail "change-code"
[ -z "$(k line list 1301)" ] || fail "lines left on the old code"
[ "$(k line list 1302 | wc -l)" -ge 1 ] || fail "lines not moved to the new code"

refused() { # refused EXPECTED ARGS...: non-zero exit with the expected message, nothing stored
    local want=$1
    shift
    local before
    before=$(q "select count(*) from Hikisen")
    set +e
    k line "$@" >/dev/null 2>"$t/e"
    rc=$?
    set -e
    [ $rc != 0 ] || fail "line $* accepted"
    grep -q "$want" "$t/e" || fail "line $*: $(cat "$t/e")"
    [ "$(q "select count(*) from Hikisen")" = "$before" ] || fail "line $*: stored"
}
refused '0より大きい' add 1302 --horizontal 0
refused '0より大きい' add 1302 2026-01-05 -5 2026-01-06 100
refused '数値ではありません' add 1302 2026-01-05 abc 2026-01-06 100
refused '同じです' add 1302 2026-01-05 100 2026-01-05 200
refused 'ありません' remove 1302 999
refused 'ありません' remove 1301 3 # another issue's line
exit 0
