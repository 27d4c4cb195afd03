"""A TFTP server (RFC 1350 with the blksize and tsize options) that
misbehaves on purpose for chosen file names, to show what a client does
with servers that refuse options, ignore them or fail mid-transfer."""

import os
import socket
import struct
import threading

OPTIONS_ANSWERED = (b"blksize", b"tsize")


class TftpServer(threading.Thread):
    """Serves the files of `root` by their literal names on address:69.
    Names in `refuse` get error 8 for a request that asks blksize or tsize;
    names in `ignore` are served as if no option had been asked (512-byte
    blocks, no answer to the options); the transfer of a name in `broken`
    ends with an error after 3 blocks. Every request is kept in `requests`
    as (name, {option: value})."""

    def __init__(self, address, root, refuse=(), ignore=(), broken=()):
        super().__init__(daemon=True)
        self.address, self.root, self.requests = address, root, []
        self.refuse, self.ignore, self.broken = set(refuse), set(ignore), set(broken)
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((address, 69))

    def run(self):
        while True:
            packet, peer = self.sock.recvfrom(2048)
            if packet[:2] != b"\0\1":
                continue
            name, _mode, *rest = packet[2:].split(b"\0")
            options = {k.lower(): v for k, v in zip(rest[0::2], rest[1::2]) if k}
            self.requests.append((name.decode("latin-1"), options))
            threading.Thread(target=self.send, args=(name.decode("latin-1"), options, peer), daemon=True).start()

    def send(self, name, options, peer):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((self.address, 0))
        s.settimeout(1)
        path = os.path.join(self.root, name)
        refused = name in self.refuse and any(k in options for k in OPTIONS_ANSWERED)
        if refused or not os.path.isfile(path):
            s.sendto(struct.pack(">HH", 5, 8 if refused else 1) + b"refused\0", peer)
            return
        if name in self.ignore:
            options = {}
        with open(path, "rb") as f:
            data = f.read()
        size = min(int(options.get(b"blksize", 512)), 1468)
        oack = b"".join(b"%s\0%d\0" % (k, v) for k, v in ((b"blksize", size), (b"tsize", len(data)))
                        if k in options)
        packets = [b"\0\6" + oack] if oack else []
        packets += [struct.pack(">HH", 3, (n + 1) & 0xFFFF) + data[n * size:(n + 1) * size]
                    for n in range(len(data) // size + 1)]
        for n, packet in enumerate(packets, 0 if oack else 1):
            if name in self.broken and n == 4:
                s.sendto(struct.pack(">HH", 5, 0) + b"read error\0", peer)
                return
            for _ in range(5):
                s.sendto(packet, peer)
                try:
                    reply = s.recv(600)
                except socket.timeout:
                    continue
                if reply[:2] == b"\0\5":
                    return  # the client ends it (after the size answer)
                if reply[:4] == struct.pack(">HH", 4, n & 0xFFFF):
                    break
            else:
                return
