#include "python/PythonWorld.h"

#include "life/Animal.h"
#include "life/GenotypeTable.h"
#include "plants/Plant.h"
#include "python/ColumnBlock.h"
#include "python/PythonCall.h"
#include "save/SavedWorldSchema.h"
#include "save/WorldRecord.h"
#include "sim/PhylogenyFiles.h"
#include "world/ScenePrefetch.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <pybind11/numpy.h>

#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <vector>

namespace {

using Call = PythonCall;

// A census cell: blank (a kind with none alive) is NaN, as pandas reads the CSV's.
py::object cell(const std::string& text) {
    if (text.empty())
        return py::float_(std::numeric_limits<double>::quiet_NaN());
    if (text.find('.') != std::string::npos)
        return py::float_(std::strtod(text.c_str(), nullptr));
    return py::int_(std::strtoll(text.c_str(), nullptr, 10));
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        cells.push_back(line.substr(start, comma - start));
    cells.push_back(line.substr(start));
    return cells;
}

// A numpy array of short strings, filled without a Python object per row.
py::array textColumn(const std::vector<const char*>& values, size_t width) {
    py::array column(py::dtype("<U" + std::to_string(width)),
                     std::vector<py::ssize_t>{static_cast<py::ssize_t>(values.size())});
    auto* out = static_cast<char32_t*>(column.mutable_data());
    std::memset(out, 0, values.size() * width * sizeof(char32_t));
    for (size_t i = 0; i < values.size(); ++i)
        for (size_t c = 0; c < width && values[i][c]; ++c)
            out[i * width + c] = static_cast<unsigned char>(values[i][c]);
    return column;
}

template <typename T> py::array_t<T> column(size_t rows) {
    return py::array_t<T>(static_cast<py::ssize_t>(rows));
}

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Whether the census counts it: not yet dying, and a kind it knows.
bool counted(const Life& life) {
    if (life.getState() == STATE_DEAD)
        return false;
    if (life.getCategory() == CATEGORY_PLANT)
        return true;
    const int kind = static_cast<const Animal&>(life).getKind();
    return kind == KIND_HERBIVORE || kind == KIND_CARNIVORE;
}

} // namespace

WorldSession& PythonWorld::ready() {
    if (busy)
        Call::raise(PyExc_RuntimeError, "the world is busy in another thread");
    if (!broken.empty())
        Call::raise(PyExc_RuntimeError, broken);
    return *session;
}

void PythonWorld::warnNotes() {
    for (const std::string& note : session->takeNotes())
        PyErr_WarnEx(PyExc_UserWarning, note.c_str(), 1);
}

std::string PythonWorld::newick() {
    return PhylogenyFiles::newick(ready().getWorld().getGenotypes());
}

std::unique_ptr<PythonWorld> PythonWorld::create(const py::object& size, const py::object& genesis,
                                                 const py::object& seed, const py::object& rules,
                                                 const py::object& keep) {
    // The words sylvara-sim takes, so that a refusal is the line it prints.
    std::vector<std::string> words;
    if (!Call::isWhole(size))
        Call::raise(PyExc_TypeError,
                    "size must be a whole number of tiles per side, not " + Call::typeName(size));
    words.insert(words.end(), {"--size", py::str(size)});
    if (py::isinstance<py::str>(genesis)) {
        words.insert(words.end(), {"--genesis", genesis.cast<std::string>()});
    } else if (py::isinstance<py::list>(genesis) || py::isinstance<py::tuple>(genesis)) {
        std::string tiles;
        for (const py::handle& tile : genesis) {
            const bool pair = (py::isinstance<py::tuple>(tile) || py::isinstance<py::list>(tile)) &&
                              py::len(tile) == 2 && Call::isWhole(tile[py::int_(0)]) &&
                              Call::isWhole(tile[py::int_(1)]);
            if (!pair)
                Call::raise(PyExc_TypeError, "genesis tiles must be (column, row) pairs of whole numbers");
            tiles += (tiles.empty() ? "" : ";") + std::string(py::str(tile[py::int_(0)])) + "," +
                     std::string(py::str(tile[py::int_(1)]));
        }
        words.insert(words.end(), {"--genesis", tiles.empty() ? "none" : tiles});
    } else {
        Call::raise(PyExc_TypeError,
                    "genesis must be \"all\", \"none\", \"C,R;C,R\" or a list of (column, row), not " +
                        Call::typeName(genesis));
    }
    if (!seed.is_none()) {
        if (!Call::isWhole(seed))
            Call::raise(PyExc_TypeError, "seed must be a whole number or None, not " + Call::typeName(seed));
        words.insert(words.end(), {"--seed", py::str(seed)});
    }
    if (py::isinstance<py::dict>(rules)) {
        for (const auto& [name, value] : rules.cast<py::dict>()) {
            if (!py::isinstance<py::str>(name))
                Call::raise(PyExc_TypeError, "rule names must be str, not " + Call::typeName(name));
            if (!Call::isNumber(value))
                Call::raise(PyExc_TypeError, "rule " + name.cast<std::string>() + " must be a number, not " +
                                                 Call::typeName(value));
            words.insert(words.end(), {"--set", name.cast<std::string>() + "=" + Call::numberText(value)});
        }
    } else if (!rules.is_none()) {
        words.insert(words.end(), {"--rules", Call::pathOf(rules, "rules")});
    }
    if (py::isinstance<py::dict>(keep)) {
        for (const auto& [kind, floor] : keep.cast<py::dict>()) {
            if (!py::isinstance<py::str>(kind))
                Call::raise(PyExc_TypeError, "keep's kinds must be str, not " + Call::typeName(kind));
            if (!Call::isWhole(floor))
                Call::raise(PyExc_TypeError, "keep's floor of " + kind.cast<std::string>() +
                                                 " must be a whole number, not " + Call::typeName(floor));
            words.insert(words.end(),
                         {"--keep", kind.cast<std::string>() + "=" + std::string(py::str(floor))});
        }
    } else if (!keep.is_none()) {
        Call::raise(PyExc_TypeError, "keep must be a dict of kinds to floors, not " + Call::typeName(keep));
    }
    for (const std::string& word : words)
        if (word.find('\0') != std::string::npos)
            Call::raise(PyExc_ValueError, "an argument holds a NUL character");
    std::string error;
    std::unique_ptr<WorldSession> made;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(Call::tickLock());
        made = WorldSession::create(words, error);
    }
    if (!made)
        Call::raise(PyExc_ValueError, error);
    return std::make_unique<PythonWorld>(std::move(made));
}

