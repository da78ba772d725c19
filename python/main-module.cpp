// The Python module "sylvara": a headless world to step, read and steer from Python.
#include "common/OutputFiles.h"
#include "common/RuleTable.h"
#include "life/Animal.h"
#include "life/GenotypeTable.h"
#include "plants/Plant.h"
#include "python/WorldSession.h"
#include "save/SavedWorldSchema.h"
#include "save/WorldRecord.h"
#include "sim/PhylogenyFiles.h"
#include "world/ScenePrefetch.h"
#include "world/TileGrid.h"
#include "world/World.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

namespace py = pybind11;

namespace {

// Every world draws from the one rand(): two ticking at once would draw each other's numbers.
std::mutex& tickLock() {
    static std::mutex lock;
    return lock;
}

// Every message one line, whatever a name in it holds.
[[noreturn]] void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, OutputFiles::printable(message).c_str());
    throw py::error_already_set();
}

bool isWhole(const py::handle& value) {
    return py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value);
}

bool isNumber(const py::handle& value) {
    return isWhole(value) || py::isinstance<py::float_>(value);
}

std::string typeName(const py::handle& value) {
    return py::str(py::type::of(value).attr("__name__"));
}

// A path as os.fspath gives it: str or os.PathLike, never bytes.
std::string pathOf(const py::handle& value, const char* what) {
    py::object path;
    try {
        path = py::module_::import("os").attr("fspath")(value);
    } catch (const py::error_already_set&) {
        raise(PyExc_TypeError,
              std::string(what) + " must be a path (str or os.PathLike), not " + typeName(value));
    }
    if (!py::isinstance<py::str>(path))
        raise(PyExc_TypeError,
              std::string(what) + " must be a path (str or os.PathLike), not " + typeName(path));
    const std::string text = path.cast<std::string>();
    if (text.find('\0') != std::string::npos)
        raise(PyExc_ValueError, std::string(what) + " holds a NUL character");
    return text;
}

// A number as the rules and commands read it: shortest round-trip text for a float.
std::string numberText(const py::handle& value) {
    return py::str(py::isinstance<py::float_>(value) ? py::repr(value) : py::str(value));
}

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

class PyWorld;

// Marks a world in use while the interpreter is released, so another thread's call is refused.
class InUse {
public:
    explicit InUse(bool& flag) : flag(flag) { flag = true; }
    ~InUse() { flag = false; }
    InUse(const InUse&) = delete;
    InUse& operator=(const InUse&) = delete;

private:
    bool& flag;
};

// world.rules: every rule by name, read and set between ticks.
class RulesView {
public:
    explicit RulesView(PyWorld& world) : world(world) {}
    py::object get(const std::string& name) const;
    void set(const std::string& name, const py::handle& value);
    void update(const py::handle& settings);
    bool contains(const py::handle& name) const;
    std::vector<std::string> keys() const;
    py::dict asDict() const;
    std::string repr() const;

private:
    PyWorld& world;
};

class PyWorld {
public:
    explicit PyWorld(std::unique_ptr<WorldSession> made) : session(std::move(made)) {}

    static std::unique_ptr<PyWorld> create(const py::object& size, const py::object& genesis,
                                           const py::object& seed, const py::object& rules,
                                           const py::object& keep);
    static std::unique_ptr<PyWorld> load(const py::object& path);

    void tick(const py::object& n);
    long tickNumber() { return ready().getTick(); }
    py::dict census();
    py::dict organisms();
    py::dict genotypes();
    std::string newick() { return PhylogenyFiles::newick(ready().getWorld().getGenotypes()); }
    void command(const py::object& line);
    void save(const py::object& path);
    RulesView rules() { return RulesView(*this); }
    void setRules(const py::object& given);
    std::string repr();

    // The session, refused while another thread ticks it or after a failure left it half-ticked.
    WorldSession& ready() {
        if (busy)
            raise(PyExc_RuntimeError, "the world is busy in another thread");
        if (!broken.empty())
            raise(PyExc_RuntimeError, broken);
        return *session;
    }
    void warnNotes() {
        for (const std::string& note : session->takeNotes())
            PyErr_WarnEx(PyExc_UserWarning, note.c_str(), 1);
    }

private:
    std::unique_ptr<WorldSession> session;
    bool busy = false;
    std::string broken;
};

