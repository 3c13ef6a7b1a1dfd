#!/usr/bin/env python3
"""Check that example networks simulate cleanly for 96 hours.

    python3 tools/check_networks.py Networks/Example1/Network_1.inp [more.inp ...]
    python3 tools/check_networks.py --backend binding Networks/Example1/Network_1.inp

For each file the tool opens the network with report and output files in a
temporary directory, sets the duration to 96 hours and then

1. steps the hydraulics (openH, initH, runH/nextH) and requires every call to
   return 0, every junction pressure to be positive at every step and every
   tank to stay strictly between its minimum and maximum level;
2. solves the hydraulics to the scratch file (solveH) and steps the water
   quality (openQ, initQ, runQ/stepQ), again requiring every call to return 0.

It also checks the settings the programs rely on: flow units GPM, a chemical
quality constituent, a 5 minute quality step, zero bulk and wall reaction
coefficients, and short unquoted node and link IDs that are unique even when
letter case is ignored.

Two backends are available.  `ctypes` (the default) calls the C library
libepanet2.so directly and sees the exact return code of every call, which is
what the C++ programs see.  `binding` uses the owa-epanet Python module
(`epanet.toolkit`): that module raises an exception on error codes and only
emits a Python warning (without the code) on warning codes 1-6, so this
backend records warnings and treats any of them as a failure.

Exit status is 0 when every file passes, 1 otherwise.
"""

import argparse
import ctypes
import os
import sys
import tempfile
import time
import warnings

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEPS = os.path.join(ROOT, ".deps", "epanet")
DEFAULT_LIB = os.path.join(DEPS, "epanet", "libepanet2.so")

HOURS = 96

# Toolkit constants (epanet2_enums.h).
EN_NODECOUNT, EN_TANKCOUNT, EN_LINKCOUNT = 0, 1, 2
EN_JUNCTION, EN_RESERVOIR, EN_TANK = 0, 1, 2
EN_CVPIPE, EN_PIPE, EN_PUMP = 0, 1, 2
EN_ELEVATION, EN_PRESSURE, EN_HEAD = 0, 11, 10
EN_TANKLEVEL, EN_MINLEVEL, EN_MAXLEVEL, EN_TANK_KBULK = 8, 20, 21, 23
EN_KBULK, EN_KWALL = 6, 7
EN_DURATION, EN_HYDSTEP, EN_QUALSTEP = 0, 1, 2
EN_GPM, EN_CHEM = 1, 1

WARNINGS = {
    1: "system hydraulically unbalanced",
    2: "system may be hydraulically unstable",
    3: "system disconnected",
    4: "pumps cannot deliver enough flow or head",
    5: "valves cannot deliver enough flow",
    6: "system has negative pressures",
}

LINK_TYPES = {0: "CV pipe", 1: "pipe", 2: "pump", 3: "PRV", 4: "PSV", 5: "PBV",
              6: "FCV", 7: "TCV", 8: "GPV", 9: "PCV"}


class CheckFailed(Exception):
    pass


# --------------------------------------------------------------------------
# Backends: a thin uniform wrapper over the two ways of calling the toolkit.
# Every method raises CheckFailed when the call does not return 0.
# --------------------------------------------------------------------------

