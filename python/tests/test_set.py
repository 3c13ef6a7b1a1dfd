"""Opening a set from Python: the arrays over the files, the text where there
is no binary form, events, manifest, fitness against the command line, and
the Chama layout against the placement's own value."""
import gc
import json
import os

import numpy as np
import pandas as pd
import pytest

import tesmar
from conftest import last_line, run


def test_the_matrices_are_read_only_arrays_over_the_npy_files(built):
    matrices = tesmar.open_set(built)
    assert not matrices.notes
    for k, dtype in (("z1", np.float32), ("z2", np.float32), ("z3", np.float32), ("z4", np.uint8)):
        array = getattr(matrices, k)
        on_disk = np.load(f"{built}.{k}.npy", mmap_mode="r")
        assert array.dtype == dtype and array.shape == on_disk.shape == (6, 144)
        np.testing.assert_array_equal(array, on_disk)
        assert not array.flags.writeable and not array.flags.owndata
        with pytest.raises(ValueError):
            array[0, 0] = 1
    kept = matrices.z1
    expected = np.array(kept)
    del matrices
    gc.collect()
    np.testing.assert_array_equal(kept, expected)  # the array keeps the mapping alive


def test_without_the_binary_form_the_text_is_read(built, tmp_path):
    first = tesmar.open_set(built)
    arrays = {k: np.array(getattr(first, k)) for k in ("z1", "z2", "z3", "z4")}
    moved = []
    for k in range(1, 5):
        os.rename(f"{built}.z{k}.npy", tmp_path / f"z{k}.npy")
        moved.append(k)
    try:
        text = tesmar.open_set(built)
        for k, array in arrays.items():
            np.testing.assert_array_equal(getattr(text, k), array)
    finally:
        for k in moved:
            os.rename(tmp_path / f"z{k}.npy", f"{built}.z{k}.npy")


def test_events_and_manifest_are_those_of_the_files(built, monkeypatch):
    matrices = tesmar.open_set(built)
    events = matrices.events
    pd.testing.assert_frame_equal(events, pd.read_csv(f"{built}.events.csv"))
    with open(f"{built}.build.json") as file:
        assert matrices.manifest == json.load(file)
    assert matrices.manifest["seed"] == 11
    monkeypatch.setattr(tesmar._matrix_set, "_pandas", None)
    table = matrices.events
    assert isinstance(table, np.ndarray) and table.dtype.names == tuple(events.columns)
    for name in events.columns:
        if events[name].dtype == object:
            assert list(table[name]) == list(events[name])
        else:
            np.testing.assert_array_equal(table[name], events[name].to_numpy())


@pytest.mark.parametrize("sensors", [["J38"], ["j38", "J120", "J17"], ["J1", "J1", "R1", "T1"]])
def test_fitness_equals_the_command_lines(program, built, sensors):
    _, out, _ = run(program, "fitness", built, *sensors, "--json")
    expected = json.loads(out)
    fitness = tesmar.open_set(built).fitness(sensors)
    assert fitness.json == out
    assert (fitness.sensors, fitness.events, fitness.detected) == (
        expected["sensors"], expected["events"], expected["detected"])
    for k in ("Z1", "Z2", "Z3", "Z4"):
        assert np.float32(fitness.values[k]) == np.float32(expected[k]["value"])
        if k != "Z4":
            assert np.float32(fitness.sd[k]) == np.float32(expected[k]["sd"])
    _, lines, _ = run(program, "fitness", built, *sensors)
    assert fitness.lines == lines


def test_bad_sensors_raise_the_command_lines_message(program, built):
    matrices = tesmar.open_set(built)
    for sensors in (["J38", "NOPE"], [" "]):
        _, _, err = run(program, "fitness", built, *sensors, check=False)
        with pytest.raises(tesmar.InputError) as raised:
            matrices.fitness(sensors)
        assert str(raised.value) == last_line(err)


def test_a_set_that_is_not_there_is_refused(program, network):
    _, _, err = run(program, "fitness", network, "J1", check=False)
    with pytest.raises(tesmar.InputError) as raised:
        tesmar.open_set(network)
    assert str(raised.value).split(": ", 1)[1] == last_line(err).split(": ", 1)[1]


@pytest.mark.parametrize("objective", ["z1", "z2", "z3"])
def test_the_chama_layout_gives_the_placements_mean(built, objective):
    matrices = tesmar.open_set(built)
    impact, scenario = matrices.to_chama(objective)
    assert list(impact.columns) == ["Scenario", "Sensor", "Impact"]
    assert list(scenario.columns) == ["Scenario", "Undetected Impact", "Probability"]
    assert len(impact) == int(matrices.z4.sum()) and len(scenario) == matrices.n_events
    assert scenario["Probability"].sum() == pytest.approx(1)
    best = tesmar.place(matrices, sensors=2, objective=objective)
    # Chama's impact formulation: each scenario costs its least impact among the
    # chosen sensors that detect it, the undetected impact when none does (or
    # when that is less), weighed by its probability.
    chosen = impact[impact["Sensor"].isin(best.nodes)].groupby("Scenario")["Impact"].min()
    cost = scenario.set_index("Scenario")["Undetected Impact"]
    per_event = np.minimum(chosen.reindex(cost.index).fillna(np.inf), cost)
    assert (per_event * scenario.set_index("Scenario")["Probability"]).sum() == pytest.approx(best.value, rel=1e-5)
    with pytest.raises(ValueError):
        matrices.to_chama("detect")
