#!/usr/bin/env python3
"""Serves an update folder over HTTP on localhost, optionally slowly, to try the slicer's updater.

    tools/update-server/serve_updates.py /tmp/updates --port 8000 --rate 400

serves /tmp/updates (made by make_update_package.py) at http://127.0.0.1:8000/; --rate limits every
answer to that many KiB per second, so that the download's progress can be watched. Then start
    TESSALINE_UPDATE_SERVER=http://127.0.0.1:8000/update/win_dx/ build/release/Tessaline/Tessaline
and choose Options > "Check for updates now". Ctrl+C stops the server.
"""

import argparse
import functools
import http.server
import time

CHUNK = 16 * 1024


class ThrottledHandler(http.server.SimpleHTTPRequestHandler):
    rate = 0  # bytes per second, 0 for as fast as possible

    def copyfile(self, source, outputfile):
        if not self.rate:
            return super().copyfile(source, outputfile)
        while True:
            chunk = source.read(CHUNK)
            if not chunk:
                return
            outputfile.write(chunk)
            outputfile.flush()
            time.sleep(len(chunk) / self.rate)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("root", help="the folder written by make_update_package.py --out")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--rate", type=int, default=0, help="KiB per second (default: unlimited)")
    args = parser.parse_args()

    ThrottledHandler.rate = args.rate * 1024
    handler = functools.partial(ThrottledHandler, directory=args.root)
    with http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler) as server:
        print(f"serving {args.root} at http://127.0.0.1:{args.port}/update/win_dx/", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
