# A hostile caller: every bad argument is a Python error with sylvara-sim's reason, and the world
# stays whole and usable after it.
import math
import os
import signal
import threading

import pytest

import sylvara


@pytest.mark.parametrize("kwargs, error, reason", [
    ({"size": 5.0}, TypeError, "size must be a whole number"),
    ({"size": True}, TypeError, "size must be a whole number"),
    ({"size": 0}, ValueError, "--size"),
    ({"size": 101}, ValueError, "--size"),
    ({"size": 2, "genesis": "9,9"}, ValueError, "9,9"),
    ({"size": 2, "genesis": [(0, 0.5)]}, TypeError, "(column, row)"),
    ({"size": 2, "genesis": 3}, TypeError, "genesis must be"),
    ({"seed": -1}, ValueError, "--seed"),
    ({"seed": 2 ** 40}, ValueError, "--seed"),
    ({"seed": "7"}, TypeError, "seed must be"),
    ({"rules": {"animal.moveCots": 0.1}}, ValueError, "did you mean animal.moveCost"),
    ({"rules": {"animal.moveCost": math.nan}}, ValueError, "animal.moveCost"),
    ({"rules": {"animal\nmoveCost": 1}}, ValueError, "unknown rule animal?moveCost"),
    ({"rules": "/no/such\nrules.toml"}, ValueError, "/no/such?rules.toml"),
    ({"rules": {"animal.moveCost": "0.1"}}, TypeError, "must be a number"),
    ({"rules": {"mutation.chance": 1000}}, ValueError, "mutation.chance"),
    ({"rules": "/no/such/rules.toml"}, ValueError, "/no/such/rules.toml"),
    ({"rules": 3}, TypeError, "rules must be a path"),
    ({"keep": {"herbivores": -1}}, ValueError, "--keep"),
    ({"keep": {"wolves": 3}}, ValueError, "wolves"),
    ({"keep": {"plants": 2.5}}, TypeError, "whole number"),
    ({"keep": [("plants", 3)]}, TypeError, "keep must be a dict"),
])
def test_bad_world_arguments_are_refused_with_the_runners_reason(kwargs, error, reason):
    with pytest.raises(error) as raised:
        sylvara.World(**kwargs)
    assert reason in str(raised.value)
    assert "\n" not in str(raised.value)


def test_rules_that_cannot_run_together_are_refused_whole(small_world):
    before = small_world.rules.to_dict()
    with pytest.raises(ValueError, match="cannot run"):
        small_world.rules.update({"animal.birthEnergy": 0.9, "animal.breedAt": 0.5})
    assert small_world.rules.to_dict() == before


def test_rules_read_and_set_by_name(small_world, tmp_path):
    small_world.rules["animal.moveCost"] = 0.02
    assert small_world.rules["animal.moveCost"] == 0.02
    assert isinstance(small_world.rules["mutation.chance"], int)
    with pytest.raises(ValueError, match="did you mean"):
        small_world.rules["animal.movecost"]
    with pytest.raises(ValueError, match="did you mean"):
        small_world.rules["animal.movecost"] = 1
    with pytest.raises(ValueError):
        small_world.rules["animal.moveCost"] = math.inf
    with pytest.raises(ValueError):
        small_world.rules["animal.moveCost mutation.chance"] = 1
    with pytest.raises(TypeError):
        small_world.rules["animal.moveCost"] = None
    assert small_world.rules["animal.moveCost"] == 0.02
    assert "animal.moveCost" in small_world.rules and "nothing" not in small_world.rules
    assert len(dict(small_world.rules)) == len(small_world.rules)
    (tmp_path / "r.toml").write_text("[mutation]\nchance = 0\n")
    small_world.rules = {"animal.reach": 1}
    assert small_world.rules["animal.reach"] == 1
    small_world.rules = tmp_path / "r.toml"
    assert small_world.rules["mutation.chance"] == 0
    assert small_world.rules["animal.moveCost"] == 0.02


@pytest.mark.parametrize("line, reason", [
    ("apply 9,9", "off the board"),
    ("spawn herbivore 9000,1", "off the board"),
    ("screenshot a.png", "for a window"),
    ("load world.sylvara", r"sylvara.load\(path\)"),
    ("fly away", "unknown command"),
    ("", "no command"),
    ("set animal.moveCots=1", "did you mean"),
    ("apply 0,0\nquit", "control character"),
    ("@-3 apply 0,0", "not a tick"),
])
def test_bad_commands_are_refused_with_the_reason_a_command_file_gets(small_world, line, reason):
    with pytest.raises(ValueError, match=reason):
        small_world.command(line)
    small_world.tick(1)
    assert small_world.tick_number == 1


def test_a_command_for_a_past_tick_is_refused(small_world):
    small_world.tick(5)
    with pytest.raises(ValueError, match="has passed"):
        small_world.command("@3 apply 0,0")
    with pytest.raises(TypeError):
        small_world.command(b"apply 0,0")