std::unique_ptr<PythonWorld> PythonWorld::load(const py::object& given) {
    const std::string path = Call::pathOf(given, "path");
    struct stat info;
    std::string error;
    std::unique_ptr<WorldSession> made;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(Call::tickLock());
        made = WorldSession::load(path, error);
    }
    if (!made)
        Call::raise(stat(path.c_str(), &info) != 0 ? PyExc_FileNotFoundError : PyExc_ValueError, error);
    return std::make_unique<PythonWorld>(std::move(made));
}

void PythonWorld::tick(const py::object& given) {
    if (!Call::isWhole(given))
        Call::raise(PyExc_TypeError, "n must be a whole number of ticks, not " + Call::typeName(given));
    WorldSession& world = ready();
    const long long at = world.getTick();
    if (py::bool_(given < py::int_(0)))
        Call::raise(PyExc_ValueError,
                    "tick(" + std::string(py::str(given)) + "): the number of ticks must be 0 or more");
    long long n = 0;
    try {
        n = given.cast<long long>();
    } catch (const py::cast_error&) {
        n = WorldRecord::LAST_TICK + 1LL;
    }
    if (n > WorldRecord::LAST_TICK - at)
        Call::raise(PyExc_ValueError, "tick(" + std::string(py::str(given)) + ") from tick " +
                                          std::to_string(at) + " would pass the last tick a run can reach, " +
                                          std::to_string(WorldRecord::LAST_TICK));
    busy = true;
    bool interrupted = false;
    std::string stop;
    std::string failure;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(Call::tickLock());
        try {
            world.activate();
            for (long long i = 0; i < n; ++i) {
                if (!world.tick(stop))
                    break;
                // Ctrl-C is seen between ticks: the world stops whole, at the tick it reached.
                py::gil_scoped_acquire locked;
                if (PyErr_CheckSignals() != 0) {
                    interrupted = true;
                    break;
                }
            }
        } catch (const std::bad_alloc&) {
            failure = "out of memory at tick " + std::to_string(world.getTick()) +
                      ": the world stopped in the middle of a tick and cannot go on";
        } catch (const std::exception& e) {
            failure = std::string(e.what()) + " at tick " + std::to_string(world.getTick()) +
                      ": the world stopped in the middle of a tick and cannot go on";
        }
    }
    busy = false;
    warnNotes();
    if (!failure.empty()) {
        broken = failure;
        Call::raise(failure.compare(0, 13, "out of memory") == 0 ? PyExc_MemoryError : PyExc_RuntimeError,
                    failure);
    }
    if (interrupted)
        throw py::error_already_set();
    if (!stop.empty())
        Call::raise(PyExc_OSError, stop);
}