std::unique_ptr<PyWorld> PyWorld::create(const py::object& size, const py::object& genesis,
                                         const py::object& seed, const py::object& rules,
                                         const py::object& keep) {
    // The words sylvara-sim takes, so that a refusal is the line it prints.
    std::vector<std::string> words;
    if (!isWhole(size))
        raise(PyExc_TypeError, "size must be a whole number of tiles per side, not " + typeName(size));
    words.insert(words.end(), {"--size", py::str(size)});
    if (py::isinstance<py::str>(genesis)) {
        words.insert(words.end(), {"--genesis", genesis.cast<std::string>()});
    } else if (py::isinstance<py::list>(genesis) || py::isinstance<py::tuple>(genesis)) {
        std::string tiles;
        for (const py::handle& tile : genesis) {
            const bool pair = (py::isinstance<py::tuple>(tile) || py::isinstance<py::list>(tile)) &&
                              py::len(tile) == 2 && isWhole(tile[py::int_(0)]) && isWhole(tile[py::int_(1)]);
            if (!pair)
                raise(PyExc_TypeError, "genesis tiles must be (column, row) pairs of whole numbers");
            tiles += (tiles.empty() ? "" : ";") + std::string(py::str(tile[py::int_(0)])) + "," +
                     std::string(py::str(tile[py::int_(1)]));
        }
        words.insert(words.end(), {"--genesis", tiles.empty() ? "none" : tiles});
    } else {
        raise(PyExc_TypeError,
              "genesis must be \"all\", \"none\", \"C,R;C,R\" or a list of (column, row), not " +
                  typeName(genesis));
    }
    if (!seed.is_none()) {
        if (!isWhole(seed))
            raise(PyExc_TypeError, "seed must be a whole number or None, not " + typeName(seed));
        words.insert(words.end(), {"--seed", py::str(seed)});
    }
    if (py::isinstance<py::dict>(rules)) {
        for (const auto& [name, value] : rules.cast<py::dict>()) {
            if (!py::isinstance<py::str>(name))
                raise(PyExc_TypeError, "rule names must be str, not " + typeName(name));
            if (!isNumber(value))
                raise(PyExc_TypeError,
                      "rule " + name.cast<std::string>() + " must be a number, not " + typeName(value));
            words.insert(words.end(), {"--set", name.cast<std::string>() + "=" + numberText(value)});
        }
    } else if (!rules.is_none()) {
        words.insert(words.end(), {"--rules", pathOf(rules, "rules")});
    }
    if (py::isinstance<py::dict>(keep)) {
        for (const auto& [kind, floor] : keep.cast<py::dict>()) {
            if (!py::isinstance<py::str>(kind))
                raise(PyExc_TypeError, "keep's kinds must be str, not " + typeName(kind));
            if (!isWhole(floor))
                raise(PyExc_TypeError, "keep's floor of " + kind.cast<std::string>() +
                                           " must be a whole number, not " + typeName(floor));
            words.insert(words.end(),
                         {"--keep", kind.cast<std::string>() + "=" + std::string(py::str(floor))});
        }
    } else if (!keep.is_none()) {
        raise(PyExc_TypeError, "keep must be a dict of kinds to floors, not " + typeName(keep));
    }
    for (const std::string& word : words)
        if (word.find('\0') != std::string::npos)
            raise(PyExc_ValueError, "an argument holds a NUL character");
    std::string error;
    if (WorldSession::findWorkFolder(error).empty())
        raise(PyExc_FileNotFoundError, error);
    std::unique_ptr<WorldSession> made;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(tickLock());
        made = WorldSession::create(words, error);
    }
    if (!made)
        raise(PyExc_ValueError, error);
    return std::make_unique<PyWorld>(std::move(made));
}

