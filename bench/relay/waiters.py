#!/usr/bin/env python3
"""Requests held by GET /changes on a relay on 127.0.0.1 (standard library only).

waiters.py hold PORT KEY COUNT PID
    Holds COUNT requests waiting for a change, and prints the relay's (PID) resident memory before,
    while they wait and after a webhook has released them.
waiters.py wake PORT KEY HOOK_PATH COUNT
    COUNT times: one request waits for a change, a webhook is posted to HOOK_PATH, and the time from
    the webhook's 202 to the waiter's answer is taken; prints its percentiles.
"""
import asyncio
import re
import sys
import time

TIMEOUT = 30.0


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))


async def request(port, key, target, method="GET", body=b""):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    head = f"{method} {target} HTTP/1.1\r\nHost: relay\r\nAuthorization: Bearer {key}\r\n"
    writer.write(head.encode() + f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n".encode() + body)
    await writer.drain()
    return reader, writer


async def answer(reader, writer):
    data = await asyncio.wait_for(reader.read(-1), TIMEOUT)
    writer.close()
    return data


async def version(port, key):
    data = await answer(*await request(port, key, "/changes"))
    return re.search(rb'"version":"(\d+)"', data).group(1).decode()


async def post_hook(port, path):
    data = await answer(*await request(port, "", path, "POST", b'{"event":"bench"}'))
    assert data.startswith(b"HTTP/1.1 202"), data[:200]


async def wait_for_waiters(port, key, count):
    for _ in range(600):
        data = await answer(*await request(port, key, "/metrics"))
        if re.search(rb"corvane_relay_change_waiters (\d+)", data).group(1) == str(count).encode():
            return
        await asyncio.sleep(0.1)
    raise SystemExit(f"the relay did not hold {count} waiters")


async def hold(port, key, count, pid, hook_path):
    before = resident_kib(pid)
    current = await version(port, key)
    held = []
    for start in range(0, count, 500):
        held += await asyncio.gather(
            *(request(port, key, f"/changes?after={current}&wait=60") for _ in range(min(500, count - start))))
    await wait_for_waiters(port, key, count)
    waiting = resident_kib(pid)
    await post_hook(port, hook_path)
    answers = await asyncio.gather(*(answer(reader, writer) for reader, writer in held))
    released = sum(1 for data in answers if data.startswith(b"HTTP/1.1 200"))
    await wait_for_waiters(port, key, 0)
    after = resident_kib(pid)
    print(f"{count} waiters: resident {before} KiB before, {waiting} KiB while held "
          f"({(waiting - before) * 1024 / count:.0f} bytes each), {after} KiB after; {released} released")


async def wake(port, key, path, count):
    latencies = []
    for _ in range(count):
        current = await version(port, key)
        reader, writer = await request(port, key, f"/changes?after={current}&wait=60")
        await wait_for_waiters(port, key, 1)
        waiter = asyncio.ensure_future(answer(reader, writer))
        await post_hook(port, path)
        accepted = time.perf_counter()
        data = await waiter
        latencies.append(time.perf_counter() - accepted)
        assert data.startswith(b"HTTP/1.1 200"), data[:200]
    latencies.sort()
    p50 = latencies[len(latencies) // 2] * 1000
    p99 = latencies[min(len(latencies) - 1, len(latencies) * 99 // 100)] * 1000
    print(f"{count} webhooks: from the 202 to the waiter's answer p50 {p50:.2f} ms, p99 {p99:.2f} ms")


def main():
    mode, port, key = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if mode == "hold":
        asyncio.run(hold(port, key, int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]))
    else:
        asyncio.run(wake(port, key, sys.argv[4], int(sys.argv[5])))


main()
