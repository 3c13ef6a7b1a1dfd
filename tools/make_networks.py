#!/usr/bin/env python3
"""Generate the two example water distribution networks shipped with the programs.

    python3 tools/make_networks.py            # writes both files
    python3 tools/make_networks.py --only 2   # writes Network_2.inp only

Both networks are synthetic but laid out like real systems:

* Network 1 is a small hill town.  A river intake pump lifts water into a
  looped grid of streets; two elevated tanks float on the grid and the pump is
  switched on and off by the level of the first tank.  A low riverside
  neighbourhood is fed through a pressure reducing valve and the second tank
  sits behind a throttle valve.

* Network 2 is a city of some sixteen thousand junctions.  Streets form a
  lattice of districts; every tenth street carries a trunk main and a few
  streets carry large transmission mains.  Water comes from a gravity lake
  and from three pumped plants (time-scheduled lag pumps).  Four tanks float
  on the main pressure zone, two hill districts are boosted by pumps
  controlled by their own tanks, and two valley districts are fed through
  pressure reducing valves.

The output is fully determined by the fixed seeds below: running the script
twice gives byte-identical files.  Each file is brought to a fixed byte size
by a block of comment lines placed just before [END]; the simulator ignores
comments, so the padding does not change the hydraulics.

Both files use flow units GPM, Hazen-Williams head loss, a chemical
constituent in mg/L with no reactions, a 5 minute quality step and hourly
hydraulic and pattern steps.  Run tools/check_networks.py to verify that a
96 hour simulation of each file is clean.
"""

import argparse
import math
import os
import random
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

NETWORK_1_PATH = os.path.join(ROOT, "Networks", "Example1", "Network_1.inp")
NETWORK_2_PATH = os.path.join(ROOT, "Networks", "Example2", "Network_2.inp")
NETWORK_1_SIZE = 45063
NETWORK_2_SIZE = 2307252

PSI_TO_FT = 2.30666  # feet of water per psi

# Hourly demand multipliers (average 1.0), starting at midnight.
PATTERN_RESIDENTIAL = [
    0.55, 0.50, 0.47, 0.46, 0.50, 0.68, 1.05, 1.45, 1.52, 1.33, 1.16, 1.08,
    1.10, 1.04, 0.98, 0.96, 1.05, 1.24, 1.42, 1.46, 1.30, 1.05, 0.82, 0.63]
PATTERN_COMMERCIAL = [
    0.40, 0.38, 0.37, 0.37, 0.40, 0.55, 0.85, 1.20, 1.45, 1.55, 1.58, 1.55,
    1.50, 1.55, 1.55, 1.50, 1.40, 1.20, 0.95, 0.80, 0.70, 0.60, 0.52, 0.45]
PATTERN_INDUSTRIAL = [
    0.85, 0.85, 0.85, 0.85, 0.85, 0.90, 1.05, 1.15, 1.15, 1.15, 1.15, 1.10,
    1.10, 1.15, 1.15, 1.15, 1.10, 1.00, 0.95, 0.90, 0.90, 0.90, 0.90, 0.85]


def _normalised(values):
    mean = sum(values) / len(values)
    return [round(v / mean, 3) for v in values]


# --------------------------------------------------------------------------
# Network container and writer
# --------------------------------------------------------------------------

