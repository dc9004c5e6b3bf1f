#!/usr/bin/python3
"""Loopback FTP server for the client tests and the demo.

Serves ROOT on 127.0.0.1 with one read-write account and prints the port it
listens on as its first line of output. With --port 0 (the default) the
system picks a free port; a given port lets a test restart the server where
the client expects it.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="demo")
    parser.add_argument("--password", default="demo")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--log", help="write the session log (logins, commands) here")
    options = parser.parse_args()

    if options.log:
        logging.basicConfig(filename=options.log, level=logging.INFO)
    else:
        logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(options.user, options.password, options.root, perm="elradfmw")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "zwstats test server ready"
    server = FTPServer(("127.0.0.1", options.port), handler)
    print(server.address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
