"""
The engine of the tesmar command line: networks, builds, matrix sets, placements and reports.
"""

from collections.abc import Sequence
import os

from tesmar import Error as Error, InputError as InputError


class Network:
    """
    A network file read by the simulation toolkit, as tesmar's commands read it.
    """

    def __init__(self, path: str | os.PathLike) -> None:
        """
        Reads the network file (.inp). Raises tesmar.InputError with the command line's message when the file cannot be read or the toolkit rejects it.
        """

    @property
    def path(self) -> str:
        """The network file, absolute."""

    @property
    def node_ids(self) -> list[str]:
        """The node IDs in the toolkit's order (the matrices' columns)."""

    @property
    def node_kinds(self) -> list[str]:
        """'junction', 'reservoir' or 'tank' for every node, in node order."""

    @property
    def counts(self) -> dict[str, int]:
        """
        Numbers of nodes, junctions, reservoirs, tanks, links, pipes, pumps, valves.
        """

    @property
    def coordinates(self) -> dict[str, tuple[float, float]]:
        """Node ID -> (x, y) for the nodes the file places on its map."""

    @property
    def time_parameters(self) -> dict[str, int]:
        """
        Duration, hydraulic, quality and pattern steps and pattern start, in seconds.
        """

    @property
    def flow_units(self) -> str:
        """The flow units the file uses ('GPM', 'LPS', ...)."""

    def __len__(self) -> int: ...

    def __repr__(self) -> str: ...

class BuildOutcome:
    """How a build ended."""

    @property
    def status(self) -> str:
        """'completed', 'stopped' or 'failed'."""

    @property
    def events_planned(self) -> int: ...

    @property
    def events_written(self) -> int:
        """The matrix files hold whole records of events 1 to events_written."""

    @property
    def files(self) -> list[str]:
        """The matrix files written."""

    @property
    def reason(self) -> str:
        """Why the build failed or stopped, when it says."""

    @property
    def seed(self) -> int:
        """The seed of the event set: the same seed gives the same files."""

    @property
    def warnings(self) -> list[int]:
        """Toolkit warnings accepted for the build (codes)."""

    @property
    def message(self) -> str:
        """The lines `tesmar build` prints about how it ended."""

    @property
    def exit_code(self) -> int:
        """The exit code `tesmar build` would end with."""

    def __repr__(self) -> str: ...

def build(network_path: str, arguments: Sequence[str], progress: object | None = None) -> BuildOutcome:
    """
    Runs `tesmar build` on the network with the command line's arguments (options first), without the interpreter; progress(done, total, events_per_second, remaining_seconds) is called after each event and False from it stops the build. Ctrl-C stops it after the running events and is raised once the files hold whole records.
    """

class Fitness:
    """A sensor set's four values, as `tesmar fitness` gives them."""

    @property
    def sensors(self) -> list[str]: ...

    @property
    def events(self) -> int: ...

    @property
    def detected(self) -> int: ...

    @property
    def values(self) -> dict[str, float | None]:
        """'Z1'..'Z4' -> value, None when not available."""

    @property
    def sd(self) -> dict[str, float | None]:
        """'Z1'..'Z3' -> standard deviation, None when not available."""

    @property
    def unavailable(self) -> dict[str, str]:
        """'Zk' -> why it is not available."""

    @property
    def lines(self) -> str:
        """The four lines `tesmar fitness` prints."""

    @property
    def json(self) -> str:
        """What `tesmar fitness --json` prints."""

    def __repr__(self) -> str: ...

class MatrixSet:
    """A matrix set beside its network, loaded as the command line loads it."""

    @property
    def network(self) -> Network:
        """The network the set belongs to."""

    @property
    def path(self) -> str:
        """The network file, absolute."""

    @property
    def n_events(self) -> int: ...

    @property
    def n_nodes(self) -> int: ...

    @property
    def node_ids(self) -> list[str]: ...

    @property
    def z1(self) -> object:
        """Minutes to detection, float32 [events, nodes], read only."""

    @property
    def z2(self) -> object:
        """
        People affected by the first detection, float32 [events, nodes]; None after --no-z2.
        """

    @property
    def z3(self) -> object:
        """Contaminated volume consumed, float32 [events, nodes]."""

    @property
    def z4(self) -> object:
        """1 where the node detects the event, uint8 [events, nodes]."""

    @property
    def notes(self) -> list[str]:
        """What the command line would print about the set when loading it."""

    @property
    def partial(self) -> str | None:
        """
        Why the figures rest on fewer events than the set holds; None when they use them all.
        """

    @property
    def unfinished(self) -> str | None:
        """
        What the manifest says when the set's build did not finish; None when it did.
        """

    @property
    def manifest_path(self) -> str: ...

    @property
    def events_path(self) -> str: ...

    @property
    def has_manifest(self) -> bool: ...

    @property
    def has_events(self) -> bool: ...

    def fitness(self, sensors: Sequence[str]) -> Fitness:
        """
        The four values of the sensor set (node IDs, letter case ignored), as `tesmar fitness` gives them.
        """

    def undetected_impact(self, objective: str = 'z1') -> object:
        """
        Each event's impact when no sensor detects it, for objective 'z1', 'z2' or 'z3'.
        """

def open_set(network_path: str) -> MatrixSet:
    """
    Opens the matrix set beside the network file, as the command line does.
    """

def place(matrix_set: MatrixSet, arguments: Sequence[str], progress: object | None = None) -> tuple[str, str]:
    """
    Runs `tesmar place` on the opened set with the command line's arguments (options only); returns what it prints with --json and without. progress(stage, sensors, value, bound, seconds) is called now and then; False from it, or Ctrl-C, stops the search with the best set and bound reached.
    """

def report(matrix_set: MatrixSet, output: str, arguments: Sequence[str]) -> str:
    """
    Runs `tesmar report` on the set's network with the command line's arguments (options only), writing the page to output; returns its absolute path.
    """

def option_names(command: str) -> list[str]:
    """
    The long option names of a tesmar command ('build', 'place', 'report'), without the dashes.
    """
