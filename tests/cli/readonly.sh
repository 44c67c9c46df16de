#!/usr/bin/env bash
# Kestrel.ini as the user made it: a run keeps its mode and its symbolic link. A program folder the user
# cannot write: the reading commands work, a writing one is refused in our words naming the folder, and
# nothing there changes. The second part runs the tool as an unprivileged user (skipped, exit 77, where
# the test cannot change to one).
set -euo pipefail
source "$(dirname "$0")/common.bash"
mkdir "$h"
k init >/dev/null
q "insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1000,1)"
q "insert into dayData values (1301,20240104,99,101,98,100,2,1,100),(1301,20240105,100,103,99,102,2,2,102)"
q "insert into board(区分,コード,市場コード,銘柄) values (1,1301,1,'極洋')"
printf '1,1301,1,極洋\r\n' | sjis >"$t/in.A"

# A private Kestrel.ini stays private, and a link stays a link, also when a value is written through it.
chmod 600 "$h/Kestrel.ini"
k chart 1301 --json >/dev/null || fail "chart"
[ "$(stat -c %a "$h/Kestrel.ini")" = 600 ] || fail "chart changed the mode to $(stat -c %a "$h/Kestrel.ini")"
k --yes board load A "$t/in.A" >/dev/null || fail "board load"
[ "$(stat -c %a "$h/Kestrel.ini")" = 600 ] || fail "a written value changed the mode"
mv "$h/Kestrel.ini" "$t/kept.ini"
ln -s ../kept.ini "$h/Kestrel.ini"
k chart 1301 --json >/dev/null || fail "chart through a link"
printf '1,1301,1,極洋\r\n' | sjis >"$t/other.A"
k --yes board load A "$t/other.A" >/dev/null || fail "board load through a link"
[ -L "$h/Kestrel.ini" ] || fail "the link became a file"
grep -q '^boardA=other.A' "$t/kept.ini" || fail "the value did not reach the linked file"
[ "$(stat -c %a "$t/kept.ini")" = 600 ] || fail "the linked file's mode changed"
rm "$h/Kestrel.ini"
mv "$t/kept.ini" "$h/Kestrel.ini"

# The unprivileged user owns only its data folder, its own settings and the backup target.
nobody() { HOME=$t/user XDG_CONFIG_HOME=$t/user setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
chmod 755 "$t"
mkdir -p "$t/user" "$t/backup"
chown 65534:65534 "$t/user" "$t/backup" 2>/dev/null || { echo "cannot hand a folder to uid 65534: skipped"; exit 77; }
if ! command -v setpriv >/dev/null || ! nobody "$kestrel" --help >/dev/null 2>&1; then
    echo "the tool cannot run as uid 65534: skipped"
    exit 77
fi
chown -R root:root "$h"
find "$h" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
chown 65534:65534 "$h/Data"
cp "$h/Kestrel.ini" "$t/ini.before"
# What the program folder holds (names, sizes, times), its own data folder aside.
listing() { find "$h" -mindepth 1 -maxdepth 1 ! -name Data -printf '%f %s %T@\n' | sort; }
listing >"$t/ls.before"
ro() { nobody "$kestrel" --home "$h" "$@"; }
nobody test -w "$h" && fail "uid 65534 can write the program folder"

ro chart 1301 --json >"$t/j" 2>"$t/e" || fail "chart: $(cat "$t/e")"
python3 -c 'import json,sys; assert json.load(open(sys.argv[1]))["barCount"] == 2' "$t/j" || fail "chart values"
ro export-csv 1301 >"$t/out" 2>"$t/e" || fail "export-csv: $(cat "$t/e")"
[ -s "$h/Data/1301.Csv" ] || fail "no exported file"
[ "$(ro board list A 2>"$t/e" | cut -f1)" = 1301 ] || fail "board list: $(cat "$t/e")"
ro --yes backup "$t/backup" >"$t/out" 2>"$t/e" || fail "backup: $(cat "$t/e")"
[ "$(sqlite3 "$t/backup/Kestrel.mdb" 'select count(*) from dayData')" = 2 ] || fail "backup rows: $(ls "$t/backup")"

# Writing commands are refused, naming the folder; the database and Kestrel.ini stay as they were.
expected="フォルダ $h に書き込めません。書き込みの許可を確かめて下さい。"
for command in "delete issue 1301" "board add A 1301"; do
    rc=0
    # shellcheck disable=SC2086
    ro --yes $command >"$t/out" 2>"$t/e" || rc=$?
    [ $rc != 0 ] || fail "$command ran in a read-only folder"
    grep -qF "$expected" "$t/e" || fail "$command message: $(cat "$t/e")"
    grep -q 'readonly\|attempt to write' "$t/e" "$t/out" && fail "$command speaks SQLite: $(cat "$t/e")"
done
listing | diff "$t/ls.before" - || fail "the program folder changed"
cmp "$h/Kestrel.ini" "$t/ini.before" || fail "Kestrel.ini changed"
[ "$(q 'select count(*) from dayData')" = 2 ] || fail "the database changed"
