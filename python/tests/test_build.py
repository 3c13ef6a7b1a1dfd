"""Builds from Python against the command line's: the same bytes, progress,
stopping with whole records, and the command line's messages for bad input."""
import os
import shutil
import signal
import threading

import numpy as np
import pytest

import tesmar
from conftest import NETWORK_1, SMALL_BUILD, last_line, run

SET_FILES = [f".z{k}" for k in range(1, 5)] + [f".z{k}.npy" for k in range(1, 5)] + [".events.csv"]


def same_files(a, b):
    for suffix in SET_FILES:
        assert (a.parent / (a.name + suffix)).read_bytes() == (b.parent / (b.name + suffix)).read_bytes(), suffix


def test_a_build_from_python_writes_the_bytes_of_the_command_lines(program, network, tmp_path_factory):
    by_program = tmp_path_factory.mktemp("program") / network.name
    shutil.copyfile(NETWORK_1, by_program)
    run(program, "build", by_program, *SMALL_BUILD)
    calls = []
    outcome = tesmar.build(tesmar.Network(network), mode="random", random_events=6, seed=11, threads=2,
                           progress=lambda *p: calls.append(p))
    assert (outcome.status, outcome.events_written, outcome.events_planned, outcome.seed) == ("completed", 6, 6, 11)
    assert outcome.exit_code == 0 and outcome.message == "tesmar: done; 6 events written"
    assert outcome.files == [str(network) + f".z{k}" for k in range(1, 5)]
    same_files(network, by_program)
    done = [c[0] for c in calls]
    assert done == sorted(done) and calls[-1][:2] == (6, 6) and all(c[1] == 6 for c in calls)
    assert calls[-1][2] > 0 and all(remaining >= 0 for _, _, _, remaining in calls)


class Bar:  # what tesmar.progress_bar drives of a tqdm bar
    total = n = refreshed = 0

    def refresh(self):
        self.refreshed += 1


def test_options_take_the_command_lines_names_and_defaults(network):
    bar = Bar()
    outcome = tesmar.build(str(network), mode="random", random_events=3, injections=2, max_hours=24,
                           sensitivity=0.01, no_z2=True, seed=5, threads=1, progress=tesmar.progress_bar(bar))
    assert outcome.status == "completed" and (bar.n, bar.total) == (3, 3) and bar.refreshed >= 1
    matrices = tesmar.open_set(network)
    assert matrices.z2 is None and matrices.z1.shape == (3, 144)
    parameters = matrices.manifest["parameters"]
    assert (parameters["injections_per_event"], parameters["max_hours"], parameters["no_z2"]) == (2, 24, True)
    assert "random-events" in tesmar.option_names("build") and "no-z2" in tesmar.option_names("build")


def test_a_callback_returning_false_stops_the_build_with_whole_records(network):
    outcome = tesmar.build(network, mode="random", random_events=30, seed=3, threads=1,
                           progress=lambda done, total, rate, remaining: done < 2)
    assert outcome.status == "stopped" and 2 <= outcome.events_written < 30
    assert outcome.exit_code == 130
    matrices = tesmar.open_set(network)
    assert matrices.n_events == outcome.events_written == len(matrices.events)
    assert matrices.manifest["outcome"] == "stopped"


def test_ctrl_c_stops_the_build_with_whole_records_and_is_raised(program, network, tmp_path_factory):
    complete = tmp_path_factory.mktemp("complete") / network.name
    shutil.copyfile(NETWORK_1, complete)
    # Enough events that the build is still running when the signal is handled (an event takes milliseconds).
    run(program, "build", complete, "--mode", "random", "--random-events", "3000", "--seed", "9", "--threads", "1")
    sent = []

    def interrupt(done, total, rate, remaining):
        if done >= 1 and not sent:  # Ctrl-C from elsewhere while the build runs
            sent.append(done)
            threading.Thread(target=os.kill, args=(os.getpid(), signal.SIGINT)).start()

    with pytest.raises(KeyboardInterrupt):
        tesmar.build(network, mode="random", random_events=3000, seed=9, threads=1, progress=interrupt)
    stopped, whole = tesmar.open_set(network), tesmar.open_set(complete)
    assert stopped.manifest["outcome"] == "stopped"
    assert 1 <= stopped.n_events < 3000 and stopped.n_events == stopped.manifest["events"]["written"]
    assert not stopped.notes  # the binary files agree with the text: whole records everywhere
    assert stopped.unfinished and stopped.partial is None and whole.unfinished is None
    for k in ("z1", "z2", "z3", "z4"):
        np.testing.assert_array_equal(getattr(stopped, k), getattr(whole, k)[: stopped.n_events])


@pytest.mark.parametrize("options, arguments", [
    (dict(mode="repeat", repeat=0), ["--mode", "repeat", "--repeat", "0"]),
    (dict(random_events=5), ["--random-events", "5"]),
    (dict(mode="sometimes"), ["--mode", "sometimes"]),
    (dict(threads=0), ["--threads", "0"]),
    (dict(mass_flow=-1.5), ["--mass-flow", "-1.5"]),
])
def test_bad_options_raise_the_command_lines_message(program, network, options, arguments):
    code, _, err = run(program, "build", network, *arguments, check=False)
    assert code == 2
    with pytest.raises(tesmar.InputError) as raised:
        tesmar.build(network, **options)
    assert isinstance(raised.value, ValueError) and isinstance(raised.value, tesmar.Error)
    assert str(raised.value) == last_line(err)
    assert not os.path.exists(str(network) + ".z1")


def test_a_missing_network_or_an_unknown_option_is_refused(program, tmp_path):
    missing = tmp_path / "none.inp"
    _, _, err = run(program, "build", missing, check=False)
    with pytest.raises(tesmar.InputError) as raised:
        tesmar.build(missing)
    assert str(raised.value) == last_line(err)
    with pytest.raises(tesmar.InputError) as raised:
        tesmar.Network(missing)
    assert "does not exist" in str(raised.value)
    with pytest.raises(TypeError, match="random_event"):
        tesmar.build(missing, random_event=3)