py::dict PythonWorld::census() {
    WorldSession& world = ready();
    const std::vector<std::string> names = world.censusColumns();
    const std::vector<std::string> cells = split(world.censusRow());
    py::dict row;
    for (size_t i = 0; i < names.size() && i < cells.size(); ++i)
        row[py::str(names[i])] = cell(cells[i]);
    return row;
}

py::dict PythonWorld::organisms() {
    World& world = ready().getWorld();
    const auto& lives = world.getLives();
    const size_t capacity = lives.size();
    // The columns in the table's order, each with its numpy type.
    enum { ID, KIND, X, Y, ENERGY, MAX_ENERGY, GENERATION, PARENT, GENOTYPE, TRAIT };
    const char* const NAMES[] = {"id",       "kind",       "x",          "y",
                                 "energy",   "max_energy", "generation", "parent",
                                 "genotype", "speed",      "adrenaline", "spawn_efficiency",
                                 "size",     "prey_size",  "offspring",  "spawn_radius"};
    constexpr size_t COLUMNS = TRAIT + 7;
    const py::dtype whole = py::dtype::of<int32_t>();
    const py::dtype real = py::dtype::of<double>();
    const py::dtype text("<U9");
    std::vector<py::dtype> types{whole, text, real, real, real, real, whole, whole, whole};
    types.resize(COLUMNS, real);
    std::vector<size_t> widths;
    for (const py::dtype& type : types)
        widths.push_back(static_cast<size_t>(type.itemsize()));
    const ColumnBlock block(widths, capacity);
    int32_t* id = block.at<int32_t>(ID);
    char32_t* kind = block.at<char32_t>(KIND);
    double* x = block.at<double>(X);
    double* y = block.at<double>(Y);
    double* energy = block.at<double>(ENERGY);
    double* maxEnergy = block.at<double>(MAX_ENERGY);
    int32_t* generation = block.at<int32_t>(GENERATION);
    int32_t* parent = block.at<int32_t>(PARENT);
    int32_t* genotype = block.at<int32_t>(GENOTYPE);
    double* trait[7];
    for (size_t t = 0; t < 7; ++t)
        trait[t] = block.at<double>(TRAIT + t);
    static const char32_t KINDS[3][9] = {{'h', 'e', 'r', 'b', 'i', 'v', 'o', 'r', 'e'},
                                         {'c', 'a', 'r', 'n', 'i', 'v', 'o', 'r', 'e'},
                                         {'p', 'l', 'a', 'n', 't'}};
    // One walk, asking for each organism's memory a few steps ahead: on a big board they lie all over
    // memory, and one met unasked costs a trip to it.
    constexpr int AHEAD = 8;
    auto ahead = lives.begin();
    for (int a = 0; a < AHEAD && ahead != lives.end(); ++a, ++ahead)
        ScenePrefetch::range(ahead->second.get(), sizeof(Animal));
    size_t i = 0;
    for (auto walk = lives.begin(); walk != lives.end(); ++walk) {
        if (ahead != lives.end()) {
            ScenePrefetch::range(ahead->second.get(), sizeof(Animal));
            ++ahead;
        }
        const Life& life = *walk->second;
        if (!counted(life))
            continue;
        id[i] = life.getId();
        generation[i] = life.getGeneration();
        parent[i] = life.getParentId();
        genotype[i] = life.getGenotypeId();
        energy[i] = life.getEnergy();
        maxEnergy[i] = life.getMaxEnergy();
        trait[2][i] = life.getSpawnEfficiency();
        trait[3][i] = life.getGenomeSize();
        osg::Vec3d position;
        int name = 2;
        if (life.getCategory() == CATEGORY_PLANT) {
            const Plant& plant = static_cast<const Plant&>(life);
            position = plant.getPosition();
            trait[0][i] = trait[1][i] = trait[4][i] = NaN;
            trait[5][i] = plant.getOffspring();
            trait[6][i] = plant.getSpawnRadius();
        } else {
            const Animal& animal = static_cast<const Animal&>(life);
            name = animal.getKind() == KIND_HERBIVORE ? 0 : 1;
            position = animal.getPosition();
            trait[0][i] = animal.getSpeed();
            trait[1][i] = animal.getAdrenaline();
            trait[4][i] = animal.getPreySize();
            trait[5][i] = trait[6][i] = NaN;
        }
        std::memcpy(kind + 9 * i, KINDS[name], sizeof KINDS[name]);
        x[i] = position.x();
        y[i] = position.y();
        ++i;
    }
    py::dict table;
    for (size_t column = 0; column < COLUMNS; ++column)
        table[NAMES[column]] = block.column(column, types[column], i);
    return table;
}

