#!/usr/bin/env bash
# kestrel info rate: one date, the last N dates, the filters, bad input.
set -euo pipefail
source "$(dirname "$0")/common.bash"

mkdir -p "$t/h"
k init >/dev/null
q "INSERT INTO Mei (コード, 市場コード, 銘柄) VALUES (1301,1,'極洋'), (1332,2,'日本水産'), (1400,1,'零');
   INSERT INTO dayData (コード, 日付, 終値) VALUES (1301,20000713,1), (1301,20000714,1234), (1332,20000714,987),
     (1400,20000714,500);
   INSERT INTO informationData (種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, コメント, Top種類コード) VALUES
     ('d01',20000713,1,1301,1100,1000,5,'a','c','d'), ('d01',20000713,2,1400,100,1000,0,'','c','d'),
     ('d01',20000714,1,1301,1000,5000,-3,'1.5%','c','d'), ('d01',20000714,2,1332,1000,9000,0,'','c','d'),
     ('d01',20000714,3,1400,0,100,0,'','c','d'), ('d01',20000714,4,1500,700,100,0,'','c','d');"

# One date: the list price 1000 against 1234 and 987; a zero list price and a missing close drop out.
k info rate d01 2000-07-14 >"$t/out" || fail "rate one date: $(cat "$t/out")"
[ "$(sed -n 1p "$t/out")" = "# d01 00/07/14 件数：1" ] || fail "header: $(cat "$t/out")"
[ "$(sed -n 2p "$t/out")" = "$(printf '1\t1301\t1\t極洋\t1000\t5000\t-3\t1.5%%\t1234\t23.4')" ] || fail "row: $(cat "$t/out")"
[ "$(q "SELECT 現比 FROM informationData WHERE コード=1332")" = "-1.3" ] || fail "stored -1.3"
[ "$(q "SELECT 現比 FROM informationData WHERE 日付=20000714 AND コード=1400")" = "0" ] || fail "price 0"
[ "$(q "SELECT count(*) FROM informationData WHERE 現株価 IS NULL")" = "3" ] || fail "rows without a close"

# The last N dates, N beyond the stored dates: both dates, ordered by 現比.
k info rate d01 00/07/14 --days 30 >"$t/out" || fail "rate range"
[ "$(sed -n 1p "$t/out")" = "# d01 00/07/13～00/07/14 件数：3" ] || fail "range header: $(cat "$t/out")"
[ "$(cut -f2,10 "$t/out" | sed 1d | tr '\t\n' ': ')" = "1400:400 1301:23.4 1301:12.1 " ] || fail "range order: $(cat "$t/out")"

# Filters: an empty volume adds nothing; a non-numeric price is refused; typed text is only a value.
[ "$(k info rate d01 2000-07-14 --max-price 999 | sed 1d | wc -l)" = 0 ] || fail "price ceiling"
[ "$(k info rate d01 2000-07-14 --max-price 1000 --min-volume '' | sed 1d | wc -l)" = 1 ] || fail "empty volume"
[ "$(k info rate d01 2000-07-14 --min-volume 6000 | sed 1d | wc -l)" = 0 ] || fail "volume floor"
rc=0; k info rate d01 2000-07-14 --max-price "1000 or 1=1" >"$t/out" 2>&1 || rc=$?
[ $rc = 2 ] && grep -q '金額を入力して下さい。' "$t/out" || fail "bad price: $rc $(cat "$t/out")"
rc=0; k info rate d01 2000-07-14 --days x >"$t/out" 2>&1 || rc=$?
[ $rc = 2 ] || fail "bad days: $rc"
rc=0; k info rate "d01' OR '1'='1" 2000-07-14 >"$t/out" 2>&1 || rc=$?
[ $rc = 4 ] || fail "unknown kind: $rc"
rc=0; k info rate d01 2000-07-12 >"$t/out" 2>&1 || rc=$?
[ $rc = 4 ] || fail "date without a list: $rc"
rc=0; k info rate d01 >/dev/null 2>&1 || rc=$?
[ $rc != 0 ] || fail "missing date accepted"
[ "$(q "SELECT count(*) FROM informationData")" = 6 ] || fail "rows lost"

echo "1 passed, 0 failed"
