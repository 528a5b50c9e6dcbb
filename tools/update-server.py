#!/usr/bin/env python3
"""Test and demo update server for Vexa Kestrel.

Serves the files below a folder over HTTP on 127.0.0.1 only, and injects
faults on request so that the download engine can be driven through every
way a server can fail. Standard library only.

Faults are chosen per request by a leading path segment, or for every
request by --fault:

    /_fault/<fault>[,<fault>...]/<path of the file>

    status=N        answer with HTTP status N and a short body
    auth=USER:PASS  demand Basic authentication (401 until it is given)
    nolength        send the body without Content-Length, then close
    cut=N           announce the whole length, send N bytes, then close
    reset=N         send N bytes, let them arrive, then reset the connection
    drip=BYTES:MS   send the body in pieces of BYTES with MS ms between
    redirect        answer 302 to the same path without this fault

Every request is logged as one JSON line (method, path, headers, status,
body bytes sent) to --log, so tests can check what the client sent.
"""

import argparse
import base64
import http.server
import json
import os
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse

FAULT_PREFIX = "/_fault/"
CHUNK = 64 * 1024


class Faults:
    def __init__(self, fault_list):
        self.status = None
        self.auth = None
        self.nolength = False
        self.cut = None
        self.reset = None
        self.drip = None
        self.redirect = False
        for fault in fault_list:
            self.add(fault)

    def add(self, fault):
        name, _, value = fault.partition("=")
        if name == "status":
            self.status = int(value)
        elif name == "auth":
            self.auth = value
        elif name == "nolength":
            self.nolength = True
        elif name == "cut":
            self.cut = int(value)
        elif name == "reset":
            self.reset = int(value)
        elif name == "drip":
            size, _, pause = value.partition(":")
            self.drip = (max(1, int(size)), int(pause or "0") / 1000.0)
        elif name == "redirect":
            self.redirect = True
        else:
            raise ValueError("unknown fault: " + fault)


def split_faults(path):
    """Returns (the faults named, remaining path, remaining fault segment)."""
    if not path.startswith(FAULT_PREFIX):
        return [], path, ""
    rest = path[len(FAULT_PREFIX):]
    segment, _, tail = rest.partition("/")
    return [s for s in segment.split(",") if s], "/" + tail, segment


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KestrelTestServer/1.0"

    def log_message(self, format, *args):
        pass  # the JSON request log replaces the default stderr lines

    def do_GET(self):
        self.answer(send_body=True)

    def do_HEAD(self):
        self.answer(send_body=False)

    def answer(self, send_body):
        self.sent = 0
        self.result = None
        try:
            self.answer_request(send_body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True
        finally:
            self.server.log_request_record(self)

    def answer_request(self, send_body):
        raw_path = urllib.parse.urlsplit(self.path).path
        fault_list, file_path, segment = split_faults(raw_path)
        try:
            faults = Faults(self.server.faults + fault_list)
        except ValueError as error:
            return self.answer_short(400, str(error))

        if faults.redirect:
            remaining = [s for s in segment.split(",") if s and s != "redirect"]
            target = file_path
            if remaining:
                target = FAULT_PREFIX + ",".join(remaining) + file_path
            self.result = 302
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if faults.auth is not None and not self.authorised(faults.auth):
            self.result = 401
            body = b"Authentication required.\r\n"
            self.send_response(401)
            self.send_header("WWW-Authenticate", 'Basic realm="Kestrel"')
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if send_body:
                self.write(body)
            return
        if faults.status is not None and faults.status != 200:
            return self.answer_short(faults.status, "Status %d." % faults.status, send_body)

        local = self.server.local_path(file_path)
        if local is None:
            return self.answer_short(404, "Not found.", send_body)
        size = os.path.getsize(local)
        self.result = 200
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if faults.nolength:
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(size))
        if faults.cut is not None or faults.reset is not None:
            self.close_connection = True
        self.end_headers()
        if send_body:
            self.send_file(local, size, faults)

    def answer_short(self, status, text, send_body=True):
        body = (text + "\r\n").encode("ascii")
        self.result = status
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.write(body)

    def authorised(self, credentials):
        header = self.headers.get("Authorization", "")
        if not header.startswith("Basic "):
            return False
        try:
            given = base64.b64decode(header[6:].strip()).decode("utf-8")
        except ValueError:
            return False
        return given == credentials

    def send_file(self, local, size, faults):
        limit = size
        if faults.cut is not None:
            limit = min(size, faults.cut)
        if faults.reset is not None:
            limit = min(size, faults.reset)
        with open(local, "rb") as f:
            if faults.drip is None and limit == size:
                self.wfile.flush()
                self.sent = self.connection.sendfile(f, 0, size)
            else:
                piece, pause = faults.drip or (CHUNK, 0)
                left = limit
                while left > 0:
                    data = f.read(min(piece, left))
                    if not data:
                        break
                    self.write(data)
                    left -= len(data)
                    if pause and left > 0:
                        time.sleep(pause)
        if faults.reset is not None:
            # Received data that the client has not read yet is lost with
            # the reset: give the client time to read it first.
            time.sleep(0.2)
            # A zero linger time makes close() send RST instead of FIN.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            self.server.mark_for_reset(self.connection)
            self.close_connection = True

    def write(self, data):
        self.wfile.write(data)
        self.sent += len(data)


class UpdateServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, root, faults, log_path, tls=None):
        super().__init__(("127.0.0.1", port), Handler)
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*tls)
            self.socket = context.wrap_socket(self.socket, server_side=True)
        self.root = os.path.realpath(root)
        self.faults = faults
        self.log_file = open(log_path, "a", encoding="utf-8") if log_path else None
        self.log_lock = threading.Lock()
        self.reset_lock = threading.Lock()
        self.reset_requests = set()

    def mark_for_reset(self, request):
        with self.reset_lock:
            self.reset_requests.add(request)

    def shutdown_request(self, request):
        # A reset connection must not send FIN first.
        with self.reset_lock:
            reset = request in self.reset_requests
            self.reset_requests.discard(request)
        if reset:
            self.close_request(request)
        else:
            super().shutdown_request(request)

    def local_path(self, url_path):
        relative = urllib.parse.unquote(url_path).lstrip("/")
        local = os.path.realpath(os.path.join(self.root, relative))
        if os.path.commonpath([local, self.root]) != self.root or not os.path.isfile(local):
            return None
        return local

    def log_request_record(self, handler):
        if not self.log_file:
            return
        record = {
            "method": handler.command,
            "path": handler.path,
            "headers": dict(handler.headers.items()),
            "status": handler.result,
            "sent": handler.sent,
        }
        with self.log_lock:
            self.log_file.write(json.dumps(record) + "\n")
            self.log_file.flush()


def main():
    parser = argparse.ArgumentParser(description="Vexa Kestrel test and demo update server (127.0.0.1 only).")
    parser.add_argument("--root", required=True, help="folder whose files are served")
    parser.add_argument("--port", type=int, default=8080, help="port on 127.0.0.1 (0: any free port)")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--log", help="append one JSON line per request to this file")
    parser.add_argument("--fault", action="append", default=[], help="fault applied to every request")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"), help="serve https with this PEM certificate and key")
    args = parser.parse_args()

    Faults(args.fault)  # reject unknown faults before listening
    server = UpdateServer(args.port, args.root, args.fault, args.log, args.tls)
    port = server.server_address[1]
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    scheme = "https" if args.tls else "http"
    print("Serving %s on %s://127.0.0.1:%d/" % (server.root, scheme, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
