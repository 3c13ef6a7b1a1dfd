"""Placements and reports from Python against the command line's."""
import json

import pytest

import tesmar
from conftest import last_line, run


def without_time(answer):
    return {key: value for key, value in answer.items() if key != "seconds"}


@pytest.mark.parametrize("options, arguments", [
    (dict(sensors=3, curve=True), ["--sensors", "3", "--curve"]),
    (dict(sensors=2, statistic="cvar", alpha=0.8), ["--sensors", "2", "--statistic", "cvar", "--alpha", "0.8"]),
    (dict(sensors=3, objective="z2", fixed=["J38"], exclude=("J17", "J120")),
     ["--sensors", "3", "--objective", "z2", "--fixed", "J38", "--exclude", "J17", "J120"]),
    (dict(sensors=2, objective="detect", exact=True), ["--sensors", "2", "--objective", "detect", "--exact"]),
    (dict(budget=2.5, default_cost=1), ["--budget", "2.5", "--default-cost", "1"]),
])
def test_place_equals_the_command_lines_json(program, built, options, arguments):
    _, out, _ = run(program, "place", built, *arguments, "--json")
    expected = json.loads(out)
    best = tesmar.place(tesmar.open_set(built), **options)
    assert without_time(best.data) == without_time(expected)
    last = expected["placements"][-1]
    assert (best.nodes, best.value, best.bound, best.gap) == (last["nodes"], last["value"], last["bound"], last["gap"])
    assert len(best.curve) == len(expected["placements"])
    _, text, _ = run(program, "place", built, *arguments)
    assert best.text == text


def test_candidates_come_from_a_file(program, built, tmp_path):
    candidates = tmp_path / "candidates.txt"
    candidates.write_text("J1 J2 # a comment\nJ38 J120\n")
    _, out, _ = run(program, "place", built, "--sensors", "2", "--candidates", candidates, "--json")
    best = tesmar.place(built, sensors=2, candidates=candidates)
    assert without_time(best.data) == without_time(json.loads(out)) and set(best.nodes) <= {"J1", "J2", "J38", "J120"}
    assert "<table>" in best._repr_html_()


@pytest.mark.parametrize("options, arguments", [
    (dict(sensors=2, fixed=["NOPE"]), ["--sensors", "2", "--fixed", "NOPE"]),
    (dict(sensors=0), ["--sensors", "0"]),
    (dict(sensors=2, alpha=1.5, statistic="cvar"), ["--sensors", "2", "--alpha", "1.5", "--statistic", "cvar"]),
    (dict(sensors=200), ["--sensors", "200"]),
    (dict(sensors=2, statistic="median"), ["--sensors", "2", "--statistic", "median"]),
])
def test_bad_placements_raise_the_command_lines_message(program, built, options, arguments):
    code, _, err = run(program, "place", built, *arguments, check=False)
    assert code == 2
    with pytest.raises(tesmar.InputError) as raised:
        tesmar.place(built, **options)
    assert str(raised.value) == last_line(err)


def test_report_writes_the_command_lines_page(program, built, tmp_path):
    page = tesmar.report(tesmar.open_set(built), tmp_path / "python.html", place=3)
    run(program, "report", built, "-o", tmp_path / "program.html", "--place", "3")
    assert page == str(tmp_path / "python.html")
    ours, theirs = (tmp_path / "python.html").read_text(), (tmp_path / "program.html").read_text()
    assert len(ours) > 10000 and ours.replace("python.html", "") == theirs.replace("program.html", "")
    given = tesmar.report(built, tmp_path / "given.html", sensors=["J38", "J120"], objective="z3")
    assert "J120" in open(given).read()
    _, _, err = run(program, "report", built, "-o", tmp_path / "bad.html", "--sensors", "J38", "NOPE", check=False)
    with pytest.raises(tesmar.InputError) as raised:
        tesmar.report(built, tmp_path / "bad.html", sensors=["J38", "NOPE"])
    assert str(raised.value) == last_line(err)
