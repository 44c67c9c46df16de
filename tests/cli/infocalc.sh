#!/usr/bin/env bash
# kestrel fetch-info with the lists computed from the stored prices (the default while DURL is the
# fictitious server): rows as a download stores them, a rerun replacing them, bad dates refused.
set -euo pipefail
source "$(dirname "$0")/common.bash"

mkdir -p "$t/h"
k init >/dev/null
q "INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301,1,'極洋',1,1), (1332,1,'日本水産',1,1),
     (1400,1,'休止',1,1);
   INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES
     (1301,20240104,100,100,100,100,0,1000), (1301,20240105,100,120,100,120,20,3000),
     (1332,20240104,500,500,500,500,0,800),  (1332,20240105,500,500,450,450,-50,900),
     (1400,20240104,300,300,300,300,0,0),    (1400,20240105,300,300,300,300,0,0);
   INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, 買残) VALUES
     (1301,20231229,100,100,100,100,0,5000,100,300), (1301,20240105,100,120,100,120,20,4000,100,500);"

k fetch-info 2024-01-04 2024-01-05 >"$t/out" || fail "fetch-info: $(cat "$t/out")"
grep -q '株価から情報を作成しました。（日次 2 日、週次 1 日）' "$t/out" || fail "message: $(cat "$t/out")"
[ "$(q "SELECT 順位, コード, 株価, 出来高, 前日比, 値, コメント, Top種類コード FROM informationData
       WHERE 種類コード='d31' AND 日付=20240105")" = "1|1301|120|3000|20|+20.0%|値上がり率|d" ] || fail "rise row"
[ "$(q "SELECT コード || ':' || 値 FROM informationData WHERE 種類コード='d32' AND 日付=20240105")" = "1332:-10.0%" ] ||
    fail "fall row"
[ "$(q "SELECT group_concat(コード) FROM (SELECT コード FROM informationData WHERE 種類コード='d33' AND 日付=20240105
       ORDER BY 順位)")" = "1301,1332" ] || fail "volume list without the issue that did not trade"
[ "$(q "SELECT コード || ':' || 値 FROM informationData WHERE 種類コード='w33'")" = "1301:+200株" ] ||
    fail "weekly row on the week's last trading day: $(q "SELECT * FROM informationData WHERE Top種類コード='w'")"
[ "$(q "SELECT DISTINCT 日付 FROM informationData WHERE Top種類コード='w'")" = "20240105" ] || fail "weekly date"
[ "$(q "SELECT 種類名 FROM informationClass WHERE 種類コード='d40'")" = "ゴールデンクロス" ] || fail "kinds added"

# A rerun replaces the rows; the lists feed the rating of the screening commands.
n=$(q "SELECT count(*) FROM informationData")
k fetch-info 2024-01-04 2024-01-05 >/dev/null || fail "rerun"
[ "$(q "SELECT count(*) FROM informationData")" = "$n" ] || fail "rerun doubled the rows"
k info rate d31 2024-01-05 >"$t/out" || fail "rate: $(cat "$t/out")"
[ "$(q "SELECT 現株価 || ':' || 現比 FROM informationData WHERE 種類コード='d31'")" = "120:0" ] || fail "rated: $(cat "$t/out")"

# A row the database refuses loses its own day only: the other day is stored, the run goes on, names the
# day and the row, and fails.
q "DELETE FROM informationData;
   CREATE TRIGGER refuse BEFORE INSERT ON informationData WHEN NEW.日付=20240104 BEGIN SELECT RAISE(ABORT, 'refused'); END;"
rc=0; k fetch-info 2024-01-04 2024-01-05 >"$t/out" 2>&1 || rc=$?
[ $rc = 1 ] && grep -q '保存できなかった日: 20240104$' "$t/out" || fail "refused day: $rc $(cat "$t/out")"
grep -q '^20240104: d33 順位 1 コード 1301 値 「1,000株」' "$t/out" || fail "refused row named: $(cat "$t/out")"
[ "$(q "SELECT group_concat(DISTINCT 日付) FROM informationData")" = "20240105" ] || fail "the other day stored"
q "DROP TRIGGER refuse"

# Bad input: a reversed range, a range without prices.
rc=0; k fetch-info 2024-01-05 2024-01-04 >"$t/out" 2>&1 || rc=$?
[ $rc != 0 ] && grep -q '日付範囲が誤っています。' "$t/out" || fail "reversed range: $rc $(cat "$t/out")"
rc=0; k fetch-info 2023-06-01 2023-06-02 >"$t/out" 2>&1 || rc=$?
[ $rc = 1 ] && grep -q '期間内に株価データーがありません。' "$t/out" || fail "no prices: $rc $(cat "$t/out")"
echo ok
