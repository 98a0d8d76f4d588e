#!/usr/bin/env python3
"""timestamp-authority.py DIR PORT_FILE [SECONDS]: a time-stamp authority
(RFC 3161 over HTTP) on 127.0.0.1 for rehearsing a signed release without a
network. It answers with `openssl ts -reply` and the settings that
scripts/signing-rehearsal.sh left in DIR/timestamp, writes the port it got to
PORT_FILE, and stops by itself after SECONDS (default 300) or 100 requests."""
import http.server
import os
import subprocess
import sys
import tempfile
import time

MAX_REQUESTS = 100
MAX_REQUEST_BYTES = 64 * 1024
QUERY_TYPE = "application/timestamp-query"
REPLY_TYPE = "application/timestamp-reply"


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        self.server.served += 1
        length = int(self.headers.get("Content-Length", "0"))
        if self.headers.get("Content-Type") != QUERY_TYPE or not 0 < length <= MAX_REQUEST_BYTES:
            self.send_error(400, "not a time-stamp query")
            return
        with tempfile.TemporaryDirectory() as scratch:
            query = os.path.join(scratch, "query.tsq")
            with open(query, "wb") as file:
                file.write(self.rfile.read(length))
            reply = subprocess.run(
                ["openssl", "ts", "-reply", "-config", self.server.config,
                 "-queryfile", query, "-out", "-"],
                capture_output=True, check=False)
        if reply.returncode != 0:
            self.send_error(500, "openssl ts could not answer")
            return
        self.send_response(200)
        self.send_header("Content-Type", REPLY_TYPE)
        self.send_header("Content-Length", str(len(reply.stdout)))
        self.end_headers()
        self.wfile.write(reply.stdout)

    def log_message(self, *args):
        pass


def main() -> int:
    folder, port_file = sys.argv[1], sys.argv[2]
    deadline = time.monotonic() + float(sys.argv[3] if len(sys.argv) > 3 else 300)
    server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
    server.config = os.path.join(folder, "timestamp", "tsa.cnf")
    server.timeout = 1
    with open(port_file + ".new", "w") as file:
        file.write(str(server.server_port))
    os.replace(port_file + ".new", port_file)
    server.served = 0
    while server.served < MAX_REQUESTS and time.monotonic() < deadline:
        server.handle_request()
    return 0


if __name__ == "__main__":
    sys.exit(main())