def test_bad_ticks_are_refused(small_world):
    for n, error in [(-1, ValueError), (1.5, TypeError), ("3", TypeError), (None, TypeError),
                     (2 ** 80, ValueError), (2 ** 31, ValueError)]:
        with pytest.raises(error):
            small_world.tick(n)
    small_world.tick(0)
    assert small_world.tick_number == 0


def test_damaged_and_missing_saves_are_refused(tmp_path):
    with pytest.raises(FileNotFoundError):
        sylvara.load(tmp_path / "none.sylvara")
    (tmp_path / "junk.sylvara").write_bytes(b"not a world at all" * 100)
    with pytest.raises(ValueError, match="junk.sylvara"):
        sylvara.load(tmp_path / "junk.sylvara")
    world = sylvara.World(size=1, seed=1)
    world.save(tmp_path / "good.sylvara")
    data = bytearray((tmp_path / "good.sylvara").read_bytes())
    (tmp_path / "cut.sylvara").write_bytes(bytes(data[: len(data) // 2]))
    with pytest.raises(ValueError):
        sylvara.load(tmp_path / "cut.sylvara")
    with pytest.raises(TypeError):
        sylvara.load(42)
    with pytest.raises(ValueError):
        sylvara.load("a\0b")


def test_a_save_that_cannot_be_written_is_an_os_error_and_changes_nothing(small_world, tmp_path):
    with pytest.raises(OSError, match="no/such/folder"):
        small_world.save(tmp_path / "no" / "such" / "folder\n" / "w.sylvara")
    with pytest.raises(OSError, match="no/such/folder"):
        small_world.save(tmp_path / "no" / "such" / "folder" / "w.sylvara")
    # A command names its file before it runs: refused as a command file's line would be.
    with pytest.raises(ValueError, match="is a folder"):
        small_world.command(f"save {tmp_path}")
    small_world.tick(2)
    small_world.save(tmp_path / "w.sylvara")
    assert sylvara.load(tmp_path / "w.sylvara").tick_number == 2


def test_ctrl_c_stops_a_huge_tick_between_ticks_and_the_world_goes_on():
    world = sylvara.World(size=1, seed=3)
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        world.tick(10 ** 9)
    timer.join()
    reached = world.tick_number
    assert 0 < reached < 10 ** 9
    assert world.census()["tick"] == reached
    world.tick(3)
    assert world.tick_number == reached + 3


def test_a_quit_command_stops_the_ticks_at_its_tick(small_world):
    small_world.command("@40 quit")
    small_world.tick(100)
    assert small_world.tick_number == 40
    small_world.tick(10)
    assert small_world.tick_number == 50


def test_another_thread_cannot_use_a_ticking_world():
    world = sylvara.World(size=3, seed=1)
    world.command("@3000 quit")
    ticking = threading.Thread(target=world.tick, args=(10 ** 6,))
    ticking.start()
    refused = []
    while ticking.is_alive() and not refused:
        try:
            world.census()
        except RuntimeError as busy:
            refused.append(str(busy))
    ticking.join()
    assert refused and "busy" in refused[0]
    assert world.tick_number == 3000
    world.tick(1)


def test_worlds_ticking_in_two_threads_each_tick_as_alone(tmp_path):
    alone = []
    for seed in (31, 32):
        world = sylvara.World(size=1, seed=seed)
        world.tick(400)
        alone.append(world.census())
    worlds = [sylvara.World(size=1, seed=31), sylvara.World(size=1, seed=32)]

    # A save records the seed and a command may draw: neither may reach into the other world's tick.
    def run(world, index):
        for step in range(10):
            world.tick(40)
            world.save(tmp_path / f"w{index}-{step}.sylvara")
            world.command("tool select")

    threads = [threading.Thread(target=run, args=(w, i)) for i, w in enumerate(worlds)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert [str(w.census()) for w in worlds] == [str(row) for row in alone]


def test_a_scheduled_save_that_fails_stops_the_ticks_at_its_tick(tmp_path):
    folder = tmp_path / "gone"
    folder.mkdir()
    world = sylvara.World(size=1, seed=5)
    world.command(f"@5 save {folder}/w.sylvara")
    folder.rmdir()
    with pytest.raises(OSError, match="gone"):
        world.tick(10)
    assert world.tick_number == 5
    world.tick(1)


def test_a_select_of_an_organism_gone_warns_and_selects_nothing(small_world):
    with pytest.warns(UserWarning, match="no organism 999999 lives"):
        small_world.command("select 999999")
    small_world.tick(1)


def test_worlds_dropped_or_refused_leave_no_memory_behind():
    def resident_mb():
        with open("/proc/self/statm") as statm:
            return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 1e6

    def churn(times):
        for seed in range(times):
            world = sylvara.World(size=4, seed=seed)
            world.tick(20)
            del world
            with pytest.raises(ValueError):
                sylvara.World(size=4, rules={"mutation.chance": -1})

    churn(3)
    before = resident_mb()
    kept = [sylvara.World(size=4, seed=1)]
    one_world = resident_mb() - before
    kept.clear()
    before = resident_mb()
    churn(30)
    # Thirty worlds kept would hold some thirty times one world's memory.
    assert resident_mb() - before < max(3 * one_world, 5)
