#!/usr/bin/env bash
# Requests of a two-year J-Quants backfill on the Free plan's range, against the local J-Quants-shaped
# server of the tests: one calendar request, the issue master of the range's ends, one bars request
# per open day plus its further pages, none for a closed day. Prints the counts.
# Run: bench/jquants_requests.sh build/src/apps/cli/kestrel
set -euo pipefail
kestrel=${1:?usage: jquants_requests.sh KESTREL}
server=$(cd "$(dirname "$0")/.." && pwd)/tests/cli/jquants_server.py
t=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$t"' EXIT
key=bench-key
from=2024-04-15 to=2026-04-14
python3 - "$t/www" "$from" "$to" <<'P'
import datetime, json, os, sys
www, start, end = sys.argv[1], datetime.date.fromisoformat(sys.argv[2]), datetime.date.fromisoformat(sys.argv[3])
for d in ("markets_calendar", "equities_master", "equities_bars_daily"):
    os.makedirs(os.path.join(www, d))
# Weekends and the exchange's fixed holidays of the two years.
holidays = {"2024-04-29", "2024-05-03", "2024-05-06", "2024-07-15", "2024-08-12", "2024-09-16", "2024-09-23",
            "2024-10-14", "2024-11-04", "2024-12-31", "2025-01-01", "2025-01-02", "2025-01-03", "2025-01-13",
            "2025-02-11", "2025-02-24", "2025-03-20", "2025-04-29", "2025-05-05", "2025-05-06", "2025-07-21",
            "2025-08-11", "2025-09-15", "2025-09-23", "2025-10-13", "2025-11-03", "2025-11-24", "2025-12-31",
            "2026-01-01", "2026-01-02", "2026-01-12", "2026-02-11", "2026-02-23", "2026-03-20"}
master = {"data": [{"Date": start.isoformat(), "Code": "%d0" % c, "CoName": "銘柄%d" % c, "Mkt": "0111"}
                   for c in range(1301, 1321)]}
for day in (start, end):
    json.dump(master, open(os.path.join(www, "equities_master", day.isoformat() + ".json"), "w"))
rows, d, n = [], start, 0
while d <= end:
    iso = d.isoformat()
    is_open = d.weekday() < 5 and iso not in holidays
    rows.append({"Date": iso, "HolDiv": "1" if is_open else "0"})
    if is_open:
        n += 1
        bars = [{"Date": iso, "Code": "%d0" % c, "O": 100, "H": 110, "L": 90, "C": 105, "Vo": 1000, "AdjFactor": 1}
                for c in range(1301, 1321)]
        base = os.path.join(www, "equities_bars_daily", iso)
        if n % 10 == 0:  # every tenth day comes in two pages
            json.dump({"data": bars[:10], "pagination_key": "k.%d.x" % n}, open(base + ".json", "w"))
            json.dump({"data": bars[10:]}, open(base + ".k.%d.x.json" % n, "w"))
        else:
            json.dump({"data": bars}, open(base + ".json", "w"))
    d += datetime.timedelta(days=1)
json.dump({"data": rows}, open(os.path.join(www, "markets_calendar", "all.json"), "w"))
P
python3 "$server" --root "$t/www" --port-file "$t/port" --log "$t/log" --key "$key" --lifetime 600 &
pid=$!
for _ in $(seq 100); do [ -s "$t/port" ] && break; sleep 0.1; done
h=$t/h
mkdir -p "$h"
"$kestrel" --home "$h" init >/dev/null
sed -i "s|^\[Kestrel\]\r\$|[Kestrel]\r\nJQuantsURL=http://127.0.0.1:$(cat "$t/port")\r\nJQuantsPace=6000\r|" "$h/Kestrel.ini"
began=$(date +%s%N)
JQUANTS_API_KEY=$key "$kestrel" --home "$h" --yes fetch-jquants "$from" "$to" >"$t/out" 2>&1 || { cat "$t/out"; exit 1; }
ms=$(( ($(date +%s%N) - began) / 1000000 ))
open=$(python3 -c "import json,sys; print(sum(r['HolDiv'] != '0' for r in json.load(open(sys.argv[1]))['data']))" \
    "$t/www/markets_calendar/all.json")
count() { grep -c "$1" "$t/log" || true; }
total=$(wc -l <"$t/log")
bars=$(count '^/equities/bars/daily?date=')
pages=$(count '^/equities/bars/daily?date=.*pagination_key=')
echo "J-Quants backfill $from .. $to (Free plan's two years): $open open days"
echo "  requests: $total in all; calendar $(count '^/markets/calendar'), issue master $(count '^/equities/master'), TOPIX $(count '^/indices/'), bars $bars (of which $pages further pages)"
echo "  bars requests per open day: $(python3 -c "print(f'{($bars - $pages) / $open:.3f}')") (1 expected); closed days asked: $(( bars - pages - open ))"
echo "  ${ms} ms at the pace of 6000 a minute (the Free plan's 5 a minute: about $(( (total + 4) / 5 )) minutes)"
