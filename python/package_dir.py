"""Prints where packages go under the prefix given as the one argument, as a
path relative to it, for the interpreter that runs this: the nearest of the
site directories it imports from (a user's ~/.local, /usr/local, a venv), or
else where its own install scheme puts them."""

import pathlib
import site
import sys
import sysconfig

prefix = pathlib.Path(sys.argv[1]).resolve()
searched = [pathlib.Path(d).resolve() for d in [*site.getsitepackages(), site.getusersitepackages()]]
below = [d.relative_to(prefix) for d in searched if d != prefix and d.is_relative_to(prefix)]
if below:
    print(min(below, key=lambda d: len(d.parts)).as_posix())
else:
    platlib = pathlib.PurePath(sysconfig.get_path("platlib"))
    print(f"lib/{platlib.parent.name}/{platlib.name}")
