# The module is headless: it carries the model and the saved-world format, never the window's side.
import subprocess

import sylvara

WINDOW_SIDE = ("osgViewer", "osgText", "osgDB", "osgGA", "osgUtil", "cal3d", "openal", "sndfile", "X11", "GL")


def test_the_module_needs_no_window_character_or_sound_library():
    dynamic = subprocess.run(["readelf", "-d", sylvara.__file__], check=True, capture_output=True,
                             text=True).stdout
    needed = [line.split("[")[1].rstrip("]") for line in dynamic.splitlines() if "(NEEDED)" in line]
    assert any(name.startswith("libosg.so") for name in needed)
    assert [name for name in needed if any(part.lower() in name.lower() for part in WINDOW_SIDE)] == []


def test_a_world_lives_anywhere_and_saves_where_it_is_told(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    world = sylvara.World(size=2, seed=5)
    world.tick(20)
    world.save("here.sylvara")
    assert (tmp_path / "here.sylvara").is_file()
    assert sylvara.load("here.sylvara").tick_number == 20