std::unique_ptr<PyWorld> PyWorld::load(const py::object& given) {
    const std::string path = pathOf(given, "path");
    struct stat info;
    std::string error;
    if (WorldSession::findWorkFolder(error).empty())
        raise(PyExc_FileNotFoundError, error);
    std::unique_ptr<WorldSession> made;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(tickLock());
        made = WorldSession::load(path, error);
    }
    if (!made)
        raise(stat(path.c_str(), &info) != 0 ? PyExc_FileNotFoundError : PyExc_ValueError, error);
    return std::make_unique<PyWorld>(std::move(made));
}

void PyWorld::tick(const py::object& given) {
    if (!isWhole(given))
        raise(PyExc_TypeError, "n must be a whole number of ticks, not " + typeName(given));
    WorldSession& world = ready();
    const long long at = world.getTick();
    if (py::bool_(given < py::int_(0)))
        raise(PyExc_ValueError,
              "tick(" + std::string(py::str(given)) + "): the number of ticks must be 0 or more");
    long long n = 0;
    try {
        n = given.cast<long long>();
    } catch (const py::cast_error&) {
        n = WorldRecord::LAST_TICK + 1LL;
    }
    if (n > WorldRecord::LAST_TICK - at)
        raise(PyExc_ValueError, "tick(" + std::string(py::str(given)) + ") from tick " + std::to_string(at) +
                                    " would pass the last tick a run can reach, " +
                                    std::to_string(WorldRecord::LAST_TICK));
    busy = true;
    bool interrupted = false;
    std::string stop;
    std::string failure;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(tickLock());
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
        raise(failure.compare(0, 13, "out of memory") == 0 ? PyExc_MemoryError : PyExc_RuntimeError, failure);
    }
    if (interrupted)
        throw py::error_already_set();
    if (!stop.empty())
        raise(PyExc_OSError, stop);
}

py::dict PyWorld::census() {
    WorldSession& world = ready();
    const std::vector<std::string> names = world.censusColumns();
    const std::vector<std::string> cells = split(world.censusRow());
    py::dict row;
    for (size_t i = 0; i < names.size() && i < cells.size(); ++i)
        row[py::str(names[i])] = cell(cells[i]);
    return row;
}

// Whether the census counts it: not yet dying, and a kind it knows.
bool counted(const Life& life) {
    if (life.getState() == STATE_DEAD)
        return false;
    if (life.getCategory() == CATEGORY_PLANT)
        return true;
    const int kind = static_cast<const Animal&>(life).getKind();
    return kind == KIND_HERBIVORE || kind == KIND_CARNIVORE;
}

// The memory of a table's columns, taken at once and in huge pages where the system gives them: a
// 300,000-row table is some 40 MB, and touching it page by page costs more than filling it.
class ColumnBlock {
public:
    ColumnBlock(const std::vector<size_t>& widths, size_t rows) {
        for (size_t width : widths) {
            starts.push_back(length);
            length += (width * rows + 63) / 64 * 64;
        }
        const size_t huge = size_t(2) << 20;
        mapped = length + huge;
        void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED)
            throw std::bad_alloc();
        base = static_cast<char*>(map);
        const uintptr_t at = reinterpret_cast<uintptr_t>(base);
        first = base + ((at + huge - 1) / huge * huge - at);
        madvise(first, length, MADV_HUGEPAGE);
        owner = py::capsule(new Mapping{base, mapped}, [](void* mapping) {
            const auto* m = static_cast<Mapping*>(mapping);
            munmap(m->base, m->length);
            delete m;
        });
    }
    template <typename T> T* at(size_t column) const { return reinterpret_cast<T*>(first + starts[column]); }
    // The column's first rows as a numpy array that keeps the whole block alive.
    py::array column(size_t index, const py::dtype& type, size_t rows) const {
        return py::array(type, std::vector<py::ssize_t>{static_cast<py::ssize_t>(rows)}, {},
                         first + starts[index], owner);
    }

private:
    struct Mapping {
        char* base;
        size_t length;
    };
    std::vector<size_t> starts;
    size_t length = 0;
    size_t mapped = 0;
    char* base = nullptr;
    char* first = nullptr;
    py::capsule owner;
};

