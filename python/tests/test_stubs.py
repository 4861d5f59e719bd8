"""The type stubs name what the module has, no more and no less."""

import ast
import pathlib
import subprocess
import sys
import textwrap

import brackwater_dat as bd


def stub_names():
    """{top-level name: set of its public member names (None for a function)}."""
    tree = ast.parse(pathlib.Path(bd.__file__).with_suffix(".pyi").read_text())
    names = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members = {n.name for n in node.body if isinstance(n, ast.FunctionDef)}
            members |= {n.target.id for n in node.body if isinstance(n, ast.AnnAssign)}
            names[node.name] = {m for m in members if not m.startswith("_")}
        elif isinstance(node, ast.FunctionDef):
            names[node.name] = None
    return names


def test_stubs_match_the_module():
    stubbed = stub_names()
    public = {n for n in dir(bd) if not n.startswith("_") and not isinstance(getattr(bd, n), type(bd))}
    assert set(stubbed) == public
    for name, members in stubbed.items():
        cls = getattr(bd, name)
        if members is None or issubclass(cls, BaseException) or cls is bd.ReadLimit:
            continue
        assert members == {m for m in dir(cls) if not m.startswith("_")}, name


def test_an_interpreter_that_cannot_load_the_extension_is_told_which_can(tmp_path):
    package = tmp_path / "brackwater_dat"
    package.mkdir()
    (package / "__init__.py").write_text(pathlib.Path(bd.__file__).read_text())
    (package / "_built_for.py").write_text(textwrap.dedent("""
        INTERPRETER = "/opt/python3.99/bin/python3"
        VERSION = "3.99.0"
        EXTENSION = "_native.cpython-399-x86_64-linux-gnu.so"
    """))
    (package / "_native.cpython-399-x86_64-linux-gnu.so").write_bytes(b"")
    failed = subprocess.run([sys.executable, "-c", "import brackwater_dat"], cwd=tmp_path,
                            capture_output=True, text=True)
    assert failed.returncode == 1
    assert ("ImportError: brackwater_dat was built for /opt/python3.99/bin/python3 (Python 3.99.0"
            in failed.stderr)
    assert f"this interpreter, {sys.executable}" in failed.stderr
