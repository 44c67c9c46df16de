#!/usr/bin/env bash
# kestrel delete / change-code / compact / backup / restore, including compactions killed part-way.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$h"; db=$h/Kestrel.mdb
k init >/dev/null

seed() {
    q "delete from dayData; delete from weekData; delete from shinyo; delete from informationData; delete from board;
       delete from Mei; delete from stockmarket;"
    for c in 1301 1332; do
        for d in 20260105 20260112 20260119; do
            q "insert into dayData(コード,日付,終値) values ($c,$d,100); insert into weekData(コード,日付,終値) values ($c,$d,100);
               insert into shinyo(コード,日付,売残) values ($c,$d,1);
               insert into informationData(種類コード,日付,順位,コード,Top種類コード) values ('A',$d,$c,$c,'d');"
        done
        q "insert into Mei(コード,市場コード,銘柄) values ($c,1,'x'); insert into board(区分,コード,市場コード) values (1,$c,1);
           insert into stockmarket(コード,市場コード) values ($c,1);"
    done
}
rows() { q "select (select count(*) from dayData where コード=$1)+(select count(*) from weekData where コード=$1)+
              (select count(*) from shinyo where コード=$1)+(select count(*) from informationData where コード=$1)+
              (select count(*) from board where コード=$1)+(select count(*) from Mei where コード=$1)"; }

# Date range: daily keeps the margin balances, weekly deletes them; no --yes asks and does nothing.
seed
out=$(k delete range 26/01/12 2026-01-19) && fail "ran without an answer"
grep -q "日付範囲の株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？ -> いいえ" <<<"$out" || fail "question: $out"
[ "$(q 'select count(*) from dayData')" = 6 ] || fail "changed without yes"
k --yes delete range 26/01/12 26/01/19 | grep -q "^削除終了しました。$" || fail "no completion"
[ "$(q 'select count(*) from dayData')" = 2 ] && [ "$(q 'select count(*) from shinyo')" = 6 ] || fail "daily range"
k --yes delete range 26/01/05 26/01/12 --weekly >/dev/null
[ "$(q 'select count(*) from weekData')" = 2 ] && [ "$(q 'select count(*) from shinyo')" = 2 ] || fail "weekly range"
out=$(kerr --yes delete range 26/02/30 26/03/01) && fail "bad date accepted"
[ "$out" = "日付を入力して下さい。" ] || fail "bad date message: $out"
out=$(kerr --yes delete issue 13x1) && fail "bad code accepted"
[ "$out" = "銘柄コードを入力して下さい。" ] || fail "bad code message: $out"

# One issue; information up to a date.
seed
k --yes delete issue 1301 | grep -q "銘柄ｺｰﾄﾞ=1301 の及び株価ﾃﾞｰﾀｰをすべて削除します" || fail "issue question"
[ "$(rows 1301)" = 0 ] && [ "$(rows 1332)" = 14 ] && [ "$(q 'select count(*) from stockmarket')" = 2 ] || fail "issue rows"
k --yes delete info-before 26/01/12 | grep -q "26/01/12 日以前の株価ﾃﾞｰﾀｰをすべて削除します" || fail "info question"
[ "$(q 'select count(*) from informationData')" = 1 ] || fail "info rows"

# Code change: questions in table order; No at the second stops with nothing changed.
seed
out=$(printf '' | k change-code 1301 1332 1) && fail "change ran without an answer"
[ "$(rows 1301)" = 14 ] || fail "changed without yes"
out=$(k --yes change-code 1301 1332 1) && fail "a change onto existing keys reported success"
for question in "日データに変更先のコードがすでに存在しますが" "週データに変更先のコードがすでに存在します" \
    "株式情報データに変更先のコードがすでに存在します" "株価ボードＡデータに変更先のコードがすでに存在します" \
    "銘柄データに変更先のコードがすでに存在します"; do
    grep -q "$question" <<<"$out" || fail "missing question $question"
done
grep -q "変更終了しました。" <<<"$out" && fail "completion after a failure: $out"
[ "$(rows 1301)" = 14 ] && [ "$(rows 1332)" = 14 ] || fail "a failed change left changes"
q "delete from Mei where コード=1332; delete from dayData where コード=1332; delete from weekData where コード=1332;
   delete from board where コード=1332; delete from shinyo where コード=1332"
out=$(k --yes change-code 1301 1332 2) || fail "change failed: $out"
grep -q "^変更終了しました。$" <<<"$out" || fail "no completion: $out"
[ "$(rows 1301)" = 0 ] && [ "$(q 'select 市場コード from Mei where コード=1332')" = 2 ] || fail "change result"
out=$(kerr --yes change-code 1332 1301 x) && fail "bad market accepted"
[ "$out" = "市場コードを入力して下さい。" ] || fail "bad market message: $out"

# Compaction keeps the previous database as Kestrel.old, each time.
seed
k --yes compact | grep -q "最適化＆バックアップ処理中．．．" || fail "compact message"
[ "$(sqlite3 "$h/Kestrel.old" 'select count(*) from dayData')" = 6 ] || fail "first old copy"
q "delete from dayData where コード=1332"
k --yes compact >/dev/null
[ "$(sqlite3 "$h/Kestrel.old" 'select count(*) from dayData')" = 3 ] || fail "second old copy"
[ "$(q 'select count(*) from dayData')" = 3 ] || fail "compacted rows"
k compact >/dev/null && fail "compacted without an answer"

# A compaction killed at any step, or at a random moment, never leaves a missing or damaged database.
check_db() {
    [ -f "$db" ] || fail "Kestrel.mdb missing after $1"
    [ "$(q 'pragma integrity_check')" = ok ] || fail "damaged after $1"
    [ "$(q 'select count(*) from dayData')" = 3 ] || fail "rows lost after $1"
    [ "$(q 'select count(*) from Shijyo')" = 6 ] || fail "tables lost after $1"
    [ ! -e "$h/Kestrel.old" ] || [ "$(stat -c %i "$db")" != "$(stat -c %i "$h/Kestrel.old")" ] ||
        fail "Kestrel.mdb and Kestrel.old are one file after $1"
}
for step in open copy check keep-old replace done; do
    rc=0
    { KESTREL_TEST_FILECARE_ABORT=$step "$kestrel" --home "$h" --yes compact >/dev/null 2>&1 || rc=$?; } 2>/dev/null
    [ $rc = 137 ] || fail "no abort at $step ($rc)"
    check_db "abort at $step"
done
for i in 1 2 3 4 5 6 7 8; do
    KESTREL_TEST_FILECARE_DELAY_MS=40 "$kestrel" --home "$h" --yes compact >/dev/null 2>&1 &
    pid=$!
    sleep "$(printf '0.%02d' $((RANDOM % 30)))"
    kill -9 $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    check_db "kill $i"
done
k --yes compact >/dev/null || fail "compaction after kills"
check_db "a last compaction"

# Backup to a folder with or without the separator, restore from it, and from Kestrel.old.
mkdir "$t/usb"
k --yes backup "$t/usb" | grep -q "^ﾊﾞｯｸｱｯﾌﾟ終了しました。$" || fail "backup message"
q "insert into Mei(コード,市場コード,銘柄) values (7203,1,'トヨタ')"
k --yes backup "$t/usb/" >/dev/null
[ "$(sqlite3 "$t/usb/Kestrel.mdb" 'select count(*) from Mei where コード=7203')" = 1 ] || fail "second backup"
[ ! -e "$t/usb/Kestrel.mdb-wal" ] || fail "backup left a log"
out=$(k --yes backup "$t/nowhere") && fail "backup to a missing folder reported success"
grep -q "ﾊﾞｯｸｱｯﾌﾟ終了しました" <<<"$out" && fail "completion after a failed backup"
q "delete from Mei"
out=$(k --yes restore "$t/nowhere") && fail "restore from a missing folder reported success"
[ "$(q 'select count(*) from Shijyo')" = 6 ] || fail "database lost by a failed restore"
echo garbage >"$t/bad.mdb"; mkdir "$t/bad"; cp "$t/bad.mdb" "$t/bad/Kestrel.mdb"
k --yes restore "$t/bad" >/dev/null && fail "restore from a damaged file"
[ "$(q 'select count(*) from Shijyo')" = 6 ] || fail "database lost by a damaged restore"
k --yes restore "$t/usb" | grep -q "^復元終了しました。$" || fail "restore message"
[ "$(q 'select count(*) from Mei where コード=7203')" = 1 ] || fail "restored rows"
k --yes restore --old | grep -q "^復元終了しました。$" || fail "restore from old"
[ "$(q 'select count(*) from Mei where コード=7203')" = 0 ] || fail "rows of the old copy"
rm "$h/Kestrel.old"
out=$(k --yes restore --old 2>&1) && fail "restore without an old copy"
[ "$out" = "ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀｰがありません。" ] || fail "no old copy message: $out"

# Deleting everything leaves an empty database in place.
k --yes delete all | grep -q "^株価データーをすべて削除しました。$" || fail "delete all"
[ "$(q 'select count(*) from dayData')" = 0 ] && [ "$(q 'select count(*) from Shijyo')" = 6 ] || fail "after delete all"
echo "1 passed, 0 failed"
