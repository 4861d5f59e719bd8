"""Installs the package with pip as a user would from a fresh checkout, into a
venv that sees the system's packages, and checks that it imports from / and
surveys the sample archive as tintsurvey does.

    pip_install_check.py SOURCE_DIR WORK_DIR MKPORTAL EXPECTED_REPORT

Exits with 77, skipped, where the interpreter cannot make a venv with pip.
"""

import json
import os
import pathlib
import shutil
import subprocess
import sys

SKIPPED = 77
SURVEY = """
import brackwater_dat as bd, json, sys
report = {f"0x{i:08X}": list(rgb) for i, rgb in bd.Archive(sys.argv[1]).survey().items()}
print(json.dumps({"file": bd.__file__, "report": report}))
"""


def run(*command, **options):
    done = subprocess.run(command, capture_output=True, text=True, **options)
    if done.returncode != 0:
        sys.exit(f"{' '.join(map(str, command))} exited {done.returncode}:\n{done.stdout}{done.stderr}")
    return done.stdout


def main(source, work, mkportal, expected_report):
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "PYTHONHOME")}
    venv = work / "venv"
    made = subprocess.run([sys.executable, "-m", "venv", "--clear", "--system-site-packages",
                           str(venv)], capture_output=True, text=True, env=env)
    python = venv / "bin" / "python"
    if made.returncode != 0 or subprocess.run([python, "-m", "pip", "--version"],
                                              capture_output=True, env=env).returncode != 0:
        print(f"skipped: {sys.executable} cannot make a venv with pip (install python3-venv "
              f"python3-pip): {made.stderr.strip()}")
        return SKIPPED

    # What a fresh checkout holds: no build trees, no metadata of earlier builds.
    checkout = work / "checkout"
    shutil.rmtree(checkout, ignore_errors=True)
    shutil.copytree(source, checkout, ignore=lambda directory, names: [
        n for n in names if n in (".git", "__pycache__") or n.endswith(".egg-info")
        or (pathlib.Path(directory) == source and n in ("build", "out"))])
    run(python, "-m", "pip", "install", "--no-build-isolation", "--no-index", checkout, env=env)

    archive = work / "client_portal.dat"
    run(mkportal, "sample", archive)
    shown = json.loads(run(python, "-c", SURVEY, archive, cwd="/", env=env))
    if not pathlib.Path(shown["file"]).is_relative_to(venv):
        sys.exit(f"brackwater_dat imported from {shown['file']}, not from {venv}")
    if shown["report"] != json.loads(expected_report.read_text()):
        sys.exit("the installed module's survey differs from tintsurvey's report")
    return 0


if __name__ == "__main__":
    source, work, mkportal, expected = sys.argv[1:]
    sys.exit(main(pathlib.Path(source).resolve(), pathlib.Path(work).resolve(), mkportal,
                  pathlib.Path(expected)))
