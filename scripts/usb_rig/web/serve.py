#!/usr/bin/python3
"""Serves the USB-MIDI rig's page and the site beside it on 127.0.0.1.
   serve.py <site dir> <port> <log dir>
A POST to /log?name=NAME appends its body to <log dir>/NAME."""
import functools
import http.server
import os
import sys
import urllib.parse

site, port, logs = sys.argv[1], int(sys.argv[2]), sys.argv[3]


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_POST(self):
        query = urllib.parse.parse_qs(urllib.parse.urlparse(self.path).query)
        name = os.path.basename(query.get('name', [''])[0])
        body = self.rfile.read(int(self.headers.get('Content-Length', 0)))
        if not name:
            self.send_error(400)
            return
        with open(os.path.join(logs, name), 'ab') as log:
            log.write(body)
        self.send_response(204)
        self.end_headers()

    def log_message(self, *args):
        pass


http.server.ThreadingHTTPServer(('127.0.0.1', port), functools.partial(Handler, directory=site)).serve_forever()