py::dict PythonWorld::genotypes() {
    const GenotypeTable& table = ready().getWorld().getGenotypes();
    const std::vector<const Genotype*> kept = table.sorted(false);
    const size_t rows = kept.size();
    auto ids = column<int64_t>(rows), origins = column<int64_t>(rows), depths = column<int64_t>(rows),
         totals = column<int64_t>(rows), peaks = column<int64_t>(rows), livings = column<int64_t>(rows);
    auto destructions = column<double>(rows);
    const char* const TRAITS[] = {"speed",     "adrenaline", "spawn_efficiency", "size",
                                  "prey_size", "offspring",  "spawn_radius"};
    // Where each column takes its value in an animal's genome and in a plant's; -1: the kind has none.
    const int ANIMAL_TRAIT[] = {0, 1, 2, 3, 4, -1, -1};
    const int PLANT_TRAIT[] = {-1, -1, 2, 3, -1, 0, 1};
    std::vector<py::array_t<double>> traits;
    for (size_t t = 0; t < 7; ++t)
        traits.push_back(column<double>(rows));
    std::vector<std::string> kindNames(rows);
    std::vector<const char*> kinds(rows);
    py::list ancestors;
    for (size_t i = 0; i < rows; ++i) {
        const Genotype& g = *kept[i];
        ids.mutable_data()[i] = g.id;
        origins.mutable_data()[i] = g.origin;
        destructions.mutable_data()[i] =
            g.destruction == Genotype::NONE ? NaN : static_cast<double>(g.destruction);
        depths.mutable_data()[i] = g.depth;
        totals.mutable_data()[i] = g.total;
        peaks.mutable_data()[i] = g.peak;
        livings.mutable_data()[i] = g.living;
        kindNames[i] = SavedWorldSchema::genomeKindName(g.genome.kind);
        kinds[i] = kindNames[i].c_str();
        const int* from = g.genome.kind == OrganismKind::PLANTS ? PLANT_TRAIT : ANIMAL_TRAIT;
        for (size_t t = 0; t < 7; ++t)
            traits[t].mutable_data()[i] = from[t] < 0 ? NaN : g.genome.traits[static_cast<size_t>(from[t])];
        ancestors.append(py::str(
            "[" + (g.parent == Genotype::NONE ? std::string("none") : std::to_string(g.parent)) + "]"));
    }
    py::dict columns;
    columns["id"] = ids;
    columns["ancestor_list"] = py::module_::import("numpy").attr("array")(ancestors, "object");
    columns["origin_time"] = origins;
    columns["destruction_time"] = destructions;
    columns["kind"] = textColumn(kinds, 9);
    for (size_t t = 0; t < 7; ++t)
        columns[TRAITS[t]] = traits[t];
    columns["depth"] = depths;
    columns["total_organisms"] = totals;
    columns["peak_organisms"] = peaks;
    columns["living_organisms"] = livings;
    return columns;
}

void PythonWorld::command(const py::object& line) {
    if (!py::isinstance<py::str>(line))
        Call::raise(PyExc_TypeError,
                    "a command is a str, such as \"apply 1,1\", not " + Call::typeName(line));
    WorldSession& world = ready();
    std::string error;
    const std::string text = line.cast<std::string>();
    WorldSession::Outcome outcome;
    {
        const InUse busyNow(busy);
        // A command may draw, and a save records the seed: not while another world ticks.
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(Call::tickLock());
        outcome = world.command(text, "", error);
    }
    warnNotes();
    // A save that could not be written is the file system's refusal, not the line's.
    if (outcome != WorldSession::Outcome::Done)
        Call::raise(outcome == WorldSession::Outcome::Refused ? PyExc_ValueError : PyExc_OSError, error);
}

void PythonWorld::save(const py::object& given) {
    const std::string path = Call::pathOf(given, "path");
    std::string error;
    WorldSession& world = ready();
    bool saved = false;
    {
        const InUse busyNow(busy);
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(Call::tickLock());
        saved = world.save(path, error);
    }
    if (!saved)
        Call::raise(PyExc_OSError, error);
}

void PythonWorld::setRules(const py::object& given) {
    WorldSession& world = ready();
    if (py::isinstance<py::str>(given) || py::hasattr(given, "__fspath__")) {
        std::string error;
        if (!world.readRules(Call::pathOf(given, "rules"), error))
            Call::raise(PyExc_ValueError, error);
        return;
    }
    RulesView(*this).update(given);
}

std::string PythonWorld::repr() {
    if (!broken.empty())
        return "<sylvara.World, stopped: " + broken + ">";
    World& world = session->getWorld();
    const int side = world.getTiles()->getTilesPerSide();
    return "<sylvara.World " + std::to_string(side) + "x" + std::to_string(side) + " at tick " +
           std::to_string(session->getTick()) + ", " + std::to_string(world.getLiving().total()) +
           " organisms>";
}
