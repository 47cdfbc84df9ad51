#!/usr/bin/env python3
"""A file server that holds every connection to a fixed rate.

    paced_server.py ROOT PORT_FILE LOG [--rate BYTES_PER_S]
    paced_server.py --refetched LOG FROM TO

Serves ROOT over HTTP/1.1 on a free port of 127.0.0.1 (written to PORT_FILE
once listening): keep-alive, HEAD, one byte range (206 with Content-Range),
ETag and If-Range. Each connection's writes are paced by a token bucket that
starts empty and holds at most one write's worth, so that neither the first
second of an answer nor a pause between requests lets bytes through faster
(nginx's limit_rate lets the first second go at once, which is all of a
short segment).

Every request ends as one line of LOG, tab-separated:
    connection  path  status  first_byte  bytes_sent  file_size  whole(1/0)
    asked_at  ended_at
whole is 1 when the answer's body was sent to its end; the times are
seconds since the epoch.

--refetched prints how many media requests logged after line TO were for
files sent whole (in one answer or in pieces) in lines FROM+1 to TO.
"""

import email.utils
import itertools
import os
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CHUNK = 16 * 1024
MANIFESTS = (".m3u8", ".mpd")
TYPES = {
    ".m3u8": "application/vnd.apple.mpegurl",
    ".mpd": "application/dash+xml",
    ".ts": "video/mp2t",
    ".m4s": "video/iso.segment",
    ".mp4": "video/mp4",
    ".aac": "audio/aac",
}


class Bucket:
    """Tokens at `rate` a second, at most one chunk held: the pace is strict."""

    def __init__(self, rate):
        self.rate = rate
        self.tokens = 0.0
        self.last = time.monotonic()

    def take(self, n):
        now = time.monotonic()
        self.tokens = min(float(CHUNK), self.tokens + (now - self.last) * self.rate)
        self.last = now
        if self.tokens < n:
            time.sleep((n - self.tokens) / self.rate)
            now = time.monotonic()
            self.tokens += (now - self.last) * self.rate
            self.last = now
        self.tokens -= n


def byte_range(header, size):
    """(first, last) of one "bytes=" range, None for the whole file, or
    "unsatisfiable"."""
    if not header or not header.startswith("bytes=") or "," in header:
        return None
    first, _, last = header[6:].strip().partition("-")
    try:
        if first == "":
            n = int(last)
            if n <= 0:
                return "unsatisfiable"
            return (max(0, size - n), size - 1)
        first = int(first)
        last = int(last) if last else size - 1
    except ValueError:
        return None
    if first >= size or last < first:
        return "unsatisfiable"
    return (first, min(last, size - 1))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    connection_ids = itertools.count(1)

    def setup(self):
        super().setup()
        # As nginx does on keep-alive: an answer's last small write is not
        # held back for the client's delayed ACK.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.connection_id = next(Handler.connection_ids)
        self.bucket = Bucket(self.server.rate)

    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.answer(body=False)

    def do_GET(self):
        self.answer(body=True)

    def answer(self, body):
        self.asked_at = time.time()
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        local = os.path.normpath(os.path.join(self.server.root, path.lstrip("/")))
        if not local.startswith(self.server.root + os.sep) or not os.path.isfile(local):
            self.send_error(404)
            self.log(path, 404, 0, 0, 0, True)
            return
        st = os.stat(local)
        size = st.st_size
        etag = '"%x-%x"' % (st.st_mtime_ns, size)
        modified = email.utils.formatdate(st.st_mtime, usegmt=True)
        wanted = self.headers.get("Range")
        # A validator that no longer holds asks for the whole file.
        if_range = self.headers.get("If-Range")
        if if_range and if_range not in (etag, modified):
            wanted = None
        span = byte_range(wanted, size)
        if span == "unsatisfiable":
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % size)
            self.send_header("Content-Length", "0")
            self.end_headers()
            self.log(path, 416, 0, 0, size, True)
            return
        first, last = span if span else (0, size - 1)
        length = last - first + 1 if size else 0
        self.send_response(206 if span else 200)
        kind = TYPES.get(os.path.splitext(local)[1], "application/octet-stream")
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(length))
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", modified)
        if span:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, size))
        self.end_headers()
        if not body:
            self.log(path, 206 if span else 200, first, 0, size, True)
            return
        sent = 0
        try:
            with open(local, "rb") as f:
                f.seek(first)
                while sent < length:
                    data = f.read(min(CHUNK, length - sent))
                    if not data:
                        break
                    self.bucket.take(len(data))
                    self.wfile.write(data)
                    sent += len(data)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            self.close_connection = True
        self.log(path, 206 if span else 200, first, sent, size, sent == length)

    def log(self, path, status, first, sent, size, whole):
        line = "%d\t%s\t%d\t%d\t%d\t%d\t%d\t%.3f\t%.3f\n" % (
            self.connection_id, path, status, first, sent, size, 1 if whole else 0,
            self.asked_at, time.time())
        with self.server.log_lock:
            self.server.log_file.write(line)
            self.server.log_file.flush()


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def handle_error(self, request, client_address):
        # A client that closes or is killed between requests is no news.
        if not isinstance(sys.exc_info()[1], (ConnectionError, socket.timeout)):
            super().handle_error(request, client_address)


def refetched(log, start, mark):
    """Media requests after line `mark` for files sent whole after line
    `start` and up to `mark`."""
    covered = {}  # path -> list of (first, end) spans sent before the mark
    sizes = {}
    again = 0
    with open(log) as f:
        for number, line in enumerate(f, 1):
            fields = line.rstrip("\n").split("\t")
            if len(fields) < 7:
                continue
            path = fields[1]
            status, first, sent, size = (int(v) for v in fields[2:6])
            if status not in (200, 206) or path.endswith(MANIFESTS):
                continue
            if number <= start:
                continue
            if number <= mark:
                covered.setdefault(path, []).append((first, first + sent))
                sizes[path] = size
            elif whole(covered.get(path, []), sizes.get(path, -1)):
                again += 1
    return again


def whole(spans, size):
    reached = 0
    for first, end in sorted(spans):
        if first > reached:
            return False
        reached = max(reached, end)
    return size >= 0 and reached >= size


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--refetched":
        print(refetched(sys.argv[2], int(sys.argv[3]), int(sys.argv[4])))
        return
    args = sys.argv[1:]
    rate = 1024 * 1024
    if len(args) == 5 and args[3] == "--rate":
        rate = int(args[4])
        args = args[:3]
    if len(args) != 3:
        sys.exit(__doc__)
    root, port_file, log = args
    server = Server(("127.0.0.1", 0), Handler)
    server.root = os.path.abspath(root)
    server.rate = rate
    server.log_lock = threading.Lock()
    server.log_file = open(log, "a")
    # Written whole and then renamed: whoever waits for it reads a port.
    with open(port_file + ".part", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
