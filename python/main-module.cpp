// The Python module "sylvara": a headless world to step, read and steer from Python.
#include "python/PythonCall.h"
#include "python/PythonWorld.h"
#include "python/RulesView.h"
#include "python/WorldSession.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <filesystem>
#include <string>

namespace py = pybind11;

PYBIND11_MODULE(sylvara, m) {
    m.doc() = R"(Sylvara's world, headless, from Python.

Build a world, tick it, read its census, its organisms and its lineage, steer it with the
command language, and save it where sylvara-sim can go on with it (and the other way round):

    import sylvara
    world = sylvara.World(size=5, seed=7)
    world.tick(1000)
    world.census()["herbivores"]

A fixed seed gives the census rows sylvara-sim writes for the same world, value for value.)";
    m.attr("__version__") = SYLVARA_VERSION;

    py::class_<RulesView>(m, "Rules", R"(The rules a world ticks under, by name ("animal.moveCost").

Reads like a dict; setting a rule, or several with update(), takes effect from the next tick. A
refused value changes nothing and raises ValueError with the reason sylvara-sim gives.)")
        .def("__getitem__", &RulesView::get, py::arg("name"), "The rule's value: int or float.")
        .def("__setitem__", &RulesView::set, py::arg("name"), py::arg("value"),
             "Sets one rule, as the command \"set NAME=VALUE\" would.")
        .def("update", &RulesView::update, py::arg("settings"),
             "Sets every rule of a dict at once: all of them or, on a refusal, none.")
        .def("__contains__", &RulesView::contains, py::arg("name"))
        .def("__iter__", [](const RulesView& view) { return py::iter(py::cast(view.keys())); })
        .def("__len__", [](const RulesView& view) { return view.keys().size(); })
        .def("keys", &RulesView::keys, "Every rule's name, in the rule table's order.")
        .def("items", [](const RulesView& view) { return view.asDict().attr("items")(); })
        .def("values", [](const RulesView& view) { return view.asDict().attr("values")(); })
        .def("to_dict", &RulesView::asDict, "Every rule and its value, as a plain dict.")
        .def("__repr__", &RulesView::repr);

    py::class_<PythonWorld>(m, "World",
                            R"(A headless Sylvara world: a square board of tiles with its plants, herbivores
and carnivores.

World(size=5, genesis="all", seed=None, rules=None, keep=None)

size     tiles per side.
genesis  the tiles populated at the start: "all", "none", "C,R;C,R" (column and row from
         0) or a list of (column, row) pairs.
seed     a whole number for a world that repeats exactly; None reseeds from the clock.
rules    a rules file (TOML) or a dict of rule names to values over the defaults.
keep     rescue's floors: a dict such as {"herbivores": 5, "plants": 20}.

A refused argument raises TypeError or ValueError with the reason sylvara-sim prints.)")
        .def(py::init(&PythonWorld::create), py::arg("size") = 5, py::arg("genesis") = "all",
             py::arg("seed") = py::none(), py::arg("rules") = py::none(), py::arg("keep") = py::none())
        .def("tick", &PythonWorld::tick, py::arg("n") = 1, R"(Runs n ticks, the interpreter free meanwhile.

Commands due are carried out between ticks, as sylvara-sim carries out a command file. Ctrl-C
(KeyboardInterrupt) stops it between two ticks, the world whole at the tick it reached; a
"quit" command stops it at its tick. A save the commands ask for that cannot be written stops
it with OSError.)")
        .def_property_readonly("tick_number", &PythonWorld::tickNumber,
                               "The ticks run since the world began.")
        .def("census", &PythonWorld::census, R"(The census row sylvara-sim writes for this tick, as a dict.

The keys are the CSV's columns ("tick", "herbivores", "herbivore_speed_mean", ...); a kind
with none alive has NaN for its traits, as pandas reads the CSV's empty cells.)")
        .def("organisms", &PythonWorld::organisms,
             R"(Every living organism, as a dict of numpy arrays, one entry per column.

id, kind ("herbivore", "carnivore", "plant"), x, y, energy, max_energy, generation,
parent (-1 for none), genotype, then the traits: speed, adrenaline, spawn_efficiency,
size, prey_size, offspring, spawn_radius (NaN for a trait the kind has not).)")
        .def("genotypes", &PythonWorld::genotypes, R"(The phylogeny table, as a dict of numpy arrays.

pandas.DataFrame(world.genotypes()) is the artificial-life standard's table: id,
ancestor_list, origin_time, destruction_time (NaN while a member lives), kind, the genome's
traits, depth, total_organisms, peak_organisms and living_organisms. It holds the genotypes
with living members and their ancestors.)")
        .def("newick", &PythonWorld::newick,
             "The tree of the living genotypes in Newick, branch lengths in ticks, as --newick writes it.")
        .def_property("rules", &PythonWorld::rules, &PythonWorld::setRules,
                      R"(The rules in force, by name (see Rules).

Assign a dict to set several at once, or a rules file's path to read it over them.)",
                      py::keep_alive<0, 1>())
        .def("command", &PythonWorld::command, py::arg("line"), R"(Carries out a line of the command language.

"apply 1,1", "tool killer", "spawn herbivore 120,80", "set animal.moveCost=0.02", "keep
plants=50", "save w.sylvara"; "@T COMMAND" waits for tick T. Rules, floors, the tool and the
selection change at once; spawns and tools applied are carried out just ahead of the next
tick. A line sylvara-sim would refuse raises ValueError with its reason.)")
        .def("save", &PythonWorld::save, py::arg("path"),
             "Saves the world to a file that sylvara-sim --load (or sylvara.load) goes on from exactly.")
        .def("__repr__", &PythonWorld::repr);

    m.def(
        "run_tree",
        [] {
            std::string error;
            const std::string folder = WorldSession::findWorkFolder(error);
            if (folder.empty())
                PythonCall::raise(PyExc_FileNotFoundError, error);
            return std::filesystem::path(folder).parent_path().lexically_normal().string();
        },
        R"(The run tree beside the module: the build's stage/ or the installed share/sylvara. Its
rules/ folder holds the rule sets Sylvara ships, such as lasting.toml. Worlds need no run tree.)");
    m.def("load", &PythonWorld::load, py::arg("path"), R"(A saved world, going on with its own seed and rules.

A file that is missing raises FileNotFoundError; one that is no saved world, or is damaged,
ValueError with the reason sylvara-sim gives.)");
}
