#!/usr/bin/env python3
"""A J-Quants-shaped test server on 127.0.0.1, plain HTTP or HTTPS (--cert/--key).

Answers GET PATH?QUERY from the folder --root: the file is PATH with "/" turned into "_" (leading one
dropped) as a folder, and the query values other than pagination_key joined by "_", plus "." and the
pagination key when one is asked, plus ".json". A missing file is an empty page ({"data": []}), or, for a query with from/to, the rows of all.json in that span. A file
NAME.first is served once before NAME. A file whose first line is "STATUS code [retry-after]" answers
with that status (and Retry-After) and the rest as body; "CUT" promises the whole body and closes after
half of it. A request without the key of --key gets 401. Each request is appended to --log. The
server ends after --lifetime seconds."""
import argparse, http.server, json, os, ssl, threading, urllib.parse

p = argparse.ArgumentParser()
p.add_argument("--root", required=True)
p.add_argument("--port-file", required=True)
p.add_argument("--log", required=True)
p.add_argument("--key", required=True)
p.add_argument("--cert")
p.add_argument("--keyfile")
p.add_argument("--lifetime", type=int, default=300)
a = p.parse_args()
served_first = set()
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, status, body, retry_after=None, cut=False):
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        if retry_after:
            self.send_header("Retry-After", retry_after)
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
        with lock, open(a.log, "a") as log:
            log.write(self.path + "\n")
        if self.headers.get("x-api-key") != a.key:
            return self.send(401, b'{"message": "The incoming token is invalid or expired."}')
        folder = os.path.join(a.root, url.path.strip("/").replace("/", "_"))
        page = [v for k, v in query if k == "pagination_key"]
        name = "_".join(v for k, v in query if k != "pagination_key") + ("." + page[0] if page else "") + ".json"
        path = os.path.join(folder, name)
        with lock:
            if os.path.exists(path + ".first") and path not in served_first:
                served_first.add(path)
                path += ".first"
        span = dict(query)
        if not os.path.exists(path) and "from" in span and os.path.exists(os.path.join(folder, "all.json")):
            rows = json.load(open(os.path.join(folder, "all.json")))["data"]
            rows = [r for r in rows if span["from"] <= r["Date"] <= span.get("to", "9999")]
            return self.send(200, json.dumps({"data": rows}).encode())
        if not os.path.exists(path):
            return self.send(200, b'{"data": []}')
        body = open(path, "rb").read()
        if body.startswith(b"STATUS "):
            head, _, rest = body.partition(b"\n")
            parts = head.split()
            return self.send(int(parts[1]), rest, parts[2].decode() if len(parts) > 2 else None)
        if body.startswith(b"CUT\n"):
            return self.send(200, body[4:], cut=True)
        self.send(200, body)


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
