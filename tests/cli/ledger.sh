#!/usr/bin/env bash
# kestrel ledger: purchases, a partial sale split into two lots, refusals that change nothing, the export.
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$h"
q() { sqlite3 -separator ' ' "$h/Kestrel.mdb" "$1"; }
k init >/dev/null
header='コード,市場コード,銘柄,購入日,購入額,購入数,損益分岐点,現在額,売却日,売却額,売却数,利益'

# An empty ledger exports only the header line.
k ledger export >"$t/out" || fail "export of an empty ledger"
[ "$(od -An -tx1 "$h/Data/stock.csv" | tr -d ' \n')" = "$(printf '%s\r\n' "$header" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n')" ] \
    || fail "empty export is not the CP932 header with CR LF"

q "INSERT INTO Mei (コード, 市場コード, 銘柄, 株価単位) VALUES (7203, 1, 'トヨタ自動車', 1), (9984, 1, 'ソフトバンク', 10)"
q "INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, 20261203, 1200), (7203, 20261204, 1100), (9984, 20261204, 700)"

k ledger add 7203 26/11/02 1000 1000 >"$t/out" || fail "add"
# A new lot starts at the latest close (1,100), so its profit is 評価損益, not the whole break-even lost.
[ "$(q 'SELECT 銘柄, 購入日, 損益分岐点, 現在額, 利益 FROM stockmarket WHERE ID = 1')" = "トヨタ自動車 26/11/02 1040 1100 60000" ] || fail "added row: $(q 'SELECT * FROM stockmarket')"
k ledger add 9984 2026-11-05 999 100 >/dev/null || fail "add with a four-digit year"
[ "$(q 'SELECT 購入日, 損益分岐点 FROM stockmarket WHERE ID = 2')" = "26/11/05 1039" ] || fail "break-even of 999"

# Selling 300 of 1000 with --split: a sold lot of 300 and a new unsold lot of 700 with the same purchase.
k ledger sell 1 26/12/04 1100 300 --split >"$t/out" || fail "sell --split"
grep -q '700株 購入数が売却数より多いです 700株 の新規行を作成します　よろしいですか？' "$t/out" || fail "no split question: $(cat "$t/out")"
[ "$(q 'SELECT 購入数, 売却日, 売却額, 売却数, 利益 FROM stockmarket WHERE ID = 1')" = "300 26/12/04 1100 300 18000" ] || fail "sold lot"
[ "$(q 'SELECT コード, 購入日, 購入額, 購入数, 損益分岐点, 売却日, 売却数 FROM stockmarket WHERE ID = 3')" = "7203 26/11/02 1000 700 1040 00/00/00 0" ] \
    || fail "new lot: $(q 'SELECT * FROM stockmarket WHERE ID = 3')"

# Listing refreshes current prices from the newest bar: unsold profit follows, the sale's stays.
k ledger list --unsold >"$t/out" || fail "list"
[ "$(q 'SELECT 現在額, 利益 FROM stockmarket WHERE ID = 3')" = "1100 42000" ] || fail "refresh of the unsold lot"
[ "$(q 'SELECT 現在額, 利益 FROM stockmarket WHERE ID = 2')" = "7000 596100" ] || fail "price unit of 9984"
[ "$(q 'SELECT 利益 FROM stockmarket WHERE ID = 1')" = "18000" ] || fail "the sale's profit changed"
[ "$(cut -f1 "$t/out" | tail -n +2 | tr '\n' ' ')" = "3 2 " ] || fail "unsold view: $(cat "$t/out")"
[ "$(k ledger list --sold | cut -f1 | tail -n +2 | tr '\n' ' ')" = "1 " ] || fail "sold view"

# Refusals change nothing: a profit beyond 32 bits, more shares sold than bought, negative counts, bad input.
q 'SELECT * FROM stockmarket' >"$t/before"
k ledger add 7203 26/11/02 9000 3000000 >"$t/out" 2>&1 && fail "a 28-billion loss was stored"
grep -q 'オーバーフローしました。利益 -24780000000' "$t/out" || fail "overflow not reported: $(cat "$t/out")"
k ledger sell 3 26/12/05 1100 701 >"$t/out" 2>&1 && fail "sold more than bought"
grep -q '売却数 701 が購入数 700 より多いです' "$t/out" || fail "oversale message: $(cat "$t/out")"
k ledger add 7203 26/11/02 1000 -5 >"$t/out" 2>&1 && fail "negative count accepted"
grep -q '負の数' "$t/out" || fail "negative count message"
k ledger add 7203 26/13/40 1000 5 >/dev/null 2>&1 && fail "a date that is no date accepted"
k ledger add 7203 26/11/02 abc 5 >/dev/null 2>&1 && fail "a price that is no number accepted"
k ledger sell 99 26/12/05 1 1 >/dev/null 2>&1 && fail "sale of a missing row"
q 'SELECT * FROM stockmarket' | cmp -s - "$t/before" || fail "a refused command changed the ledger"

# A code that Mei does not know is added with an empty name.
k ledger add 1301 26/11/02 100 10 >"$t/out" || fail "unknown code"
[ "$(q "SELECT count(*) FROM stockmarket WHERE コード = 1301 AND 銘柄 = ''")" = 1 ] || fail "unknown code name"

# Delete asks; --no keeps the row, --yes removes it.
set +e
k --no ledger delete 4 >/dev/null; rc=$?
set -e
[ $rc = 3 ] || fail "delete answered No gave $rc, not 3 (cancelled)"
[ "$(q 'SELECT count(*) FROM stockmarket')" = 4 ] || fail "deleted on No"
k --yes ledger delete 4 | grep -q 'コード=1301 銘柄を売買管理ボードから削除しますよろしいですか？' || fail "delete question"
[ "$(q 'SELECT count(*) FROM stockmarket')" = 3 ] || fail "not deleted on Yes"

k ledger export >/dev/null || fail "export"
iconv -f CP932 -t UTF-8 "$h/Data/stock.csv" >"$t/csv" || fail "export is not CP932"
printf '%s\r\n' "$header" \
    '7203,1,トヨタ自動車,26/11/02,1000,300,1040,1100,26/12/04,1100,300,18000' \
    '7203,1,トヨタ自動車,26/11/02,1000,700,1040,1100,00/00/00,0,0,42000' \
    '9984,1,ソフトバンク,26/11/05,999,100,1039,7000,00/00/00,0,0,596100' | cmp -s - "$t/csv" || fail "export: $(cat -A "$t/csv")"
echo "1 passed, 0 failed"
