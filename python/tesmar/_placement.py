"""What tesmar.place returns: the command line's --json answer as an object."""
from __future__ import annotations

import html
from typing import Any, Dict, List

try:
    import pandas as _pandas
except ImportError:
    _pandas = None


class Placement:
    """The best set found for the largest sensor count asked for, with its proven
    bound, and (with ``curve=True``) the set of every smaller count.

    ``nodes``, ``value``, ``bound``, ``gap``, ``proven_optimal``, ``exact``,
    ``figures`` (events, detected, detected_fraction, mean, var, cvar, worst)
    and ``fitness`` (the four values of ``tesmar fitness``) describe that set;
    ``placements`` holds every count's, ``curve`` the same as a table;
    ``data`` is the whole answer of ``tesmar place --json`` and ``text`` what
    ``tesmar place`` prints.
    """

    def __init__(self, data: Dict[str, Any], text: str):
        self.data = data
        self.text = text
        self.placements: List[Dict[str, Any]] = data["placements"]
        last = self.placements[-1] if self.placements else {}
        self.sensors = last.get("sensors", 0)
        self.nodes: List[str] = last.get("nodes", [])
        self.value = last.get("value")
        self.bound = last.get("bound")
        self.gap = last.get("gap")
        self.proven_optimal = last.get("proven_optimal", False)
        self.exact = last.get("exact")
        self.figures: Dict[str, Any] = last.get("figures", {})
        self.fitness: Dict[str, Any] = last.get("fitness", {})
        self.objective = data["objective"]
        self.statistic = data["statistic"]
        self.alpha = data["alpha"]
        self.events = data["events"]
        self.undetectable_events = data["undetectable_events"]
        self.notes: List[str] = data["notes"]

    @property
    def curve(self):
        """One row per sensor count: sensors, value, bound, gap, detected_fraction
        and nodes; a pandas DataFrame when pandas is installed, else a list of dicts."""
        rows = [{"sensors": p["sensors"], "value": p["value"], "bound": p["bound"], "gap": p["gap"],
                 "detected_fraction": p["figures"]["detected_fraction"], "nodes": p["nodes"]}
                for p in self.placements]
        return _pandas.DataFrame(rows) if _pandas is not None else rows

    def __str__(self) -> str:
        return self.text

    def __repr__(self) -> str:
        return (f"tesmar.Placement(nodes={self.nodes}, value={self.value!r}, bound={self.bound!r}, "
                f"gap={self.gap!r})")

    def _repr_html_(self) -> str:
        head = "".join(f"<th>{h}</th>" for h in ("sensors", "value", "bound", "gap", "detected", "set"))
        rows = "".join(
            "<tr>" + "".join(f"<td>{html.escape(str(v))}</td>" for v in (
                p["sensors"], f"{p['value']:.6g}", f"{p['bound']:.6g}", f"{100 * p['gap']:.2f}%",
                f"{100 * p['figures']['detected_fraction']:.2f}%", " ".join(p["nodes"]))) + "</tr>"
            for p in self.placements)
        notes = "".join(f"<p>Note: {html.escape(n)}</p>" for n in self.notes)
        return (f"<p>{html.escape(self.statistic)} of {html.escape(self.objective)} over {self.events} events</p>"
                f"{notes}<table><thead><tr>{head}</tr></thead><tbody>{rows}</tbody></table>")
