"""Time from a listener's deletion through one relay instance to the other instance refusing its hook
path with 404, when that instance had the listener cached.

Usage: forget.py FIRST_PORT SECOND_PORT KEY SAMPLES
Each sample creates a listener through the first instance, sends one webhook through the second (which
caches the listener), deletes the listener through the first and, from the moment the deletion is
answered, posts to its hook path on the second over one keep-alive connection until it answers 404
(at most 5 seconds). Prints the times and what the second answered before the 404.
"""

import http.client
import json
import statistics
import sys
import time
from collections import Counter

LONGEST = 5.0


def request(connection, method, path, key=None, body=b"{}"):
    headers = {"Content-Type": "application/json"}
    if key:
        headers["Authorization"] = "Bearer " + key
    connection.request(method, path, body=body, headers=headers)
    response = connection.getresponse()
    return response.status, response.read()


def main():
    first_port, second_port, key, samples = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
    first = http.client.HTTPConnection("127.0.0.1", first_port)
    second = http.client.HTTPConnection("127.0.0.1", second_port)
    times = []
    before = Counter()
    for _ in range(samples):
        status, body = request(first, "POST", "/listeners/", key, b'{"name":"Forget"}')
        assert status == 201, (status, body)
        listener = json.loads(body)
        path = listener["hook_path"]
        status, _ = request(second, "POST", path)
        assert status == 202, status
        status, _ = request(first, "DELETE", "/listeners/" + listener["id"], key, b"")
        assert status == 204, status
        deleted = time.monotonic()
        while time.monotonic() - deleted < LONGEST:
            status, _ = request(second, "POST", path)
            if status == 404:
                times.append((time.monotonic() - deleted) * 1000)
                break
            before[status] += 1
        else:
            print("no 404 within %.0f s" % LONGEST)
    if times:
        times.sort()
        print("delete on one instance to 404 on the other, %d samples: min %.2f ms, median %.2f ms, max %.2f ms"
              % (len(times), times[0], statistics.median(times), times[-1]))
    print("answers before the 404: %s" % (dict(before) or "none"))


main()
