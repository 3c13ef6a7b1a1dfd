"""A matrix set from Python: the engine's arrays, the event summary and the
manifest, and the set in the layout of Chama's impact formulation."""
from __future__ import annotations

import csv
import itertools
import json
from typing import Any, Optional, Sequence

import numpy as np

from . import _core

try:
    import pandas as _pandas
except ImportError:  # pandas is optional: events come as a NumPy structured array
    _pandas = None


def _column(values: Sequence[str]) -> np.ndarray:
    """A CSV column as whole numbers, reals (an empty field is NaN) or text."""
    try:
        return np.array([int(v) for v in values], dtype=np.int64)
    except ValueError:
        pass
    try:
        return np.array([float(v) if v != "" else np.nan for v in values], dtype=np.float64)
    except ValueError:
        return np.array(values, dtype=str)


def _read_events(path: str, count: int):
    with open(path, newline="") as file:
        reader = csv.reader(file)
        header = next(reader)
        rows = list(itertools.islice(reader, count))
    columns = {name: _column([row[i] for row in rows]) for i, name in enumerate(header)}
    if _pandas is not None:
        return _pandas.DataFrame(columns)
    dtype = [(name, column.dtype) for name, column in columns.items()]
    table = np.empty(len(rows), dtype=dtype)
    for name, column in columns.items():
        table[name] = column
    return table


class MatrixSet:
    """The four scenario matrices beside a network, loaded as the command line
    loads them (the memory-mapped .npy files when they agree with the text,
    the text otherwise).

    ``z1``..``z4`` are read-only NumPy arrays [events, nodes] over the set's
    own memory: no copy is made, and an array keeps the mapping alive.
    """

    def __init__(self, opened: "_core.MatrixSet"):
        self._set = opened

    network = property(lambda self: self._set.network, doc="The tesmar.Network the set belongs to.")
    path = property(lambda self: self._set.path, doc="The network file, absolute.")
    n_events = property(lambda self: self._set.n_events, doc="Events loaded.")
    n_nodes = property(lambda self: self._set.n_nodes, doc="Nodes: the matrices' columns.")
    node_ids = property(lambda self: self._set.node_ids, doc="Node IDs in column order.")
    z1 = property(lambda self: self._set.z1, doc="Minutes to detection, float32 [events, nodes].")
    z2 = property(lambda self: self._set.z2, doc="People affected, float32 [events, nodes]; None after no_z2.")
    z3 = property(lambda self: self._set.z3, doc="Contaminated volume consumed, float32 [events, nodes].")
    z4 = property(lambda self: self._set.z4, doc="1 where the node detects the event, uint8 [events, nodes].")
    notes = property(lambda self: self._set.notes, doc="What the command line says about the set when loading it.")
    partial = property(lambda self: self._set.partial,
                       doc="Why the figures rest on fewer events than the set holds; None when they use them all.")
    unfinished = property(lambda self: self._set.unfinished,
                          doc="What the manifest says when the set's build did not finish; None when it did.")

    @property
    def events(self):
        """The events of events.csv (those loaded): a pandas DataFrame when pandas
        is installed, else a NumPy structured array; None for a set without one."""
        if not self._set.has_events:
            return None
        return _read_events(self._set.events_path, self.n_events)

    @property
    def manifest(self) -> Optional[dict]:
        """The build manifest (build.json) as a dict; None for a set without one."""
        if not self._set.has_manifest:
            return None
        with open(self._set.manifest_path) as file:
            return json.load(file)

    def fitness(self, sensors: Sequence[str]) -> "_core.Fitness":
        """The four values of a sensor set (node IDs, letter case ignored) as
        ``tesmar fitness`` gives them: ``.values``, ``.sd``, ``.lines``, ``.json``.

        Raises tesmar.InputError for an empty or unknown node ID."""
        if isinstance(sensors, str):
            sensors = [sensors]
        return self._set.fitness(list(sensors))

    def to_chama(self, objective: str = "z1"):
        """The set in the layout of Chama's impact formulation.

        Returns ``(impact, scenario)``: ``impact`` has a row (``Scenario``,
        ``Sensor``, ``Impact``) for every node that detects an event, with the
        impact at its first detection (``objective`` 'z1' minutes, 'z2' people
        affected, 'z3' volume consumed); ``scenario`` has a row (``Scenario``,
        ``Undetected Impact``, ``Probability``) for every event, the undetected
        impact being the one ``tesmar place`` counts for a missed event and the
        events equally likely. Scenarios are the event numbers of events.csv,
        sensors the node IDs. Needs pandas."""
        if _pandas is None:
            raise ImportError("to_chama needs pandas (pip install pandas)")
        if objective not in ("z1", "z2", "z3"):
            raise _core.InputError(f"to_chama: the objective must be z1, z2 or z3 (got {objective!r})")
        undetected = self._set.undetected_impact(objective)
        values = {"z1": self.z1, "z2": self.z2, "z3": self.z3}[objective]
        events, nodes = np.nonzero(self.z4)
        names = np.arange(1, self.n_events + 1)
        impact = _pandas.DataFrame({
            "Scenario": names[events],
            "Sensor": np.asarray(self.node_ids, dtype=object)[nodes],
            "Impact": values[events, nodes].astype(np.float64),
        })
        scenario = _pandas.DataFrame({
            "Scenario": names,
            "Undetected Impact": undetected,
            "Probability": np.full(self.n_events, 1.0 / self.n_events),
        })
        return impact, scenario

    def __len__(self) -> int:
        return self.n_events

    def __repr__(self) -> str:
        return f"tesmar.MatrixSet('{self.path}', {self.n_events} events x {self.n_nodes} nodes)"


def open_set(network: Any) -> MatrixSet:
    """Opens the matrix set beside a network file (a path or a tesmar.Network).

    Raises tesmar.InputError with the command line's message when the set
    cannot be used (missing files, another network's set, a build running)."""
    path = network.path if isinstance(network, _core.Network) else str(network)
    return MatrixSet(_core.open_set(path))
