#!/usr/bin/env python3
"""Python threads beside a conversion: projconv releases the GIL while it
converts, so other Python threads run on meanwhile, and several Python
threads may call it at once.

Prints, for SIZE x SIZE int16 images (1024 by default) rotated by -12.5
degrees and resized to 3/4:
- images/s from one Python thread and from two, each call with threads=1;
- images/s from one Python thread with threads=0 (the engine's own threads);
- how fast a pure-Python loop counts in a second thread while the first
  converts, against the same loop alone: near 1 when the GIL is released.

The engine's threads belong to the process and run one image's task at a
time, so two Python threads share those passes rather than doubling them:
for throughput, give one call threads=0; Python threads are for keeping the
rest of a program (a viewer, I/O) running.

Usage: PYTHONPATH=build/python python3 bench/python_threads.py [IMAGES [ROUNDS [SIZE]]]
(or: cmake --build build --target python_threads_bench)"""
import concurrent.futures
import statistics
import sys
import threading
import time

import numpy as np

import projconv

IMAGES = int(sys.argv[1]) if len(sys.argv) > 1 else 60
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
SIZE = int(sys.argv[3]) if len(sys.argv) > 3 else 1024
KEYWORDS = dict(in_size=(SIZE, SIZE), out_size=(SIZE * 3 // 4, SIZE * 3 // 4),
                crop=(0, 0, SIZE, SIZE), centre=(SIZE // 2, SIZE // 2), angle=-12.5)


def convert(data, count, threads):
    for _ in range(count):
        projconv.convert_image(data, threads=threads, **KEYWORDS)


def images_per_second(data, workers, threads):
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        shares = [IMAGES // workers + (i < IMAGES % workers) for i in range(workers)]
        for done in [pool.submit(convert, data, share, threads) for share in shares]:
            done.result()
    return IMAGES / (time.perf_counter() - start)


def counts_per_second(busy=None):
    """A pure-Python loop's rate, alone or while `busy` runs in another thread."""
    stop = threading.Event()
    worker = threading.Thread(target=lambda: (busy(), stop.set()) if busy else None)
    worker.start()
    count, start = 0, time.perf_counter()
    while not stop.is_set() and time.perf_counter() - start < 1.0:
        count += 1
    elapsed = time.perf_counter() - start
    worker.join()
    return count / elapsed


def main():
    rng = np.random.default_rng(0)
    data = rng.integers(-20000, 20000, (SIZE, SIZE), dtype=np.int16).tobytes()
    convert(data, 1, 0)  # warm: pages touched, the engine's threads started
    about = f"(median of {ROUNDS} rounds of {IMAGES} images of {SIZE} x {SIZE})"
    for workers, threads in ((1, 1), (2, 1), (1, 0)):
        rates = [images_per_second(data, workers, threads) for _ in range(ROUNDS)]
        print(f"{workers} Python thread(s), threads={threads}: "
              f"{statistics.median(rates):7.1f} images/s {about}")
    alone = statistics.median(counts_per_second() for _ in range(3))
    beside = statistics.median(
        counts_per_second(lambda: convert(data, IMAGES, 1)) for _ in range(3))
    print(f"a Python loop beside a conversion runs at {beside / alone:.2f} of its speed alone")


if __name__ == "__main__":
    main()
