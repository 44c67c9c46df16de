#!/usr/bin/env python3
"""A J-Quants-shaped test server on 127.0.0.1, plain HTTP or HTTPS (--cert/--key).

Answers GET PATH?QUERY from the folder --root: the file is PATH with "/" turned into "_" (leading one
dropped) as a folder, and the query values other than pagination_key joined by "_", plus "." and the
pagination key when one is asked, plus ".json". A missing file is an empty page ({"data": []}), or, for a query with from/to, the rows of all.json in that span. A file
NAME.first is served once before NAME. A file whose first line is "STATUS code [retry-after]" answers
with that status (and Retry-After) and the rest as body; "CUT" promises the whole body and closes after
half of it. Each request is appended to --log. The server ends after --lifetime seconds.

It answers as the real service does for the plan of --plan (free, light, standard): no 401 but 403 with
the service's messages for a missing key, a wrong key (or the --expired one), an endpoint outside the
plan (TOPIX needs light, margin standard) and an unknown path; 400 naming the window --window
"FROM~TO" (TO may be empty) for a date, from or to outside it. A 429 carries no Retry-After; a request
sooner than --rate-wait seconds after a 429 blocks every request for --block seconds (the service
blocks about five minutes). /fins/summary allows at most --fins-limit requests in any 60 seconds on
every plan (more answer 429); /fins/earnings-date takes exactly one of code, date and scheduled_date.

A folder's all.json also answers the queries no file names: its rows filtered by code, by date (bars and
margin) and by from/to, the bars cut into pages of --page-rows rows with opaque keys. --delay SECONDS slows every
answer (to stop a run part-way).

Bulk files (light and up): /bulk/list lists the files of ROOT/bulk (the key is the file name,
LastModified from the file), /bulk/get?key=KEY answers a signed address on this server that
expires after --url-life seconds; the address serves the file (a NAME.first file once before it, so a
damaged or cut-short file can be served first) without the API key, 403 once expired or tampered."""
import argparse, datetime, hashlib, hmac, http.server, json, os, ssl, threading, time, urllib.parse

p = argparse.ArgumentParser()
p.add_argument("--root", required=True)
p.add_argument("--port-file", required=True)
p.add_argument("--log", required=True)
p.add_argument("--key", required=True)
p.add_argument("--cert")
p.add_argument("--keyfile")
p.add_argument("--lifetime", type=int, default=300)
p.add_argument("--plan", default="standard", choices=["free", "light", "standard"])
p.add_argument("--window", default="")
p.add_argument("--expired", default="")
p.add_argument("--rate-wait", type=float, default=60)
p.add_argument("--block", type=float, default=300)
p.add_argument("--fins-limit", type=int, default=60)
p.add_argument("--page-rows", type=int, default=0)
p.add_argument("--delay", type=float, default=0)
p.add_argument("--url-life", type=float, default=300)
a = p.parse_args()
served_first = set()
lock = threading.Lock()
limited = {"at": None, "until": 0.0}
fins_times = []
ENDPOINTS = {"/equities/master": "free", "/equities/bars/daily": "free", "/markets/calendar": "free",
             "/indices/bars/daily/topix": "light", "/markets/margin-interest": "standard",
             "/fins/summary": "free", "/fins/earnings-date": "free",
             "/bulk/list": "light", "/bulk/get": "light"}
DATED = ("/equities/bars/daily", "/markets/margin-interest")
SECRET = os.urandom(16)


def signature(key, expires):
    return hmac.new(SECRET, ("%s|%d" % (key, expires)).encode(), hashlib.sha256).hexdigest()[:32]
RANK = {"free": 0, "light": 1, "standard": 2}