class Network:
    """In-memory network: nodes, links and the data needed to write an .inp file."""

    def __init__(self, title_lines):
        self.title_lines = title_lines
        self.junctions = []      # (id, elev, demand, pattern)
        self.reservoirs = []     # (id, head)
        self.tanks = []          # (id, elev, init, min, max, diam)
        self.pipes = []          # (id, n1, n2, length, diam, rough, minor)
        self.pumps = []          # (id, n1, n2, curve)
        self.valves = []         # (id, n1, n2, diam, type, setting, minor)
        self.curves = []         # (id, kind, [(x, y), ...])
        self.patterns = []       # (id, [multipliers])
        self.controls = []       # text lines
        self.status = []         # (link id, status)
        self.coords = {}         # node id -> (x, y)
        self.vertices = []       # (link id, x, y)
        self.tags = []           # (kind, id, tag)
        self.node_kind = {}      # node id -> 'J' | 'R' | 'T'
        self.elev = {}           # junction id -> elevation
        self._counters = {}

    def next_id(self, prefix):
        n = self._counters.get(prefix, 0) + 1
        self._counters[prefix] = n
        return "%s%d" % (prefix, n)

    def add_junction(self, x, y, elev, demand, pattern):
        nid = self.next_id("J")
        self.junctions.append((nid, elev, demand, pattern))
        self.elev[nid] = elev
        self.coords[nid] = (x, y)
        self.node_kind[nid] = "J"
        return nid

    def add_reservoir(self, x, y, head):
        nid = self.next_id("R")
        self.reservoirs.append((nid, head))
        self.coords[nid] = (x, y)
        self.node_kind[nid] = "R"
        return nid

    def add_tank(self, x, y, elev, init, lo, hi, diam):
        nid = self.next_id("T")
        self.tanks.append((nid, elev, init, lo, hi, diam))
        self.coords[nid] = (x, y)
        self.node_kind[nid] = "T"
        return nid

    def add_pipe(self, n1, n2, length, diam, rough, minor=0.0):
        lid = self.next_id("P")
        self.pipes.append((lid, n1, n2, max(length, 10.0), diam, rough, minor))
        return lid

    def add_pump(self, n1, n2, curve):
        lid = self.next_id("PU")
        self.pumps.append((lid, n1, n2, curve))
        return lid

    def add_valve(self, n1, n2, diam, vtype, setting, minor=0.0):
        lid = self.next_id("V")
        self.valves.append((lid, n1, n2, diam, vtype, setting, minor))
        return lid

    def distance(self, a, b):
        (xa, ya), (xb, yb) = self.coords[a], self.coords[b]
        return math.hypot(xa - xb, ya - yb)

    # ---- writing ---------------------------------------------------------

    def render(self, style):
        """Return the .inp text (without padding and [END])."""
        w = style
        out = []
        add = out.append

        add("[TITLE]")
        for line in self.title_lines:
            add(line)
        add("")

        add("[JUNCTIONS]")
        add(";%s" % _row(w["jun"], ["ID", "Elev", "Demand", "Pattern"])[1:])
        for nid, elev, dem, pat in self.junctions:
            add(_row(w["jun"], [nid, "%.2f" % elev, "%.3f" % dem, pat]))
        add("")

        add("[RESERVOIRS]")
        add(";%s" % _row(w["res"], ["ID", "Head", "Pattern"])[1:])
        for nid, head in self.reservoirs:
            add(_row(w["res"], [nid, "%.2f" % head, ""]).rstrip())
        add("")

        add("[TANKS]")
        add(";%s" % _row(w["tank"], ["ID", "Elevation", "InitLevel", "MinLevel",
                                     "MaxLevel", "Diameter", "MinVol", "VolCurve"])[1:])
        for nid, elev, init, lo, hi, diam in self.tanks:
            add(_row(w["tank"], [nid, "%.2f" % elev, "%.2f" % init, "%.2f" % lo,
                                 "%.2f" % hi, "%.1f" % diam, "0", ""]).rstrip())
        add("")

        add("[PIPES]")
        add(";%s" % _row(w["pipe"], ["ID", "Node1", "Node2", "Length", "Diameter",
                                     "Roughness", "MinorLoss", "Status"])[1:])
        for lid, n1, n2, length, diam, rough, minor in self.pipes:
            add(_row(w["pipe"], [lid, n1, n2, "%.1f" % length, _num(diam),
                                 _num(rough), _num(minor), "Open"]))
        add("")

        add("[PUMPS]")
        add(";%s" % _row(w["pump"], ["ID", "Node1", "Node2", "Parameters"])[1:])
        for lid, n1, n2, curve in self.pumps:
            add(_row(w["pump"], [lid, n1, n2, "HEAD %s" % curve]))
        add("")

        add("[VALVES]")
        add(";%s" % _row(w["valve"], ["ID", "Node1", "Node2", "Diameter", "Type",
                                      "Setting", "MinorLoss"])[1:])
        for lid, n1, n2, diam, vtype, setting, minor in self.valves:
            add(_row(w["valve"], [lid, n1, n2, _num(diam), vtype, _num(setting),
                                  _num(minor)]))
        add("")

        add("[TAGS]")
        for kind, oid, tag in self.tags:
            add(_row(w["tag"], [kind, oid, tag]))
        add("")

        add("[DEMANDS]")
        add(";Base demands are given in [JUNCTIONS]")
        add("")

        add("[STATUS]")
        add(";ID              Status/Setting")
        for lid, st in self.status:
            add(_row(w["status"], [lid, st]))
        add("")

        add("[PATTERNS]")
        add(";ID              Multipliers")
        for pid, mult in self.patterns:
            for k in range(0, len(mult), 6):
                add(_row(w["pat"], [pid] + ["%.3f" % m for m in mult[k:k + 6]]))
        add("")

        add("[CURVES]")
        add(";ID              X-Value         Y-Value")
        for cid, kind, points in self.curves:
            add(";%s" % kind)
            for x, y in points:
                add(_row(w["curve"], [cid, _num(x), _num(y)]))
        add("")

        add("[CONTROLS]")
        for line in self.controls:
            add(line)
        add("")

        add("[RULES]")
        add("")

        add("[ENERGY]")
        add(" Global Efficiency  75")
        add(" Global Price       0")
        add(" Demand Charge      0")
        add("")

        add("[EMITTERS]")
        add("")

        add("[QUALITY]")
        add("")

        add("[SOURCES]")
        add("")

        add("[REACTIONS]")
        add(" Order Bulk            1")
        add(" Order Tank            1")
        add(" Order Wall            1")
        add(" Global Bulk           0")
        add(" Global Wall           0")
        add(" Limiting Potential    0")
        add(" Roughness Correlation 0")
        add("")

        add("[MIXING]")
        for t in self.tanks:
            add(_row(w["status"], [t[0], "MIXED"]))
        add("")

        add("[TIMES]")
        add(" Duration           24:00")
        add(" Hydraulic Timestep 1:00")
        add(" Quality Timestep   0:05")
        add(" Pattern Timestep   1:00")
        add(" Pattern Start      0:00")
        add(" Report Timestep    1:00")
        add(" Report Start       0:00")
        add(" Start ClockTime    12 am")
        add(" Statistic          None")
        add("")

        add("[REPORT]")
        add(" Status             No")
        add(" Summary            No")
        add("")

        add("[OPTIONS]")
        add(" Units              GPM")
        add(" Headloss           H-W")
        add(" Specific Gravity   1.0")
        add(" Viscosity          1.0")
        add(" Trials             100")
        add(" Accuracy           0.001")
        add(" CHECKFREQ          2")
        add(" MAXCHECK           10")
        add(" DAMPLIMIT          0")
        add(" Unbalanced         Continue 10")
        add(" Pattern            RES")
        add(" Demand Multiplier  1.0")
        add(" Emitter Exponent   0.5")
        add(" Quality            Chemical mg/L")
        add(" Diffusivity        1.0")
        add(" Tolerance          0.01")
        add("")

        add("[COORDINATES]")
        add(";%s" % _row(w["coord"], ["Node", "X-Coord", "Y-Coord"])[1:])
        for nid, (x, y) in self.coords.items():
            add(_row(w["coord"], [nid, "%.2f" % x, "%.2f" % y]))
        add("")

        add("[VERTICES]")
        add(";%s" % _row(w["coord"], ["Link", "X-Coord", "Y-Coord"])[1:])
        for lid, x, y in self.vertices:
            add(_row(w["coord"], [lid, "%.2f" % x, "%.2f" % y]))
        add("")

        add("[LABELS]")
        add("")
        add("[BACKDROP]")
        add(" Units              None")
        add("")
        return "\n".join(out) + "\n"


