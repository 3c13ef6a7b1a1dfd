"""A network opened from Python: its map read after the opening call ended,
and calls that leave the folder the interpreter's threads share alone."""
import os
import threading

import pytest

import tesmar
from conftest import NETWORK_1


def coordinates_in_the_file(path):
    """[COORDINATES] read as plain text: node ID -> (x, y)."""
    places, section = {}, None
    for line in path.read_text().splitlines():
        text = line.split(";")[0].strip()
        if text.startswith("["):
            section = text.upper()
        elif text and section == "[COORDINATES]":
            node, x, y = text.split()[:3]
            places[node] = (float(x), float(y))
    return places


def test_the_map_is_read_from_the_networks_own_copy_after_the_opening(network):
    opened = tesmar.Network(network)
    network.write_text("[TITLE]\nreplaced\n[END]\n")  # the opened network keeps the bytes it read
    expected = coordinates_in_the_file(NETWORK_1)
    assert len(expected) > 90
    read = opened.coordinates
    assert read.keys() == expected.keys()
    for node, place in expected.items():
        assert read[node] == pytest.approx(place), node


def test_calls_leave_the_folder_every_thread_shares(network, tmp_path):
    moved, seen = threading.Event(), []
    watcher = threading.Thread(target=lambda: (moved.wait(), seen.append(os.getcwd())))
    watcher.start()  # a thread that was there before the calls
    before = os.getcwd()
    try:
        opened = tesmar.Network(network)
        assert opened.coordinates
        tesmar.build(network, mode="random", random_events=6, seed=11, threads=2)
        os.chdir(tmp_path)  # moves every thread of the process, as it did before the calls
        moved.set()
        watcher.join()
    finally:
        os.chdir(before)
    assert seen == [str(tmp_path)]