def outside_window(query):
    if not a.window:
        return False
    first, _, last = a.window.partition("~")
    first, last = first.strip(), last.strip()
    for k, v in query:
        if k in ("date", "from", "to") and (v < first or (last and v > last)):
            return True
    return False


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, status, body, retry_after=None, cut=False, kind="application/json"):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        if cut:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body[: len(body) // 2] if cut else body)
        if cut:
            self.wfile.flush()
            self.close_connection = True

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qsl(url.query)
        now = time.monotonic()
        with lock, open(a.log, "a") as log:
            log.write(self.path + " %.3f\n" % time.time())
        if a.delay:
            time.sleep(a.delay)
        if url.path.startswith("/files/"):
            return self.serve_file(url.path[len("/files/"):], dict(query))
        with lock:
            if now < limited["until"]:
                return self.send(429, b'{"message": "Too Many Requests"}')
            if limited["at"] is not None and now < limited["at"] + a.rate_wait:
                limited["until"] = now + a.block
                return self.send(429, b'{"message": "Too Many Requests"}')
        key = self.headers.get("x-api-key")
        if not key:
            return self.send(403, b'{"message": "The api key is required."}')
        if key != a.key or key == a.expired:
            return self.send(403, b'{"message": "The incoming api key is invalid or expired."}')
        if url.path not in ENDPOINTS:
            return self.send(403, b'{"message": "The requested endpoint does not exist"}')
        if RANK[ENDPOINTS[url.path]] > RANK[a.plan]:
            return self.send(403, b'{"message": "This API is not available on your subscription"}')
        if url.path == "/fins/summary":
            with lock:
                fins_times[:] = [x for x in fins_times if x > now - 60] + [now]
                if len(fins_times) > a.fins_limit:
                    limited["at"] = now
                    return self.send(429, b'{"message": "Too Many Requests"}')
        if url.path == "/fins/earnings-date" and sum(k in ("code", "date", "scheduled_date") for k, _ in query) != 1:
            return self.send(400, b'{"message": "Exactly one of code, date or scheduled_date is required."}')
        if outside_window(query):
            first, _, last = a.window.partition("~")
            text = "Your subscription covers the following dates: %s ~ %s." % (first.strip(), last.strip())
            if not last.strip():
                text = "Your subscription covers the following dates: %s ~ . If you want more data, please check other plans: https://jpx-jquants.com/" % first.strip()
            return self.send(400, json.dumps({"message": text}).encode())
        if url.path == "/bulk/list":
            return self.bulk_list()
        if url.path == "/bulk/get":
            key = dict(query).get("key", "")
            if not os.path.exists(self.bulk_path(key)):
                return self.send(404, b'{"message": "The requested file does not exist"}')
            expires = int(time.time() + a.url_life)
            host = self.headers.get("Host", "127.0.0.1")
            scheme = "https" if a.cert else "http"
            address = "%s://%s/files/%s?Expires=%d&Signature=%s" % (
                scheme, host, urllib.parse.quote(key, safe=""), expires, signature(key, expires))
            return self.send(200, json.dumps({"url": address}).encode())
        folder = os.path.join(a.root, url.path.strip("/").replace("/", "_"))
        page = [v for k, v in query if k == "pagination_key"]
        name = "_".join(v for k, v in query if k != "pagination_key") + ("." + page[0] if page else "") + ".json"
        path = os.path.join(folder, name)
        with lock:
            if os.path.exists(path + ".first") and path not in served_first:
                served_first.add(path)
                path += ".first"
        span = dict(query)
        if not os.path.exists(path) and os.path.exists(os.path.join(folder, "all.json")):
            rows = json.load(open(os.path.join(folder, "all.json")))["data"]
            rows = [r for r in rows if span.get("from", "") <= r["Date"] <= span.get("to", "9999")]
            if "code" in span:
                rows = [r for r in rows if r.get("Code") == span["code"]]
            if "date" in span and url.path in DATED:
                rows = [r for r in rows if r["Date"] == span["date"]]
            start = int(page[0].split(".")[1]) if page else 0
            size = a.page_rows if url.path == "/equities/bars/daily" else 0
            answer = {"data": rows[start:start + size] if size else rows[start:]}
            if size and start + size < len(rows):
                answer["pagination_key"] = "p.%d.eyJ" % (start + size)
            return self.send(200, json.dumps(answer).encode())
        if not os.path.exists(path):
            return self.send(200, b'{"data": []}')
        body = open(path, "rb").read()
        if body.startswith(b"STATUS "):
            head, _, rest = body.partition(b"\n")
            status = int(head.split()[1])
            if status == 429:
                with lock:
                    limited["at"] = time.monotonic()
            return self.send(status, rest)
        if body.startswith(b"CUT\n"):
            return self.send(200, body[4:], cut=True)
        self.send(200, body)

    def bulk_path(self, key):
        return os.path.join(a.root, "bulk", os.path.basename(key))

    def bulk_list(self):
        folder = os.path.join(a.root, "bulk")
        rows = []
        for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            if name.endswith(".first"):
                continue
            path = os.path.join(folder, name)
            modified = datetime.datetime.fromtimestamp(os.path.getmtime(path), datetime.timezone.utc)
            rows.append({"Key": name, "LastModified": modified.strftime("%Y-%m-%dT%H:%M:%S.000Z"),
                         "Size": os.path.getsize(path)})
        self.send(200, json.dumps({"data": rows}).encode())

    def serve_file(self, quoted, query):
        key = urllib.parse.unquote(quoted)
        try:
            expires = int(query.get("Expires", "0"))
        except ValueError:
            expires = 0
        if not hmac.compare_digest(query.get("Signature", ""), signature(key, expires)) or time.time() > expires:
            return self.send(403, b"<Error><Code>AccessDenied</Code><Message>Request has expired</Message></Error>",
                             kind="application/xml")
        path = self.bulk_path(key)
        with lock:
            if os.path.exists(path + ".first") and path not in served_first:
                served_first.add(path)
                path += ".first"
        if not os.path.exists(path):
            return self.send(404, b"<Error><Code>NoSuchKey</Code></Error>", kind="application/xml")
        body = open(path, "rb").read()
        if body.startswith(b"CUT\n"):
            return self.send(200, body[4:], cut=True, kind="application/gzip")
        self.send(200, body, kind="application/gzip")


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
if a.cert:
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(a.cert, a.keyfile)
    server.socket = ctx.wrap_socket(server.socket, server_side=True)
with open(a.port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(a.port_file + ".tmp", a.port_file)
threading.Timer(a.lifetime, server.shutdown).start()
server.serve_forever()