def _num(v):
    """Compact number: integers without decimals, others with up to 3 decimals."""
    if abs(v - round(v)) < 1e-9:
        return "%d" % round(v)
    return ("%.3f" % v).rstrip("0").rstrip(".")


def _row(widths, cells):
    """Fixed-width row with a leading space; the last cell is not padded."""
    parts = []
    for k, cell in enumerate(cells):
        cell = str(cell)
        if k < len(cells) - 1:
            width = widths[k] if k < len(widths) else widths[-1]
            parts.append(cell.ljust(width - 1) + " ")
        else:
            parts.append(cell)
    return " " + "".join(parts)


def pad_to_size(text, size, note_lines):
    """Insert a comment block before [END] so the encoded file is exactly `size` bytes.

    Returns the padded text and the number of comment bytes added.
    """
    notes = [";%s\n" % line for line in note_lines]
    base = len(text) + sum(len(n) for n in notes) + len("[END]\n")
    remaining = size - base
    if remaining < 0:
        raise SystemExit("network content is %d bytes, above the target of %d" % (base, size))
    if remaining == 1:
        # One byte cannot form a line of its own; lengthen the last note instead.
        notes[-1] = notes[-1][:-1] + ".\n"
        remaining = 0
    filler = []
    row = 0
    while remaining > 0:
        length = remaining if remaining <= 80 else min(72, remaining - 2)
        line = ((";%06d " % row) + "." * 80)[:length - 1] + "\n"
        filler.append(line)
        remaining -= length
        row += 1
    result = text + "".join(notes) + "".join(filler) + "[END]\n"
    assert len(result.encode("ascii")) == size, (len(result), size)
    return result, len(result) - len(text) - len("[END]\n")


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode("ascii"))


# --------------------------------------------------------------------------
# Street lattice shared by both networks
# --------------------------------------------------------------------------

