"""Keyword arguments to the command line's own arguments.

Every option of a tesmar command is a keyword argument of the same name with
underscores for dashes (``random_events=`` for ``--random-events``); the
names are read from the command line itself, so an option it gains is there
at once.
"""
from __future__ import annotations

from typing import Any, Iterable, List

from . import _core


def _text(value: Any) -> str:
    if isinstance(value, float):
        return repr(value)
    return str(value)


def command_arguments(command: str, options: dict, reserved: Iterable[str] = ()) -> List[str]:
    """The arguments of ``tesmar COMMAND`` for the keyword arguments given.

    True gives a flag, False and None leave an option out, a list or tuple
    repeats the option for each value. A name the command does not know
    raises TypeError.
    """
    known = set(_core.option_names(command)) - set(reserved)
    arguments: List[str] = []
    for key, value in options.items():
        name = key.replace("_", "-")
        if name not in known:
            raise TypeError(f"unexpected keyword argument '{key}': tesmar {command} has no --{name} "
                            f"(its options: {', '.join(sorted(n.replace('-', '_') for n in known))})")
        if value is None or value is False:
            continue
        if value is True:
            arguments.append(f"--{name}")
        elif isinstance(value, (list, tuple, set, frozenset)):
            arguments.extend(f"--{name}={_text(item)}" for item in value)
        else:
            arguments.append(f"--{name}={_text(value)}")
    return arguments
