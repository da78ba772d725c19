# A world driven from Python is sylvara-sim's world: the same census rows, and saves that go on
# exactly in either direction.
import sylvara

from conftest import cells, run_sim


def census_every(world, ticks, every=100):
    rows = [world.census()]
    for _ in range(ticks // every):
        world.tick(every)
        rows.append(world.census())
    return rows


def test_census_rows_equal_the_runners_csv(tmp_path):
    expected = run_sim(tmp_path, "--seed", "7", "--size", "2", "--ticks", "600")
    world = sylvara.World(size=2, seed=7)
    rows = census_every(world, 600)
    assert list(rows[0].keys()) == expected[0]
    assert [cells(r) for r in rows] == expected[1:]
    # The values themselves, not only their text, are the CSV's.
    for row, line in zip(rows, expected[1:]):
        assert [float(v) for v in row.values() if v == v] == [float(c) for c in line if c]


def test_rules_file_and_rescue_columns_equal_the_runners(tmp_path):
    rules = tmp_path / "r.toml"
    rules.write_text("[animal]\nmoveCost = 0.02\n[mutation]\nchance = 0\n")
    expected = run_sim(tmp_path, "--seed", "3", "--size", "1", "--ticks", "400", "--rules", str(rules),
                       "--keep", "carnivores=12")
    world = sylvara.World(size=1, seed=3, rules=rules, keep={"carnivores": 12})
    rows = census_every(world, 400)
    assert list(rows[0].keys()) == expected[0]
    assert [cells(r) for r in rows] == expected[1:]


def test_a_dict_of_rules_is_the_runners_set(tmp_path):
    expected = run_sim(tmp_path, "--seed", "5", "--size", "1", "--ticks", "300",
                       "--set", "animal.moveCost=0.02", "--set", "mutation.chance=0")
    world = sylvara.World(size=1, seed=5, rules={"animal.moveCost": 0.02, "mutation.chance": 0})
    assert [cells(r) for r in census_every(world, 300)] == expected[1:]


def test_python_save_goes_on_in_the_runner(tmp_path):
    whole = run_sim(tmp_path, "--seed", "9", "--size", "2", "--ticks", "600")
    world = sylvara.World(size=2, seed=9)
    world.tick(300)
    world.save(str(tmp_path / "w.sylvara"))
    resumed = run_sim(tmp_path, "--load", "w.sylvara", "--ticks", "300")
    assert resumed[1:] == whole[4:]


def test_runner_save_goes_on_in_python(tmp_path):
    whole = run_sim(tmp_path, "--seed", "9", "--size", "2", "--ticks", "600")
    run_sim(tmp_path, "--seed", "9", "--size", "2", "--ticks", "300", "--save", "w.sylvara")
    world = sylvara.load(tmp_path / "w.sylvara")
    assert world.tick_number == 300
    assert [cells(r) for r in census_every(world, 300)] == whole[4:]


def test_commands_at_their_ticks_equal_a_command_file(tmp_path):
    (tmp_path / "c.txt").write_text("@100 tool killer\n@100 apply 1,0\n@200 spawn herbivore 40,40\n"
                                    "@250 keep plants=30\n@300 set mutation.chance=0\n")
    expected = run_sim(tmp_path, "--seed", "4", "--size", "2", "--ticks", "400", "--commands", "c.txt")
    world = sylvara.World(size=2, seed=4)
    world.command("@100 tool killer")
    world.command("@100 apply 1,0")
    world.tick(200)
    world.command("spawn herbivore 40,40")
    world.tick(50)
    world.command("keep plants=30")
    world.tick(50)
    world.rules["mutation.chance"] = 0
    rows = [world.census()]
    world.tick(100)
    rows.append(world.census())
    assert [cells(r)[:len(expected[0])] for r in rows] == expected[-2:]


def test_worlds_taking_turns_each_draw_what_they_would_alone():
    alone = sylvara.World(size=1, seed=21)
    alone.tick(300)
    first, second = sylvara.World(size=1, seed=21), sylvara.World(size=1, seed=22)
    for _ in range(30):
        first.tick(7)
        second.tick(3)
    first.tick(90)
    assert cells(first.census()) == cells(alone.census())


def test_a_reloaded_world_saves_and_goes_on_as_the_first(tmp_path):
    world = sylvara.World(size=1, seed=2)
    world.tick(150)
    world.save(tmp_path / "a.sylvara")
    again = sylvara.load(tmp_path / "a.sylvara")
    world.tick(150)
    again.tick(150)
    assert cells(world.census()) == cells(again.census())
    assert world.newick() == again.newick()