class Lattice:
    """A jittered street lattice split into pressure zones.

    Nodes are addressed by (i, j) with 0 <= i < nx and 0 <= j < ny.  Streets
    with i % trunk == 0 or j % trunk == 0 (and the outer ring) carry trunk
    mains; `major_cols`/`major_rows` carry transmission-size mains.
    """

    def __init__(self, rng, nx, ny, spacing, trunk, major_cols, major_rows,
                 jitter=0.18):
        self.rng = rng
        self.nx, self.ny = nx, ny
        self.spacing = spacing
        self.trunk = trunk
        self.major_cols = set(major_cols)
        self.major_rows = set(major_rows)
        self.pos = {}
        for j in range(ny):
            for i in range(nx):
                jx = 0.0 if self.on_trunk_col(i) else rng.uniform(-jitter, jitter)
                jy = 0.0 if self.on_trunk_row(j) else rng.uniform(-jitter, jitter)
                self.pos[(i, j)] = ((i + jx) * spacing, (j + jy) * spacing)
        self.zone = {}   # (i, j) -> zone name ('M' is the main zone)

    def on_trunk_col(self, i):
        return i % self.trunk == 0 or i == self.nx - 1

    def on_trunk_row(self, j):
        return j % self.trunk == 0 or j == self.ny - 1

    def edge_class(self, a, b):
        """'major', 'trunk' or 'local' for the street segment a-b."""
        (i1, j1), (i2, j2) = a, b
        if j1 == j2:  # east-west segment along row j1
            if j1 in self.major_rows:
                return "major"
            return "trunk" if self.on_trunk_row(j1) else "local"
        if i1 in self.major_cols:
            return "major"
        return "trunk" if self.on_trunk_col(i1) else "local"

    def all_edges(self):
        for j in range(self.ny):
            for i in range(self.nx):
                if i + 1 < self.nx:
                    yield (i, j), (i + 1, j)
                if j + 1 < self.ny:
                    yield (i, j), (i, j + 1)


class UnionFind:
    def __init__(self):
        self.parent = {}

    def find(self, a):
        self.parent.setdefault(a, a)
        root = a
        while self.parent[root] != root:
            root = self.parent[root]
        while self.parent[a] != root:
            self.parent[a], a = root, self.parent[a]
        return root

    def union(self, a, b):
        ra, rb = self.find(a), self.find(b)
        if ra == rb:
            return False
        self.parent[ra] = rb
        return True


def thin_streets(rng, candidates, keep_prob, protected):
    """Drop some local street segments while keeping every zone connected.

    `candidates` is a list of (a, b) pairs inside one zone each.  Segments in
    `protected` are always kept.  Dropped segments that are needed to keep a
    zone in one piece are restored, so the result stays connected.
    """
    kept, dropped = [], []
    uf = UnionFind()
    for a, b in candidates:
        uf.find(a)
        uf.find(b)
        if (a, b) in protected or rng.random() < keep_prob:
            kept.append((a, b))
            uf.union(a, b)
        else:
            dropped.append((a, b))
    for a, b in dropped:
        if uf.union(a, b):
            kept.append((a, b))
    return kept


# --------------------------------------------------------------------------
# Network 1: hill town
# --------------------------------------------------------------------------

