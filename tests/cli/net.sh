#!/usr/bin/env bash
# kestrel fetch-master / fetch-kinds / fetch-info / fetch-page against the tests' local HTTP server.
set -euo pipefail
source "$(dirname "$0")/common.bash"

# serve NAME [modifiers...]: starts a server for $t/www under /kabu/ and sets $port.
serve() { start_httpd "$1" /kabu/ "${@:2}"; }
set_durl() { sed -i "s|^DURL=.*\r\$|DURL=$1\r|" "$t/h/Kestrel.ini"; }

mkdir -p "$t/www/kabumei" "$t/www/jyhodata" "$t/h"
printf '20001204,2\r\n1301,1,極洋,1000,1\r\n1332,1,日本水産,1000,1\r\n' | sjis >"$t/www/kabumei/Regist.mei"
printf '00/07/14 3\r\nd01,値上がり率,1\r\nd02,出来高上位,2\r\nw01,週間上昇,3\r\n' | sjis >"$t/www/kabumei/infodata"
for d in 10 11 12 13 14; do
    for k in d01 d02 w01; do
        printf '00/07/%s 2,    ランキング\r\n1,1301,250,1234,5,1.5%%\r\n2,1332,300,10,-2,0.8%%\r\n' "$d" | sjis \
            >"$t/www/jyhodata/200007$d.$k"
    done
done
serve main
k init >/dev/null
set_durl "127.0.0.1:$port/kabu/"

# The issue master: stored byte for byte, then handed to the import.
k fetch-master --no-import >"$t/out" || fail "fetch-master --no-import: $(cat "$t/out")"
cmp -s "$t/www/kabumei/Regist.mei" "$t/h/Data/Regist.Mei" || fail "Regist.Mei not stored as served"
set_durl "127.0.0.1:$port/kabu"
rc=0; k fetch-master >"$t/out" 2>&1 || rc=$?
grep -q '^saved ' "$t/out" || fail "DURL without a trailing slash: $(cat "$t/out")"
grep -q '^読み込み終了$' "$t/out" && [ $rc = 0 ] || fail "import message or exit $rc: $(cat "$t/out")"
[ "$(q "select group_concat(コード || ':' || 市場コード || ':' || 銘柄 || ':' || 更新Flg, ' ') from Mei")" = \
    "1301:1:極洋:1 1332:1:日本水産:1" ] || fail "Mei after fetch-master: $(q 'select * from Mei')"
[ ! -e "$t/h/Data/Regist.Mei" ] || fail "the imported Regist.Mei was kept"
[ "$(grep -c 'kabumei/Regist.mei' "$t/main.log")" = 2 ] || fail "requests: $(cat "$t/main.log")"

# Kinds, then a week of lists: five dates of each daily kind and the Friday of the weekly one.
k fetch-kinds >"$t/out" || fail "fetch-kinds: $(cat "$t/out")"
grep -q '^ダウンロード終了しました。$' "$t/out" || fail "fetch-kinds message"
[ "$(q "select group_concat(種類コード || ':' || 種類名, ' ') from (select * from informationClass order by 表示順)")" = \
  "d01:値上がり率 d02:出来高上位 w01:週間上昇" ] || fail "kinds stored"
: >"$t/main.log"
k fetch-info 2000-07-10 2000-07-14 >"$t/out" || fail "fetch-info: $(cat "$t/out")"
[ "$(grep -c jyhodata "$t/main.log")" = 11 ] || fail "fetched $(cat "$t/main.log")"
[ "$(grep -c '\.w01$' "$t/main.log")" = 1 ] && grep -q '20000714.w01$' "$t/main.log" || fail "weekly kind"
[ "$(q 'select count(*) from informationData')" = 22 ] || fail "rows after one download"
[ "$(q "select 出来高 from informationData where 種類コード='d02' and 日付=20000712 and 順位=1")" = 1234000 ] || fail "volume"
[ "$(q "select 値 || '|' || コメント || '|' || Top種類コード from informationData where 種類コード='w01' and 順位=2")" = \
  "0.8%|ランキング|w" ] || fail "row fields"
k fetch-info 00/07/10 00/07/14 >/dev/null || fail "second fetch-info"
[ "$(q 'select count(*) from informationData')" = 22 ] || fail "a repeated download doubled rows"

# Twelve kinds declared, eleven present: nothing changes.
{ printf '00/07/15 12\r\n'; for i in $(seq 11); do printf 'x%02d,新しい種類,%d\r\n' "$i" "$i"; done; } | sjis \
    >"$t/www/kabumei/infodata"
q 'select * from informationClass order by 種類コード' >"$t/kinds.before"
k fetch-kinds >"$t/out" && fail "an incomplete kinds file counted as fetched"
grep -q '^取得するファイルが見つかりません。$' "$t/out" || fail "incomplete kinds message: $(cat "$t/out")"
q 'select * from informationClass order by 種類コード' | cmp -s - "$t/kinds.before" || fail "kinds changed"

# A page that is no list is skipped; one that breaks off, or a dead server, leaves the stored file.
[ -f "$t/h/Data/Regist.Mei" ] || cp "$t/www/kabumei/Regist.mei" "$t/h/Data/Regist.Mei" # the import deletes it
cp "$t/h/Data/Regist.Mei" "$t/master.before"
serve cut --drop /kabu/kabumei/Regist.mei=15
set_durl "127.0.0.1:$port/kabu/"
k fetch-master --no-import >"$t/out" 2>&1 && fail "a cut-short download counted"
cmp -s "$t/master.before" "$t/h/Data/Regist.Mei" || fail "a cut-short download replaced Regist.Mei"
ls "$t/h/Data" | grep -q tmp && fail "temporary file left behind"
serve dead --delay /kabu/kabumei/Regist.mei=-1
set_durl "127.0.0.1:$port/kabu/"
start=$(date +%s)
k fetch-master --timeout 1 >"$t/out" 2>&1 && fail "a dead server counted"
[ $(($(date +%s) - start)) -lt 10 ] || fail "the time limit did not end the transfer"
grep -q '取得するファイルが見つかりません。' "$t/out" && grep -q '1秒応答がありません' "$t/out" || fail "dead server: $(cat "$t/out")"
cmp -s "$t/master.before" "$t/h/Data/Regist.Mei" || fail "a dead server replaced Regist.Mei"

# A page in EUC-JP with half-width kana and LF line ends, as the stock boards get it.
printf '<b>\xa5\xc1\xa5\xe3\xa1\xbc\xa5\xc8</b>\n\x8e\xb1\x8e\xb2\x8e\xdf 1,234\n' >"$t/www/quote.html"
"$kestrel" fetch-page "http://127.0.0.1:$port/kabu/quote.html" >"$t/page" || fail "fetch-page"
printf '<b>チャート</b>\r\nｱｲﾟ 1,234\r\n' | cmp -s - "$t/page" || fail "page text: $(od -c "$t/page" | head)"
"$kestrel" fetch-page "http://127.0.0.1:$port/kabu/none.html" --channel 2 >/dev/null || true
echo "1 passed, 0 failed"
