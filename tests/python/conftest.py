# Shared by the module's tests: where sylvara-sim is, and how to read what it wrote.
import csv
import os
import subprocess

import pytest

import sylvara

BIN = os.environ.get("SYLVARA_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "stage", "bin"))


def run_sim(folder, *args):
    """Runs sylvara-sim in folder with args; its census rows as lists of the CSV's text cells."""
    done = subprocess.run([os.path.join(BIN, "sylvara-sim"), "--csv", "run.csv", "--plot", "run.png",
                           "--traits", "traits.png", *args], cwd=folder, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    with open(os.path.join(folder, "run.csv"), newline="") as table:
        return list(csv.reader(table))


def cells(row):
    """A census dict as the CSV writes it, for an exact comparison with sylvara-sim's text."""
    def text(value):
        if isinstance(value, int):
            return str(value)
        return "" if value != value else f"{value:.3f}"
    return [text(v) for v in row.values()]


@pytest.fixture
def small_world():
    return sylvara.World(size=2, seed=11)