def build_network_1():
    rng = random.Random(20240611)
    net = Network([
        "Example network 1: hill town with river intake pump, two tanks",
        "and a pressure reducing valve; flows in GPM, heads in feet.",
    ])
    net.patterns.append(("RES", _normalised(PATTERN_RESIDENTIAL)))
    net.patterns.append(("COM", _normalised(PATTERN_COMMERCIAL)))

    nx, ny, spacing = 12, 10, 520.0
    lat = Lattice(rng, nx, ny, spacing, trunk=4, major_cols=[4], major_rows=[4])

    def terrain(x, y):
        # Ground rises from the river (west) to a ridge in the east.
        u, v = x / ((nx - 1) * spacing), y / ((ny - 1) * spacing)
        hill = 25.0 * math.exp(-((u - 0.85) ** 2 + (v - 0.7) ** 2) / 0.05)
        return 118.0 + 62.0 * u + 8.0 * math.sin(5.0 * v + 1.3) + hill

    # Riverside neighbourhood below the town, fed through a PRV.
    low = {(i, j) for i in range(1, 4) for j in range(1, 4)}
    for key in lat.pos:
        lat.zone[key] = "L" if key in low else "M"

    # Junctions on the lattice; a small park removes two street corners.
    holes = {(6, 6), (6, 7)}
    jid = {}
    for j in range(ny):
        for i in range(nx):
            if (i, j) in holes:
                continue
            x, y = lat.pos[(i, j)]
            elev = terrain(x, y)
            if (i, j) in low:
                elev -= 28.0 + 3.0 * (3 - i)
            downtown = 4 <= i <= 7 and 2 <= j <= 5
            demand = rng.uniform(4.0, 11.0) * (1.6 if downtown else 1.0)
            jid[(i, j)] = net.add_junction(x, y, elev, demand,
                                           "COM" if downtown else "RES")

    # Street pipes.
    diam_of = {"major": 12, "trunk": 10, "local": 8}
    candidates = []
    for a, b in lat.all_edges():
        if a in holes or b in holes:
            continue
        if lat.zone[a] != lat.zone[b]:
            continue
        candidates.append((a, b))
    protected = {(a, b) for a, b in candidates if lat.edge_class(a, b) != "local"}
    for a, b in thin_streets(rng, candidates, 0.8, protected):
        cls = lat.edge_class(a, b)
        diam = diam_of[cls]
        if cls == "local" and rng.random() < 0.3:
            diam = 6
        n1, n2 = jid[a], jid[b]
        net.add_pipe(n1, n2, net.distance(n1, n2) * rng.uniform(1.0, 1.12), diam,
                     rng.choice([100, 110, 120, 130]))

    # Cul-de-sacs hanging off local streets.
    branch_roots = [k for k in sorted(jid) if lat.zone[k] == "M"
                    and not lat.on_trunk_col(k[0]) and not lat.on_trunk_row(k[1])]
    rng.shuffle(branch_roots)
    for root in branch_roots[:9]:
        parent = jid[root]
        px, py = net.coords[parent]
        ang = rng.choice([0.785, 2.356, 3.927, 5.498]) + rng.uniform(-0.25, 0.25)
        for step in range(rng.choice([1, 2, 2, 3])):
            x = px + math.cos(ang) * spacing * 0.42
            y = py + math.sin(ang) * spacing * 0.42
            elev = terrain(x, y)
            child = net.add_junction(x, y, elev, rng.uniform(2.0, 6.0), "RES")
            net.add_pipe(parent, child, net.distance(parent, child) * 1.05,
                         6 if step == 0 else 4, 110)
            parent, px, py = child, x, y

    # River intake and pump station west of town, rising main to the town grid.
    river = net.add_reservoir(-2600.0, 3 * spacing + 150.0, 72.0)
    station = net.add_junction(-2350.0, 3 * spacing + 150.0, 78.0, 0.0, "RES")
    net.curves.append(("C1", "PUMP: river intake pump", [(1800, 275)]))
    pump = net.add_pump(river, station, "C1")
    prev = station
    main_path = [(-1700.0, 3.6 * spacing, 92.0), (-900.0, 4.0 * spacing, 110.0)]
    for x, y, elev in main_path:
        node = net.add_junction(x, y, elev, 0.0, "RES")
        net.add_pipe(prev, node, net.distance(prev, node) * 1.04, 16, 120)
        prev = node
    last = net.add_pipe(prev, jid[(0, 4)], net.distance(prev, jid[(0, 4)]) * 1.04, 16, 120)
    net.vertices.append((last, -450.0, 4.1 * spacing))

    # PRV from the trunk on the west edge into the riverside neighbourhood.
    prv_down = jid[(1, 2)]
    prv_setting = 58.0
    net.add_valve(jid[(0, 2)], prv_down, 8, "PRV", prv_setting)

    # Tank 1 on the eastern ridge controls the pump.
    tx, ty = net.coords[jid[(10, 6)]]
    t1 = net.add_tank(tx + 260.0, ty + 200.0, 318.0, 14.0, 3.0, 32.0, 55.0)
    net.add_pipe(jid[(10, 6)], t1, 340.0, 12, 120)
    # Tank 2 in the south, behind a throttle valve.
    sx, sy = net.coords[jid[(7, 0)]]
    t2_riser = net.add_junction(sx + 30.0, sy - 420.0, terrain(sx, sy) + 6.0, 0.0, "RES")
    net.add_pipe(jid[(7, 0)], t2_riser, 430.0, 12, 120)
    t2 = net.add_tank(sx + 60.0, sy - 700.0, 314.0, 16.0, 3.0, 36.0, 48.0)
    net.add_valve(t2_riser, t2, 12, "TCV", 4.0)

    net.controls.append(" LINK %s OPEN IF NODE %s BELOW 11" % (pump, t1))
    net.controls.append(" LINK %s CLOSED IF NODE %s ABOVE 27" % (pump, t1))

    return net


NETWORK_1_STYLE = {
    "jun": [17, 13, 13, 16],
    "res": [17, 13, 16],
    "tank": [17, 13, 13, 13, 13, 13, 9, 16],
    "pipe": [17, 17, 17, 13, 13, 13, 13, 8],
    "pump": [17, 17, 17, 16],
    "valve": [17, 17, 17, 13, 7, 13, 13],
    "tag": [7, 17, 16],
    "status": [17, 16],
    "pat": [17, 10, 10, 10, 10, 10, 10],
    "curve": [17, 13, 13],
    "coord": [17, 17, 17],
}


# --------------------------------------------------------------------------
# Network 2: city
# --------------------------------------------------------------------------