py::dict PyWorld::organisms() {
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
            position = plant.getTransform()->getPosition();
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

py::dict PyWorld::genotypes() {
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
        const int* from = g.genome.kind == Genome::PLANT ? PLANT_TRAIT : ANIMAL_TRAIT;
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

void PyWorld::command(const py::object& line) {
    if (!py::isinstance<py::str>(line))
        raise(PyExc_TypeError, "a command is a str, such as \"apply 1,1\", not " + typeName(line));
    WorldSession& world = ready();
    std::string error;
    const std::string text = line.cast<std::string>();
    WorldSession::Outcome outcome;
    {
        const InUse busyNow(busy);
        // A command may draw, and a save records the seed: not while another world ticks.
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(tickLock());
        outcome = world.command(text, "", error);
    }
    warnNotes();
    // A save that could not be written is the file system's refusal, not the line's.
    if (outcome != WorldSession::Outcome::Done)
        raise(outcome == WorldSession::Outcome::Refused ? PyExc_ValueError : PyExc_OSError, error);
}

void PyWorld::save(const py::object& given) {
    const std::string path = pathOf(given, "path");
    std::string error;
    WorldSession& world = ready();
    bool saved = false;
    {
        const InUse busyNow(busy);
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> one(tickLock());
        saved = world.save(path, error);
    }
    if (!saved)
        raise(PyExc_OSError, error);
}

void PyWorld::setRules(const py::object& given) {
    WorldSession& world = ready();
    if (py::isinstance<py::str>(given) || py::hasattr(given, "__fspath__")) {
        std::string error;
        if (!world.readRules(pathOf(given, "rules"), error))
            raise(PyExc_ValueError, error);
        return;
    }
    RulesView(*this).update(given);
}

std::string PyWorld::repr() {
    if (!broken.empty())
        return "<sylvara.World, stopped: " + broken + ">";
    World& world = session->getWorld();
    const int side = world.getTiles()->getTilesPerSide();
    return "<sylvara.World " + std::to_string(side) + "x" + std::to_string(side) + " at tick " +
           std::to_string(session->getTick()) + ", " + std::to_string(world.getLiving().total()) +
           " organisms>";
}

const RuleTable::Field& field(const std::string& name) {
    const RuleTable::Field* found = RuleTable::find(name);
    if (!found)
        raise(PyExc_ValueError,
              "no rule is called \"" + name + "\" (did you mean " + RuleTable::nearest(name) + "?)");
    return *found;
}

py::object value(const Rules& rules, const RuleTable::Field& f) {
    const std::string text = RuleTable::format(rules, f);
    if (f.type == RuleTable::Type::Int)
        return py::int_(std::stoll(text));
    return py::float_(std::strtod(text.c_str(), nullptr));
}

py::object RulesView::get(const std::string& name) const {
    const RuleTable::Field& f = field(name);
    return value(world.ready().getRules(), f);
}

void RulesView::set(const std::string& name, const py::handle& given) {
    py::dict one;
    one[py::str(name)] = given;
    update(one);
}

void RulesView::update(const py::handle& settings) {
    if (!py::isinstance<py::dict>(settings) && !py::hasattr(settings, "items"))
        raise(PyExc_TypeError,
              "rules are a dict of rule names to values or a rules file, not " + typeName(settings));
    std::vector<std::pair<std::string, std::string>> given;
    for (const py::handle& item : settings.attr("items")()) {
        const py::handle name = item[py::int_(0)];
        const py::handle value = item[py::int_(1)];
        if (!py::isinstance<py::str>(name))
            raise(PyExc_TypeError, "rule names must be str, not " + typeName(name));
        if (!isNumber(value))
            raise(PyExc_TypeError,
                  "rule " + name.cast<std::string>() + " must be a number, not " + typeName(value));
        const std::string text = name.cast<std::string>();
        // One word each, as a "set" command takes it: a blank or "=" would read as another setting.
        if (text.find_first_of(" \t\r\n=") != std::string::npos || text.find('\0') != std::string::npos)
            field(text);
        given.emplace_back(text, numberText(value));
    }
    std::string error;
    if (!world.ready().setRules(given, error))
        raise(PyExc_ValueError, error);
}

bool RulesView::contains(const py::handle& name) const {
    return py::isinstance<py::str>(name) && RuleTable::find(name.cast<std::string>()) != nullptr;
}

std::vector<std::string> RulesView::keys() const {
    std::vector<std::string> names;
    for (const RuleTable::Field& f : RuleTable::fields())
        names.push_back(f.name);
    return names;
}

py::dict RulesView::asDict() const {
    const Rules& rules = world.ready().getRules();
    py::dict all;
    for (const RuleTable::Field& f : RuleTable::fields())
        all[py::str(f.name)] = value(rules, f);
    return all;
}

std::string RulesView::repr() const {
    return "sylvara.Rules(" + std::string(py::repr(asDict())) + ")";
}

} // namespace

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

    py::class_<PyWorld>(m, "World",
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
        .def(py::init(&PyWorld::create), py::arg("size") = 5, py::arg("genesis") = "all",
             py::arg("seed") = py::none(), py::arg("rules") = py::none(), py::arg("keep") = py::none())
        .def("tick", &PyWorld::tick, py::arg("n") = 1, R"(Runs n ticks, the interpreter free meanwhile.

Commands due are carried out between ticks, as sylvara-sim carries out a command file. Ctrl-C
(KeyboardInterrupt) stops it between two ticks, the world whole at the tick it reached; a
"quit" command stops it at its tick. A save the commands ask for that cannot be written stops
it with OSError.)")
        .def_property_readonly("tick_number", &PyWorld::tickNumber, "The ticks run since the world began.")
        .def("census", &PyWorld::census, R"(The census row sylvara-sim writes for this tick, as a dict.

The keys are the CSV's columns ("tick", "herbivores", "herbivore_speed_mean", ...); a kind
with none alive has NaN for its traits, as pandas reads the CSV's empty cells.)")
        .def("organisms", &PyWorld::organisms,
             R"(Every living organism, as a dict of numpy arrays, one entry per column.

id, kind ("herbivore", "carnivore", "plant"), x, y, energy, max_energy, generation,
parent (-1 for none), genotype, then the traits: speed, adrenaline, spawn_efficiency,
size, prey_size, offspring, spawn_radius (NaN for a trait the kind has not).)")
        .def("genotypes", &PyWorld::genotypes, R"(The phylogeny table, as a dict of numpy arrays.

pandas.DataFrame(world.genotypes()) is the artificial-life standard's table: id,
ancestor_list, origin_time, destruction_time (NaN while a member lives), kind, the genome's
traits, depth, total_organisms, peak_organisms and living_organisms. It holds the genotypes
with living members and their ancestors.)")
        .def("newick", &PyWorld::newick,
             "The tree of the living genotypes in Newick, branch lengths in ticks, as --newick writes it.")
        .def_property("rules", &PyWorld::rules, &PyWorld::setRules,
                      R"(The rules in force, by name (see Rules).

Assign a dict to set several at once, or a rules file's path to read it over them.)",
                      py::keep_alive<0, 1>())
        .def("command", &PyWorld::command, py::arg("line"), R"(Carries out a line of the command language.

"apply 1,1", "tool killer", "spawn herbivore 120,80", "set animal.moveCost=0.02", "keep
plants=50", "save w.sylvara"; "@T COMMAND" waits for tick T. Rules, floors, the tool and the
selection change at once; spawns and tools applied are carried out just ahead of the next
tick. A line sylvara-sim would refuse raises ValueError with its reason.)")
        .def("save", &PyWorld::save, py::arg("path"),
             "Saves the world to a file that sylvara-sim --load (or sylvara.load) goes on from exactly.")
        .def("__repr__", &PyWorld::repr);

    m.def(
        "run_tree",
        [] {
            std::string error;
            const std::string folder = WorldSession::findWorkFolder(error);
            if (folder.empty())
                raise(PyExc_FileNotFoundError, error);
            return std::filesystem::path(folder).parent_path().lexically_normal().string();
        },
        R"(The run tree the worlds read their art from: the build's stage/ or the installed
share/sylvara. Its rules/ folder holds the rule sets Sylvara ships, such as lasting.toml.)");
    m.def("load", &PyWorld::load, py::arg("path"), R"(A saved world, going on with its own seed and rules.

A file that is missing raises FileNotFoundError; one that is no saved world, or is damaged,
ValueError with the reason sylvara-sim gives.)");
}
