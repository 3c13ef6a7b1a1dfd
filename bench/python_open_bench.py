"""Opening a large matrix set from Python: the time of tesmar.open_set and the
memory it takes, split into the file pages mapped (RssFile) and the memory
the process owns (RssAnon, where a copy would show).

    .venv/bin/python bench/python_open_bench.py FOLDER/Network_2.inp

The set is made once by matrix_store_bench (network 2's full default shape).
"""
import sys
import time

import numpy as np

import tesmar


def memory():
    fields = {}
    with open("/proc/self/status") as status:
        for line in status:
            name, _, value = line.partition(":")
            if name in ("RssAnon", "RssFile"):
                fields[name] = int(value.split()[0]) / 1024
    return fields


def main(network):
    before = memory()
    start = time.perf_counter()
    matrices = tesmar.open_set(network)
    arrays = [matrices.z1, matrices.z2, matrices.z3, matrices.z4]
    seconds = time.perf_counter() - start
    after = memory()
    size = sum(a.nbytes for a in arrays) / 2**20
    assert all(not a.flags.owndata and not a.flags.writeable for a in arrays)
    start = time.perf_counter()
    detected = float(arrays[3][:, 0].sum())  # one node's column: strided reads over the mapping
    column = time.perf_counter() - start
    print(f"{matrices.n_events} events x {matrices.n_nodes} nodes, {size:.0f} MiB of cells")
    print(f"open_set: {seconds:.2f} s; memory owned {after['RssAnon'] - before['RssAnon']:+.0f} MiB, "
          f"file pages mapped {after['RssFile'] - before['RssFile']:+.0f} MiB")
    print(f"one node's detections ({detected:.0f}) read from z4 in {column:.3f} s")


if __name__ == "__main__":
    main(sys.argv[1])
