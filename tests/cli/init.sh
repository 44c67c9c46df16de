#!/usr/bin/env bash
# kestrel init on an empty folder, a second init, and a folder whose database is not a database.
set -euo pipefail
source "$(dirname "$0")/common.bash"

# A missing folder is made, as git init DIR does; the toolkit says nothing on the error stream.
k init >"$t/out1" 2>"$t/err1"
grep -q "^created $t/h$" "$t/out1" && grep -q "created $t/h/Kestrel.mdb" "$t/out1" || fail "no folder or database reported"
[ ! -s "$t/err1" ] || fail "init wrote to stderr: $(cat "$t/err1")"
[ -d "$t/h/Data" ] && [ -d "$t/h/htm" ] || fail "folders missing"
[ "$(sqlite3 "$t/h/Kestrel.mdb" "select count(*) from sqlite_master where type='table' and name not like 'sqlite%'")" = 17 ] || fail "tables"
[ "$(sqlite3 "$t/h/Kestrel.mdb" "select group_concat(コード) from (select * from Shijyo order by rowid)")" = "1,2,4,5,6,3" ] || fail "Shijyo order"
sqlite3 "$t/h/Kestrel.mdb" "insert into Mei(コード,市場コード) values (1,1)"
sqlite3 "$t/h/Kestrel.mdb" "insert into Mei(コード,市場コード) values (1,1)" 2>/dev/null && fail "duplicate Mei accepted"
iconv -f CP932 -t UTF-8 "$t/h/Kestrel.ini" | grep -q $'^ReadSinyo=しない\r$' || fail "ini not CP932 with CR LF"

cp "$t/h/Kestrel.ini" "$t/ini.before"
sqlite3 "$t/h/Kestrel.mdb" .dump >"$t/db.before"
k init >"$t/out2"
grep -q "nothing to create" "$t/out2" || fail "second init created something"
cmp -s "$t/ini.before" "$t/h/Kestrel.ini" || fail "second init changed the settings"
sqlite3 "$t/h/Kestrel.mdb" .dump | cmp -s - "$t/db.before" || fail "second init changed the database"

mkdir "$t/bad"; echo "not a database" >"$t/bad/Kestrel.mdb"
"$kestrel" --home "$t/bad" init >"$t/out3" 2>&1 && fail "init accepted a broken database"
grep -q "$t/bad/Kestrel.mdb" "$t/out3" || fail "message does not name the file"
[ "$(cat "$t/bad/Kestrel.mdb")" = "not a database" ] || fail "broken database overwritten"
KESTREL_HOME="$t/h" "$kestrel" --version | grep -q '^kestrel 1\.' || fail "version"
help=$("$kestrel" --help)
grep -q "3 cancelled (a question answered No)" <<<"$help" || fail "exit statuses in --help"
echo "1 passed, 0 failed"
