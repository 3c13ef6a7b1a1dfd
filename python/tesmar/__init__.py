"""Tesmar for Python: build contamination scenario matrices of a water network,
open them as NumPy arrays, evaluate and place sensors, and write the report,
through the same libraries as the ``tesmar`` command line.

    import tesmar
    outcome = tesmar.build("Network_1.inp", seed=1, progress=print)
    matrices = tesmar.open_set("Network_1.inp")
    best = tesmar.place(matrices, sensors=5)
    print(best)
    tesmar.report(matrices, "report.html", place=5)

Options are the command line's, underscored (``random_events=`` for
``--random-events``). Failures raise tesmar.Error with the command line's
message; bad input raises tesmar.InputError, which is also a ValueError.
"""
from __future__ import annotations

import os
from typing import Any, Callable, Optional, Sequence

from . import _core
from ._core import BuildOutcome, Error, Fitness, InputError, Network, option_names
from ._matrix_set import MatrixSet, open_set
from ._options import command_arguments
from ._placement import Placement

__version__ = _core.__version__
__all__ = ["Network", "MatrixSet", "Placement", "BuildOutcome", "Fitness", "Error", "InputError", "build",
           "open_set", "place", "report", "progress_bar", "option_names"]


def _path(network: Any) -> str:
    if isinstance(network, (Network, MatrixSet)):
        return network.path
    return os.fspath(network)


def build(network: Any, *, progress: Optional[Callable[[int, int, float, float], Any]] = None,
          **options: Any) -> BuildOutcome:
    """Builds the scenario matrices of a network, beside its file, as ``tesmar build`` does.

    network: a path or a tesmar.Network.
    progress: called after every event as progress(done, total, events_per_second,
        remaining_seconds); returning False stops the build (see progress_bar for tqdm).
    options: every option of ``tesmar build`` with underscores: mode ('all-times',
        'repeat', 'random'), repeat, random_events, injections, injection_hours,
        mass_flow, max_hours, sensitivity, ingestion_rate, body_weight, d50, beta,
        per_capita, no_z2, seed, threads, accept_warnings, reference, and any the
        command line has gained since (tesmar.option_names('build') lists them).
        The same seed gives byte-identical files.

    The interpreter is released while the events run. Ctrl-C stops the build after
    the running events (the files hold whole records of events 1 to k) and is then
    raised as KeyboardInterrupt. While it runs the current folder is a private
    scratch folder (the command line's), so that the toolkit's scratch files never
    land in yours.

    Returns a BuildOutcome (status 'completed', 'stopped' or 'failed', counts,
    seed, reason, message). Bad options or a network the build refuses raise
    tesmar.InputError with the command line's message.
    """
    return _core.build(_path(network), command_arguments("build", options), progress)


def progress_bar(bar: Any) -> Callable[[int, int, float, float], None]:
    """A build progress callback that drives a tqdm bar (or anything with total, n and refresh())."""
    def update(done: int, total: int, rate: float, remaining: float) -> None:
        bar.total = total
        bar.n = done
        bar.refresh()
    return update


def _opened(matrix_set: Any) -> MatrixSet:
    return matrix_set if isinstance(matrix_set, MatrixSet) else open_set(matrix_set)


def place(matrix_set: Any, sensors: Optional[int] = None, *, progress: Optional[Callable[..., Any]] = None,
          **options: Any) -> Placement:
    """The best sensor set of a given size, with a proven bound, as ``tesmar place`` finds it.

    matrix_set: a MatrixSet from open_set, or a network path or Network (opened then).
    sensors: sensors in the set, the fixed ones included (may be left out with budget).
    objective: 'z1' minutes to detection (default), 'z2' people affected, 'z3'
        volume consumed, or 'detect' (events missed).
    statistic: 'mean' (default), 'var', 'cvar' or 'worst'.
    alpha: level of var and cvar, between 0 and 1 (default 0.95).
    detectable_only: count only the events some candidate node detects.
    fixed: node IDs that hold a sensor already.
    exclude: node IDs where no sensor can go; candidates: a file of the node IDs
        where sensors may go (not with exclude).
    curve: also the best set of every smaller sensor count.
    exact: solve the mixed-integer model to proven optimality with CBC.
    time_limit: seconds after which the best value and bound reached are kept.
    threads: threads (default: every core).
    costs, default_cost, budget, budget_steps, weights, require, redundancy,
    failure_probability: the planning options of ``tesmar place`` (see its --help);
        any option the command line gains is taken the same way
        (tesmar.option_names('place') lists them).
    progress: called now and then as progress(stage, sensors, value, bound, seconds);
        returning False stops the search with the best set and bound reached.

    The interpreter is released while it runs; Ctrl-C stops it and is raised as
    KeyboardInterrupt. Bad input raises tesmar.InputError with the command line's
    message. Returns a Placement.
    """
    import json
    opened = _opened(matrix_set)
    arguments = command_arguments("place", dict(options, sensors=sensors), reserved=("json",))
    data, text = _core.place(opened._set, arguments, progress)
    return Placement(json.loads(data), text)


def report(matrix_set: Any, path: Any, *, place: Optional[int] = None, sensors: Optional[Sequence[str]] = None,
           **options: Any) -> str:
    """Writes the HTML report of a set, as ``tesmar report`` does, and returns its absolute path.

    matrix_set: a MatrixSet from open_set, or a network path or Network.
    path: the page to write (written whole or not at all).
    place: the best set of this many sensors, with the trade-off curve up to it; or
    sensors: the node IDs of a given set.
    options: the placement options of tesmar.place (objective, statistic, alpha,
        detectable_only, fixed, exclude, candidates, exact, time_limit, threads);
        objective, statistic and alpha also give the tail figures of a given set.
    """
    opened = _opened(matrix_set)
    if isinstance(sensors, str):
        sensors = [sensors]
    arguments = command_arguments("report", dict(options, place=place, sensors=sensors), reserved=("output",))
    return _core.report(opened._set, os.fspath(path), arguments)
