#!/usr/bin/env python3
"""A small DevTools client for the live end-to-end test (standard library only).

    cdp.py PORT list                  the page targets: id and url, one a line
    cdp.py PORT new URL               opens URL in a new tab; prints its id
    cdp.py PORT eval ID EXPRESSION    evaluates in the page's own world; prints the value as JSON
"""
import base64
import json
import os
import socket
import struct
import sys
import urllib.request


def http(port, path, method="GET"):
    request = urllib.request.Request(f"http://127.0.0.1:{port}{path}", method=method)
    with urllib.request.urlopen(request, timeout=10) as answer:
        return json.loads(answer.read().decode())


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


class WebSocket:
    def __init__(self, url):
        rest = url[len("ws://"):]
        hostport, path = rest.split("/", 1)
        host, port = hostport.split(":")
        self.sock = socket.create_connection((host, int(port)), timeout=10)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {hostport}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            head += recv_exact(self.sock, 1)
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise ConnectionError(head.decode(errors="replace"))

    def send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        header = bytes([0x81])
        n = len(payload)
        if n < 126:
            header += bytes([0x80 | n])
        elif n < 65536:
            header += bytes([0x80 | 126]) + struct.pack(">H", n)
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", n)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def recv(self):
        message = b""
        while True:
            b0, b1 = recv_exact(self.sock, 2)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack(">H", recv_exact(self.sock, 2))[0]
            elif n == 127:
                n = struct.unpack(">Q", recv_exact(self.sock, 8))[0]
            data = recv_exact(self.sock, n)
            if b0 & 0x0F in (1, 0):
                message += data
                if b0 & 0x80:
                    return message.decode()


def evaluate(port, target, expression):
    for page in http(port, "/json/list"):
        if page.get("id") == target:
            ws = WebSocket(page["webSocketDebuggerUrl"])
            ws.send(json.dumps({"id": 1, "method": "Runtime.evaluate",
                                "params": {"expression": expression, "returnByValue": True}}))
            while True:
                answer = json.loads(ws.recv())
                if answer.get("id") == 1:
                    result = answer.get("result", {})
                    if "exceptionDetails" in result:
                        raise RuntimeError(json.dumps(result["exceptionDetails"]))
                    return result.get("result", {}).get("value")
    raise LookupError("no target " + target)


def main(argv):
    port, command = argv[1], argv[2]
    if command == "list":
        for page in http(port, "/json/list"):
            if page.get("type") == "page":
                print(page["id"], page["url"])
    elif command == "new":
        print(http(port, "/json/new?" + argv[3], method="PUT")["id"])
    elif command == "eval":
        print(json.dumps(evaluate(port, argv[3], argv[4])))
    else:
        raise SystemExit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv)
