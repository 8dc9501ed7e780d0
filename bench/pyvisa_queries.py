"""Times "*IDN?" queries through pyvisa-py on a raw SCPI socket.

    /usr/bin/python3 pyvisa_queries.py HOST PORT COUNT

Prints the queries per second and the median round trip in microseconds.
"""
import statistics
import sys
import time

import pyvisa


def main():
    host, port, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    manager = pyvisa.ResourceManager("@py")
    source = manager.open_resource(f"TCPIP::{host}::{port}::SOCKET",
                                   read_termination="\n", write_termination="\n",
                                   timeout=2000)
    for _ in range(50):
        source.query("*IDN?")
    times = []
    start = time.perf_counter()
    for _ in range(count):
        t = time.perf_counter()
        source.query("*IDN?")
        times.append(time.perf_counter() - t)
    total = time.perf_counter() - start
    source.close()
    manager.close()
    print(f"{count / total:.1f} {statistics.median(times) * 1e6:.2f}")


if __name__ == "__main__":
    main()