def build_network_2():
    rng = random.Random(19650923)
    net = Network([
        "Example network 2: city with a gravity lake, three pumped plants,",
        "four floating tanks, two boosted hill zones and two PRV valley zones;",
        "flows in GPM, heads in feet.",
    ])
    net.patterns.append(("RES", _normalised(PATTERN_RESIDENTIAL)))
    net.patterns.append(("COM", _normalised(PATTERN_COMMERCIAL)))
    net.patterns.append(("IND", _normalised(PATTERN_INDUSTRIAL)))

    nx, ny, spacing = 131, 101, 310.0
    lat = Lattice(rng, nx, ny, spacing, trunk=10,
                  major_cols=[30, 60, 100], major_rows=[30, 70])
    W, H = (nx - 1) * spacing, (ny - 1) * spacing

    hills = {"H1": (90, 50), "H2": (20, 80)}
    valleys = {"L1": (50, 20), "L2": (110, 80)}
    zone_rect = {}
    for name, (ci, cj) in list(hills.items()) + list(valleys.items()):
        zone_rect[name] = (ci - 9, ci + 9, cj - 9, cj + 9)

    def zone_of(i, j):
        for name, (i0, i1, j0, j1) in zone_rect.items():
            if i0 <= i <= i1 and j0 <= j <= j1:
                return name
        return "M"

    def terrain(x, y):
        u, v = x / W, y / H
        e = 45.0 + 55.0 * v + 20.0 * u + 7.0 * math.sin(9.0 * u + 2.0 * v) \
            + 5.0 * math.cos(7.0 * v - 3.0 * u)
        for ci, cj in hills.values():
            d2 = ((x - ci * spacing) ** 2 + (y - cj * spacing) ** 2) / (6.5 * spacing) ** 2
            e += 130.0 * math.exp(-0.5 * d2)
        for ci, cj in valleys.values():
            d2 = ((x - ci * spacing) ** 2 + (y - cj * spacing) ** 2) / (7.0 * spacing) ** 2
            e -= 55.0 * math.exp(-0.5 * d2)
        return max(e, 4.0)

    for key in lat.pos:
        lat.zone[key] = zone_of(*key)

    # Parks and lakes: small blocks of missing street corners inside districts.
    holes = set()
    for _ in range(70):
        ci = rng.randrange(0, nx // 10) * 10 + rng.randint(2, 6)
        cj = rng.randrange(0, ny // 10) * 10 + rng.randint(2, 6)
        if zone_of(ci, cj) != "M" or ci + 3 >= nx or cj + 3 >= ny:
            continue
        w, h = rng.randint(1, 3), rng.randint(1, 3)
        for i in range(ci, ci + w):
            for j in range(cj, cj + h):
                if zone_of(i, j) == "M" and not lat.on_trunk_col(i) \
                        and not lat.on_trunk_row(j):
                    holes.add((i, j))

    # Land use: a commercial core, an industrial strip, residential elsewhere.
    def land_use(i, j):
        if 55 <= i <= 80 and 35 <= j <= 62:
            return "COM"
        if i >= 112 and j <= 25:
            return "IND"
        return "RES"

    jid = {}
    for j in range(ny):
        for i in range(nx):
            if (i, j) in holes:
                continue
            x, y = lat.pos[(i, j)]
            use = land_use(i, j)
            demand = rng.uniform(0.8, 3.6)
            if use == "COM":
                demand *= 1.7
            elif use == "IND" and rng.random() < 0.15:
                demand = rng.uniform(15.0, 40.0)
            jid[(i, j)] = net.add_junction(x, y, terrain(x, y), demand, use)
            net.tags.append(("NODE", jid[(i, j)], "Zone%s" % lat.zone[(i, j)]))

    candidates = []
    for a, b in lat.all_edges():
        if a in holes or b in holes or lat.zone[a] != lat.zone[b]:
            continue
        candidates.append((a, b))
    protected = {(a, b) for a, b in candidates if lat.edge_class(a, b) != "local"}
    for a, b in thin_streets(rng, candidates, 0.66, protected):
        cls = lat.edge_class(a, b)
        if cls == "major":
            diam = 30
        elif cls == "trunk":
            diam = rng.choice([16, 16, 20]) if lat.zone[a] == "M" else 16
        else:
            diam = rng.choice([6, 8, 8, 8])
        n1, n2 = jid[a], jid[b]
        net.add_pipe(n1, n2, net.distance(n1, n2) * rng.uniform(1.0, 1.1), diam,
                     rng.choice([100, 110, 120, 120, 130, 140]))

    # Cul-de-sacs and service lanes hanging off local streets.
    roots = [k for k in sorted(jid) if not lat.on_trunk_col(k[0])
             and not lat.on_trunk_row(k[1])]
    rng.shuffle(roots)
    used = set()
    n_branch_roots = 0
    for root in roots:
        if n_branch_roots >= 1840:
            break
        if root in used:
            continue
        used.add(root)
        n_branch_roots += 1
        parent = jid[root]
        px, py = net.coords[parent]
        ang = rng.choice([0.785, 2.356, 3.927, 5.498]) + rng.uniform(-0.2, 0.2)
        for step in range(rng.choice([1, 1, 2, 2, 3])):
            x = px + math.cos(ang) * spacing * 0.33
            y = py + math.sin(ang) * spacing * 0.33
            child = net.add_junction(x, y, terrain(x, y), rng.uniform(0.5, 2.0), "RES")
            net.tags.append(("NODE", child, "Zone%s" % lat.zone[root]))
            net.add_pipe(parent, child, net.distance(parent, child) * 1.05,
                         6 if step == 0 else 4, rng.choice([100, 110, 120]))
            parent, px, py = child, x, y

    def main_line(start, points, diam):
        """Chain of junctions with zero demand from `start` through `points`."""
        prev = start
        for x, y in points:
            node = net.add_junction(x, y, terrain(min(max(x, 0), W), min(max(y, 0), H)),
                                    0.0, "RES")
            net.add_pipe(prev, node, net.distance(prev, node) * 1.03, diam, 130)
            prev = node
        return prev

    # Gravity lake north-west of the city.
    lake = net.add_reservoir(-7000.0, H + 5200.0, 275.0)
    lake_end = main_line(lake, [(-6400.0, H + 4700.0), (-4200.0, H + 3500.0),
                                (-2000.0, H + 2300.0)], 48)
    lake_valve_node = net.add_junction(-1600.0, H + 2000.0, terrain(0, H), 0.0, "RES")
    net.add_valve(lake_end, lake_valve_node, 48, "TCV", 1.5)
    entry = main_line(lake_valve_node, [(-800.0, H + 1000.0)], 48)
    net.add_pipe(entry, jid[(0, 100)], net.distance(entry, jid[(0, 100)]), 36, 130)
    entry2 = main_line(lake_valve_node, [(30 * spacing, H + 1600.0)], 36)
    net.add_pipe(entry2, jid[(30, 100)], net.distance(entry2, jid[(30, 100)]), 36, 130)

    net.curves.append(("C1", "PUMP: plant high-lift pumps",
                       [(7000, 220)]))
    net.curves.append(("C2", "PUMP: well field pump", [(4500, 215)]))
    net.curves.append(("C3", "PUMP: hill booster pumps", [(1500, 95)]))

    def plant(x, y, head, curve, n_pumps, targets, diam):
        """Clearwell reservoir, pump station header and transmission mains."""
        res = net.add_reservoir(x, y, head)
        header = net.add_junction(x + 120.0, y + 60.0, head + 4.0, 0.0, "RES")
        pumps = [net.add_pump(res, header, curve) for _ in range(n_pumps)]
        for target, via in targets:
            end = main_line(header, via, diam)
            net.add_pipe(end, jid[target], net.distance(end, jid[target]) * 1.03,
                         diam, 130)
        return pumps

    # East plant on the river, feeding transmission row 30.
    east = plant(W + 5200.0, 28 * spacing, 62.0, "C1", 2,
                 [((130, 30), [(W + 3600.0, 29 * spacing), (W + 1800.0, 30 * spacing)]),
                  ((130, 60), [(W + 3000.0, 40 * spacing), (W + 1500.0, 58 * spacing)])], 42)
    # South plant, feeding transmission column 60.
    south = plant(60 * spacing + 400.0, -5400.0, 58.0, "C1", 2,
                  [((60, 0), [(60 * spacing + 300.0, -3600.0), (60 * spacing, -1800.0)]),
                   ((100, 0), [(80 * spacing, -3000.0), (100 * spacing, -1200.0)])], 42)
    # Well field in the north-east, feeding column 100.
    wells = plant(104 * spacing, H + 4200.0, 66.0, "C2", 1,
                  [((100, 100), [(102 * spacing, H + 2600.0), (100 * spacing, H + 1200.0)])],
                  30)

    # Lag pumps run through the day only.
    for pump in (east[1], south[1]):
        net.status.append((pump, "Closed"))
        net.controls.append(" LINK %s OPEN AT CLOCKTIME 6 AM" % pump)
        net.controls.append(" LINK %s CLOSED AT CLOCKTIME 10 PM" % pump)

    # Floating tanks on the main zone.
    tank_specs = [((60, 70), 600.0, 600.0, 95.0), ((100, 30), -550.0, 500.0, 90.0),
                  ((20, 40), 500.0, -450.0, 85.0), ((120, 90), -500.0, -500.0, 80.0)]
    for (key, dx, dy, diam) in tank_specs:
        node = jid[key]
        x, y = net.coords[node]
        tank = net.add_tank(x + dx, y + dy, 236.0, 30.0, 4.0, 50.0, diam)
        net.add_pipe(node, tank, math.hypot(dx, dy), 24, 120)

    # Hill zones: booster pumps from the main zone trunk, tank on the hill top.
    for name, (ci, cj) in hills.items():
        i0, i1, j0, j1 = zone_rect[name]
        boosters = []
        for outside, inside in (((i0 - 1, cj), (i0, cj)), ((ci, j0 - 1), (ci, j0))):
            boosters.append(net.add_pump(jid[outside], jid[inside], "C3"))
        top = jid[(ci, cj)]
        zone_max = max(net.elev[jid[(i, j)]]
                       for i in range(i0, i1 + 1) for j in range(j0, j1 + 1)
                       if (i, j) in jid)
        x, y = net.coords[top]
        tank = net.add_tank(x + 250.0, y + 250.0, zone_max + 85.0, 18.0, 3.0, 34.0, 50.0)
        net.add_pipe(top, tank, 360.0, 16, 120)
        for k, pump in enumerate(boosters):
            lo, hi = (10, 26) if k == 0 else (7, 23)
            net.controls.append(" LINK %s OPEN IF NODE %s BELOW %d" % (pump, tank, lo))
            net.controls.append(" LINK %s CLOSED IF NODE %s ABOVE %d" % (pump, tank, hi))

    # Valley zones: two pressure reducing valves each.
    for name, (ci, cj) in valleys.items():
        i0, i1, j0, j1 = zone_rect[name]
        # The lead valve holds the zone at a hydraulic grade 145 ft above its
        # lowest street; the lag valve is set 8 ft lower and opens only when
        # the lead valve cannot keep up.
        zone_min = min(net.elev[jid[(i, j)]]
                       for i in range(i0, i1 + 1) for j in range(j0, j1 + 1)
                       if (i, j) in jid)
        grade = zone_min + 145.0
        links = (((ci, j1 + 1), (ci, j1)), ((i1 + 1, cj), (i1, cj)))
        for k, (outside, inside) in enumerate(links):
            down = jid[inside]
            setting = (grade - 8.0 * k - net.elev[down]) / PSI_TO_FT
            net.add_valve(jid[outside], down, 12, "PRV", round(setting, 1))

    return net


NETWORK_2_STYLE = {
    "jun": [8, 8, 7, 4],
    "res": [8, 8, 4],
    "tank": [8, 8, 7, 7, 7, 7, 3, 4],
    "pipe": [8, 8, 8, 8, 4, 5, 2, 4],
    "pump": [8, 8, 8, 8],
    "valve": [8, 8, 8, 4, 5, 6, 4],
    "tag": [6, 8, 6],
    "status": [8, 8],
    "pat": [8, 7, 7, 7, 7, 7, 7],
    "curve": [8, 7, 7],
    "coord": [8, 11, 11],
}


# --------------------------------------------------------------------------

def summary_lines(net, label):
    lines = [
        "",
        " %s" % label,
        " Junctions %d, reservoirs %d, tanks %d, pipes %d, pumps %d, valves %d."
        % (len(net.junctions), len(net.reservoirs), len(net.tanks), len(net.pipes),
           len(net.pumps), len(net.valves)),
        " Generated by tools/make_networks.py; the dotted lines below are filler",
        " comments that give the file its fixed size.",
        "",
    ]
    return lines


def make(which):
    results = []
    if which in (None, 1):
        net = build_network_1()
        text = net.render(NETWORK_1_STYLE)
        data, pad = pad_to_size(text, NETWORK_1_SIZE, summary_lines(net, "Network 1"))
        write_file(NETWORK_1_PATH, data)
        results.append((NETWORK_1_PATH, net, pad))
    if which in (None, 2):
        net = build_network_2()
        text = net.render(NETWORK_2_STYLE)
        data, pad = pad_to_size(text, NETWORK_2_SIZE, summary_lines(net, "Network 2"))
        write_file(NETWORK_2_PATH, data)
        results.append((NETWORK_2_PATH, net, pad))
    for path, net, pad in results:
        size = os.path.getsize(path)
        print("%s: %d bytes (%d comment bytes added), %d junctions, %d reservoirs, "
              "%d tanks, %d pipes, %d pumps, %d valves"
              % (os.path.relpath(path, ROOT), size, pad, len(net.junctions),
                 len(net.reservoirs), len(net.tanks), len(net.pipes), len(net.pumps),
                 len(net.valves)))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--only", type=int, choices=[1, 2],
                        help="write only this network")
    args = parser.parse_args(argv)
    make(args.only)
    return 0


if __name__ == "__main__":
    sys.exit(main())