class CtypesBackend:
    name = "ctypes (libepanet2.so)"

    def __init__(self, lib_path):
        self.lib = ctypes.CDLL(lib_path)
        self.ph = ctypes.c_void_p()

    def _call(self, name, *args):
        rc = getattr(self.lib, name)(*args)
        if rc != 0:
            raise CheckFailed("%s returned %d%s" % (name, rc, _describe(rc)))

    def open(self, inp, rpt, out):
        self._call("EN_createproject", ctypes.byref(self.ph))
        self._call("EN_open", self.ph, inp.encode(), rpt.encode(), out.encode())

    def close(self):
        if self.ph:
            self.lib.EN_close(self.ph)
            self.lib.EN_deleteproject(self.ph)
            self.ph = ctypes.c_void_p()

    def count(self, what):
        v = ctypes.c_int()
        self._call("EN_getcount", self.ph, what, ctypes.byref(v))
        return v.value

    def node_type(self, i):
        v = ctypes.c_int()
        self._call("EN_getnodetype", self.ph, i, ctypes.byref(v))
        return v.value

    def link_type(self, i):
        v = ctypes.c_int()
        self._call("EN_getlinktype", self.ph, i, ctypes.byref(v))
        return v.value

    def node_id(self, i):
        buf = ctypes.create_string_buffer(64)
        self._call("EN_getnodeid", self.ph, i, buf)
        return buf.value.decode()

    def link_id(self, i):
        buf = ctypes.create_string_buffer(64)
        self._call("EN_getlinkid", self.ph, i, buf)
        return buf.value.decode()

    def node_value(self, i, prop):
        v = ctypes.c_double()
        self._call("EN_getnodevalue", self.ph, i, prop, ctypes.byref(v))
        return v.value

    def link_value(self, i, prop):
        v = ctypes.c_double()
        self._call("EN_getlinkvalue", self.ph, i, prop, ctypes.byref(v))
        return v.value

    def node_values(self, prop, n):
        arr = (ctypes.c_double * n)()
        self._call("EN_getnodevalues", self.ph, prop, arr)
        return list(arr)

    def flow_units(self):
        v = ctypes.c_int()
        self._call("EN_getflowunits", self.ph, ctypes.byref(v))
        return v.value

    def qual_type(self):
        q, t = ctypes.c_int(), ctypes.c_int()
        self._call("EN_getqualtype", self.ph, ctypes.byref(q), ctypes.byref(t))
        return q.value

    def get_time(self, param):
        v = ctypes.c_long()
        self._call("EN_gettimeparam", self.ph, param, ctypes.byref(v))
        return v.value

    def set_time(self, param, value):
        self._call("EN_settimeparam", self.ph, param, ctypes.c_long(value))

    def _timed(self, name):
        v = ctypes.c_long()
        self._call(name, self.ph, ctypes.byref(v))
        return v.value

    def openH(self): self._call("EN_openH", self.ph)
    def initH(self, flag): self._call("EN_initH", self.ph, flag)
    def runH(self): return self._timed("EN_runH")
    def nextH(self): return self._timed("EN_nextH")
    def closeH(self): self._call("EN_closeH", self.ph)
    def solveH(self): self._call("EN_solveH", self.ph)
    def openQ(self): self._call("EN_openQ", self.ph)
    def initQ(self, flag): self._call("EN_initQ", self.ph, flag)
    def runQ(self): return self._timed("EN_runQ")
    def stepQ(self): return self._timed("EN_stepQ")
    def closeQ(self): self._call("EN_closeQ", self.ph)


class BindingBackend:
    name = "binding (epanet.toolkit)"

    def __init__(self):
        if DEPS not in sys.path:
            sys.path.insert(0, DEPS)
        import epanet.toolkit as tk
        self.tk = tk
        self.ph = None

    def _call(self, name, *args):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            try:
                result = getattr(self.tk, name)(*args)
            except Exception as exc:  # the binding raises on error codes
                raise CheckFailed("%s raised: %s" % (name, exc))
        if caught:
            raise CheckFailed("%s reported a warning (%s)" % (
                name, "; ".join(str(w.message) for w in caught)))
        return result

    def open(self, inp, rpt, out):
        self.ph = self._call("createproject")
        self._call("open", self.ph, inp, rpt, out)

    def close(self):
        if self.ph is not None:
            try:
                self.tk.close(self.ph)
            finally:
                self.tk.deleteproject(self.ph)
                self.ph = None

    def count(self, what): return self._call("getcount", self.ph, what)
    def node_type(self, i): return self._call("getnodetype", self.ph, i)
    def link_type(self, i): return self._call("getlinktype", self.ph, i)
    def node_id(self, i): return self._call("getnodeid", self.ph, i)
    def link_id(self, i): return self._call("getlinkid", self.ph, i)
    def node_value(self, i, prop): return self._call("getnodevalue", self.ph, i, prop)
    def link_value(self, i, prop): return self._call("getlinkvalue", self.ph, i, prop)

    def node_values(self, prop, n):
        arr = self.tk.doubleArray(n)
        self._call("getnodevalues", self.ph, prop, arr)
        return [arr[k] for k in range(n)]

    def flow_units(self): return self._call("getflowunits", self.ph)

    def qual_type(self):
        result = self._call("getqualtype", self.ph)
        return result[0] if isinstance(result, (list, tuple)) else result

    def get_time(self, param): return self._call("gettimeparam", self.ph, param)
    def set_time(self, param, value): self._call("settimeparam", self.ph, param, value)
    def openH(self): self._call("openH", self.ph)
    def initH(self, flag): self._call("initH", self.ph, flag)
    def runH(self): return self._call("runH", self.ph)
    def nextH(self): return self._call("nextH", self.ph)
    def closeH(self): self._call("closeH", self.ph)
    def solveH(self): self._call("solveH", self.ph)
    def openQ(self): self._call("openQ", self.ph)
    def initQ(self, flag): self._call("initQ", self.ph, flag)
    def runQ(self): return self._call("runQ", self.ph)
    def stepQ(self): return self._call("stepQ", self.ph)
    def closeQ(self): self._call("closeQ", self.ph)


