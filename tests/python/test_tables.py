# The organisms and the lineage as numpy columns: the same organisms the census counts, and the same
# tables sylvara-sim writes.
import csv
import math

import numpy as np
import pandas as pd
import pytest

import sylvara

from conftest import run_sim

ANIMAL_TRAITS = ["speed", "adrenaline", "spawnEfficiency", "size", "preySize"]
PLANT_TRAITS = ["offspring", "spawnRadius", "spawnEfficiency", "size"]
COLUMN = {"spawnEfficiency": "spawn_efficiency", "preySize": "prey_size", "spawnRadius": "spawn_radius",
          "speed": "speed", "adrenaline": "adrenaline", "size": "size", "offspring": "offspring"}


@pytest.fixture(scope="module")
def grown():
    world = sylvara.World(size=3, seed=13)
    world.tick(700)
    before = on_middle_tile(world.organisms()).sum()
    # Some dying organisms too: the killer's victims play their death for a while.
    world.command("tool killer")
    world.command("apply 1,1")
    world.tick(1)
    return world, before


def on_middle_tile(table):
    return (table["x"] >= 150) & (table["x"] < 300) & (table["y"] >= 150) & (table["y"] < 300)


def test_organisms_are_those_the_census_counts(grown):
    grown = grown[0]
    census = grown.census()
    table = grown.organisms()
    assert len({len(column) for column in table.values()}) == 1
    for kind, group, traits in [("herbivore", "herbivores", ANIMAL_TRAITS), ("carnivore", "carnivores", ANIMAL_TRAITS),
                                ("plant", "plants", PLANT_TRAITS)]:
        mine = table["kind"] == kind
        assert mine.sum() == census[group] > 0
        for trait in traits:
            values = table[COLUMN[trait]][mine]
            assert f"{values.mean():.3f}" == f"{census[f'{kind}_{trait}_mean']:.3f}"
            assert f"{values.std():.3f}" == f"{census[f'{kind}_{trait}_sd']:.3f}"
        assert f"{table['generation'][mine].mean():.3f}" == f"{census[f'{kind}_generation_mean']:.3f}"
        assert table["generation"][mine].max() == census[f"{kind}_generation_max"]
    plants = table["kind"] == "plant"
    assert np.isnan(table["speed"][plants]).all() and not np.isnan(table["offspring"][plants]).any()
    assert np.isnan(table["spawn_radius"][~plants]).all()


def test_organisms_stand_on_the_board_and_know_their_lineage(grown):
    grown, before_kill = grown
    table = grown.organisms()
    assert len(np.unique(table["id"])) == len(table["id"])
    assert ((table["x"] >= 0) & (table["x"] < 450) & (table["y"] >= 0) & (table["y"] < 450)).all()
    # The killed tile's organisms are dying, and no longer among the living; only one that walked in
    # during the tick may stand there.
    assert before_kill > 10 and on_middle_tile(table).sum() <= 2
    assert (table["energy"] <= table["max_energy"] + 1e-9).all()
    born = table["parent"] >= 0
    assert born.any() and (table["generation"][born] > 0).all() and (table["generation"][~born] == 0).all()
    genotypes = pd.DataFrame(grown.genotypes()).set_index("id")
    living = pd.Series(table["genotype"]).value_counts()
    assert (genotypes.loc[living.index, "living_organisms"] == living).all()
    assert genotypes["living_organisms"].sum() == len(table["id"])


def test_an_empty_board_gives_empty_columns():
    world = sylvara.World(size=1, genesis="none", seed=1)
    table = world.organisms()
    assert all(len(column) == 0 for column in table.values())
    assert table["kind"].dtype.kind == "U"
    assert math.isnan(world.census()["herbivore_speed_mean"])
    assert len(world.genotypes()["id"]) == 0


def test_lineage_equals_the_runners_files(tmp_path):
    run_sim(tmp_path, "--seed", "17", "--size", "2", "--ticks", "500", "--newick", "tree.nwk",
            "--phylogeny", "phylogeny.csv", "--phylogeny-extant")
    world = sylvara.World(size=2, seed=17)
    world.tick(500)
    assert world.newick() == (tmp_path / "tree.nwk").read_text()
    theirs = pd.read_csv(tmp_path / "phylogeny.csv")
    ours = pd.DataFrame(world.genotypes())
    assert list(ours.columns) == list(theirs.columns)
    pd.testing.assert_frame_equal(ours, theirs, check_dtype=False)


def test_genotypes_of_a_loaded_world_are_the_saved_ones(tmp_path):
    world = sylvara.World(size=1, seed=8)
    world.tick(300)
    world.save(tmp_path / "w.sylvara")
    again = sylvara.load(tmp_path / "w.sylvara")
    pd.testing.assert_frame_equal(pd.DataFrame(world.genotypes()), pd.DataFrame(again.genotypes()))
    for name, column in world.organisms().items():
        np.testing.assert_array_equal(column, again.organisms()[name])


def test_genesis_tiles_and_columns_that_outlive_their_table():
    world = sylvara.World(size=2, genesis=[(1, 0)], seed=6)
    census = world.census()
    assert (census["herbivores"], census["carnivores"], census["plants"]) == (10, 10, 10)
    x = world.organisms()["x"]
    expected = x.copy()
    del world
    import gc
    gc.collect()
    np.testing.assert_array_equal(x, expected)
    assert ((x >= 150) & (x < 300)).all()
