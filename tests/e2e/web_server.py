"""A web server (HTTP/1.1 GET of the files of a folder) that misbehaves on
purpose for chosen names, to show what a client does with a server that
cuts a transfer, gives no length or redirects forever."""

import http.server
import os
import threading
import urllib.parse


class WebServer(threading.Thread):
    """Serves the files of `root` on address:port by their unescaped URL
    paths. `faults` maps a path to how it is answered: "cut" (the whole
    length announced, half the body, then the connection closed), "chunked"
    (no Content-Length, chunked body), "redirect" (302 to itself). Every request is
    kept in `requests` as its unescaped path ("HEAD " before it for HEAD,
    which the firmware's HTTP Boot sends first for the size)."""

    def __init__(self, address, root, port=80, faults=None):
        super().__init__(daemon=True)
        self.requests, self.faults = [], dict(faults or {})
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_HEAD(self):
                self.do_GET(head=True)

            def do_GET(self, head=False):
                path = urllib.parse.unquote(self.path.split("?")[0], encoding="latin-1")
                server.requests.append(("HEAD " if head else "") + path)
                fault = server.faults.get(path)
                if fault == "redirect":
                    self.send_response(302)
                    self.send_header("Location", self.path)
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                # The tests keep files under their TFTP names, backslashes
                # and all, as one host file name.
                file = os.path.join(root, path.lstrip("/"))
                if not os.path.isfile(file):
                    file = os.path.join(root, path.lstrip("/").replace("/", "\\"))
                if not os.path.isfile(file):
                    self.send_error(404)
                    return
                with open(file, "rb") as f:
                    data = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                if fault == "chunked" and not head:
                    self.send_header("Transfer-Encoding", "chunked")
                    self.end_headers()
                    self.wfile.write(b"%x\r\n%s\r\n0\r\n\r\n" % (len(data), data))
                    return
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                if head:
                    return
                if fault == "cut":
                    self.wfile.write(data[:len(data) // 2])
                    self.close_connection = True
                    return
                self.wfile.write(data)

        self.httpd = http.server.ThreadingHTTPServer((address, port), Handler)
        self.httpd.handle_error = lambda request, client: None  # a client that hangs up is the test's business

    def run(self):
        self.httpd.serve_forever()

    def stop(self):
        """Closes the listening socket: later connections are refused."""
        self.httpd.shutdown()
        self.httpd.server_close()