def _describe(rc):
    if rc in WARNINGS:
        return " (warning: %s)" % WARNINGS[rc]
    return " (error)"


# --------------------------------------------------------------------------

def check_ids(ids, kind, problems):
    seen = {}
    for name in ids:
        if len(name) > 15:
            problems.append("%s ID %r is longer than 15 characters" % (kind, name))
        if not name.isalnum():
            problems.append("%s ID %r is not alphanumeric" % (kind, name))
        key = name.upper()
        if key in seen and seen[key] != name:
            problems.append("%s IDs %r and %r differ only in case" % (kind, seen[key], name))
        seen.setdefault(key, name)


def tank_level(backend, i, tank_elev):
    """Current water level of tank i (head minus bottom elevation).

    EN_TANKLEVEL is not used: in this toolkit version it reports the initial
    level rather than the computed one.
    """
    return backend.node_value(i, EN_HEAD) - tank_elev[i]


def hhmm(seconds):
    return "%d:%02d" % (seconds // 3600, seconds % 3600 // 60)


def check_file(path, backend, min_pressure):
    """Run all checks on one file; returns a list of problems (empty when clean)."""
    problems = []
    path = os.path.abspath(path)
    print("== %s" % os.path.relpath(path, os.getcwd()))
    print("   backend: %s" % backend.name)
    print("   size: %d bytes" % os.path.getsize(path))

    with tempfile.TemporaryDirectory(prefix="check_networks_") as tmp:
        try:
            backend.open(path, os.path.join(tmp, "report.rpt"), os.path.join(tmp, "out.bin"))
            n_nodes = backend.count(EN_NODECOUNT)
            n_links = backend.count(EN_LINKCOUNT)
            node_types = [backend.node_type(i) for i in range(1, n_nodes + 1)]
            link_types = [backend.link_type(i) for i in range(1, n_links + 1)]
            node_ids = [backend.node_id(i) for i in range(1, n_nodes + 1)]
            link_ids = [backend.link_id(i) for i in range(1, n_links + 1)]
            junctions = [i for i, t in enumerate(node_types, 1) if t == EN_JUNCTION]
            tanks = [i for i, t in enumerate(node_types, 1) if t == EN_TANK]
            n_res = node_types.count(EN_RESERVOIR)

            kinds = {}
            for t in link_types:
                label = LINK_TYPES.get(t, str(t))
                kinds[label] = kinds.get(label, 0) + 1
            print("   nodes: %d (%d junctions, %d reservoirs, %d tanks)"
                  % (n_nodes, len(junctions), n_res, len(tanks)))
            print("   links: %d (%s)" % (n_links, ", ".join(
                "%d %s" % (kinds[k], k) for k in sorted(kinds))))

            # Settings the programs rely on.
            check_ids(node_ids, "node", problems)
            check_ids(link_ids, "link", problems)
            if backend.flow_units() != EN_GPM:
                problems.append("flow units are not GPM")
            if backend.qual_type() != EN_CHEM:
                problems.append("quality type is not a chemical")
            if backend.get_time(EN_QUALSTEP) != 300:
                problems.append("quality time step is not 0:05")
            for i, t in enumerate(link_types, 1):
                if t in (EN_CVPIPE, EN_PIPE) and (backend.link_value(i, EN_KBULK) != 0
                                                   or backend.link_value(i, EN_KWALL) != 0):
                    problems.append("link %s has a reaction coefficient" % link_ids[i - 1])
                    break
            for i in tanks:
                if backend.node_value(i, EN_TANK_KBULK) != 0:
                    problems.append("tank %s has a reaction coefficient" % node_ids[i - 1])
            tank_elev = {i: backend.node_value(i, EN_ELEVATION) for i in tanks}
            tank_limits = {i: (backend.node_value(i, EN_MINLEVEL),
                               backend.node_value(i, EN_MAXLEVEL)) for i in tanks}

            # Hydraulics, step by step.
            backend.set_time(EN_DURATION, HOURS * 3600)
            t0 = time.time()
            backend.openH()
            backend.initH(0)
            worst = (float("inf"), None, None)
            tank_range = {i: [float("inf"), float("-inf")] for i in tanks}
            steps = 0
            while True:
                t = backend.runH()
                steps += 1
                pressures = backend.node_values(EN_PRESSURE, n_nodes)
                for i in junctions:
                    p = pressures[i - 1]
                    if p < worst[0]:
                        worst = (p, i, t)
                for i in tanks:
                    level = tank_level(backend, i, tank_elev)
                    lo, hi = tank_range[i]
                    tank_range[i] = [min(lo, level), max(hi, level)]
                tstep = backend.nextH()
                if tstep <= 0:
                    break
            final_levels = {i: tank_level(backend, i, tank_elev) for i in tanks}
            backend.closeH()
            t_hyd = time.time() - t0
            print("   hydraulics: %d steps to %s h, %.1f s" % (steps, hhmm(t), t_hyd))
            if t < HOURS * 3600:
                problems.append("hydraulics ended at %s instead of %d:00" % (hhmm(t), HOURS))
            print("   min junction pressure: %.2f psi at %s, time %s"
                  % (worst[0], node_ids[worst[1] - 1], hhmm(worst[2])))
            if not worst[0] > min_pressure:
                problems.append("pressure %.2f psi at %s at %s is not above %.1f psi"
                                % (worst[0], node_ids[worst[1] - 1], hhmm(worst[2]),
                                   min_pressure))
            for i in tanks:
                lo_lim, hi_lim = tank_limits[i]
                lo, hi = tank_range[i]
                print("   tank %-6s level %.2f..%.2f ft (limits %.1f..%.1f), final %.2f ft"
                      % (node_ids[i - 1], lo, hi, lo_lim, hi_lim, final_levels[i]))
                if lo <= lo_lim + 0.01:
                    problems.append("tank %s ran empty" % node_ids[i - 1])
                if hi >= hi_lim - 0.01:
                    problems.append("tank %s filled to overflow" % node_ids[i - 1])

            # Water quality over the same period.
            t0 = time.time()
            backend.solveH()
            t_solve = time.time() - t0
            backend.openQ()
            backend.initQ(0)
            qsteps = 0
            while True:
                backend.runQ()
                qsteps += 1
                left = backend.stepQ()
                if left <= 0:
                    break
            backend.closeQ()
            t_q = time.time() - t0
            print("   quality: solveH %.1f s, %d quality steps, total %.1f s"
                  % (t_solve, qsteps, t_q))
        except CheckFailed as exc:
            problems.append(str(exc))
        finally:
            backend.close()

    for p in problems:
        print("   PROBLEM: %s" % p)
    print("   %s" % ("OK" if not problems else "FAILED"))
    return problems


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Check that networks run 96 hours cleanly through the toolkit.")
    parser.add_argument("inp", nargs="+", help=".inp files to check")
    parser.add_argument("--backend", choices=["ctypes", "binding"], default="ctypes")
    parser.add_argument("--lib", default=DEFAULT_LIB, help="path of libepanet2.so")
    parser.add_argument("--min-pressure", type=float, default=0.0,
                        help="junction pressures must stay above this (psi)")
    args = parser.parse_args(argv)

    failed = False
    for path in args.inp:
        backend = CtypesBackend(args.lib) if args.backend == "ctypes" else BindingBackend()
        if check_file(path, backend, args.min_pressure):
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
