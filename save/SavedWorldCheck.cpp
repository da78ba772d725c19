#include "save/SavedWorldCheck.h"

#include "life/LifeState.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr int MAX_SIZE = 100;
constexpr double TILE_SIZE = 150.0;

// The tile under a coordinate, as the grid finds it: off the board, the nearest edge tile.
int tileIndex(double v, int size) {
    if (!(v > 0.0))
        return 0;
    return std::min(static_cast<int>(std::min(v, size * TILE_SIZE) / TILE_SIZE), size - 1);
}

std::string at(const osg::Vec3d& p) {
    char text[96];
    std::snprintf(text, sizeof text, "(%.1f, %.1f)", p.x(), p.y());
    return text;
}

std::string tileName(int column, int row) {
    return std::to_string(column) + "," + std::to_string(row);
}

const LifeRecord& lifeOf(const AnimalRecord& a) {
    return a.life;
}

const LifeRecord& lifeOf(const PlantRecord& p) {
    return p.life;
}

} // namespace

bool SavedWorldCheck::check(WorldRecord& world, std::string& problem) {
    if (world.size < 1 || world.size > MAX_SIZE) {
        problem = "board size " + std::to_string(world.size) + " is outside 1.." + std::to_string(MAX_SIZE);
        return false;
    }
    return checkTiles(world, problem) && checkListing(world.animals, "animal", world.size, problem) &&
           checkListing(world.plants, "plant", world.size, problem) && checkIds(world, problem) &&
           checkTargets(world, problem) && (!world.hasLineage || checkLineage(world, problem));
}

bool SavedWorldCheck::checkTiles(WorldRecord& world, std::string& problem) {
    const size_t expected = static_cast<size_t>(world.size) * static_cast<size_t>(world.size);
    std::vector<TileRecord> grid(expected);
    std::vector<bool> seen(expected, false);
    for (const TileRecord& tile : world.tiles) {
        if (tile.column < 0 || tile.row < 0 || tile.column >= world.size || tile.row >= world.size) {
            problem = "tile " + tileName(tile.column, tile.row) + " is off a board of " +
                      std::to_string(world.size) + " tiles per side";
            return false;
        }
        const size_t index = static_cast<size_t>(tile.row) * world.size + tile.column;
        if (seen[index]) {
            problem = "tile " + tileName(tile.column, tile.row) + " is listed twice";
            return false;
        }
        if (tile.plantMass < 0.0f) {
            problem = "tile " + tileName(tile.column, tile.row) + ": plant_mass is negative";
            return false;
        }
        seen[index] = true;
        grid[index] = tile;
    }
    if (world.tiles.size() != expected) {
        problem = "the board of " + std::to_string(world.size) + " tiles per side has " +
                  std::to_string(world.tiles.size()) + " tiles instead of " + std::to_string(expected);
        return false;
    }
    world.tiles = std::move(grid);
    return true;
}

template <typename Record>
bool SavedWorldCheck::checkListing(std::vector<Record>& lives, const char* what, int size,
                                   std::string& problem) {
    for (const Record& record : lives) {
        const LifeRecord& life = lifeOf(record);
        const std::string name = std::string(what) + " " + std::to_string(life.id);
        if (life.tileColumn >= size || life.tileRow >= size) {
            problem =
                name + " is listed on tile " + tileName(life.tileColumn, life.tileRow) + ", off the board";
            return false;
        }
        // Far off the board nothing stands: walking wraps, and births happen on it.
        const double extent = size * TILE_SIZE;
        if (std::abs(life.position.x() - extent / 2) > extent ||
            std::abs(life.position.y() - extent / 2) > extent) {
            problem = name + " at " + at(life.position) + " stands far off the board";
            return false;
        }
        const int column = tileIndex(life.position.x(), size);
        const int row = tileIndex(life.position.y(), size);
        if (column != life.tileColumn || row != life.tileRow) {
            problem = name + " at " + at(life.position) + " is listed on tile " +
                      tileName(life.tileColumn, life.tileRow) + ", but stands on tile " +
                      tileName(column, row);
            return false;
        }
    }
    const auto order = [](const Record& a, const Record& b) {
        const LifeRecord& l = lifeOf(a);
        const LifeRecord& r = lifeOf(b);
        return std::tie(l.tileRow, l.tileColumn, l.place) < std::tie(r.tileRow, r.tileColumn, r.place);
    };
    std::sort(lives.begin(), lives.end(), order);
    const auto twice = std::adjacent_find(
        lives.begin(), lives.end(), [&order](const Record& a, const Record& b) { return !order(a, b); });
    if (twice != lives.end()) {
        const LifeRecord& life = lifeOf(*twice);
        problem = std::string(what) + "s " + std::to_string(life.id) + " and " +
                  std::to_string(lifeOf(*(twice + 1)).id) + " share place " + std::to_string(life.place) +
                  " on tile " + tileName(life.tileColumn, life.tileRow);
        return false;
    }
    return true;
}

bool SavedWorldCheck::checkIds(const WorldRecord& world, std::string& problem) {
    std::unordered_set<int> ids;
    ids.reserve(world.animals.size() + world.plants.size());
    const auto once = [&](int id) {
        if (!ids.insert(id).second)
            problem = "id " + std::to_string(id) + " is given to two organisms";
        return problem.empty();
    };
    for (const AnimalRecord& a : world.animals)
        if (!once(a.life.id))
            return false;
    for (const PlantRecord& p : world.plants)
        if (!once(p.life.id))
            return false;
    return true;
}

bool SavedWorldCheck::checkTargets(WorldRecord& world, std::string& problem) {
    std::unordered_set<int> alive;
    alive.reserve(world.animals.size() + world.plants.size());
    for (const AnimalRecord& a : world.animals)
        alive.insert(a.life.id);
    for (const PlantRecord& p : world.plants)
        alive.insert(p.life.id);
    if (world.selectedId > world.lastId) {
        problem = "the selected id " + std::to_string(world.selectedId) +
                  " was never given (the last id is " + std::to_string(world.lastId) + ")";
        return false;
    }
    // An organism selected and since gone: the world holds no selection (earlier saves kept its id).
    if (alive.count(world.selectedId) == 0)
        world.selectedId = -1;
    for (const AnimalRecord& a : world.animals) {
        const std::string name = "animal " + std::to_string(a.life.id);
        const bool hunting = a.life.state == STATE_CHASE || a.life.state == STATE_FLEE;
        if (a.targetId == AnimalRecord::NO_TARGET) {
            if (hunting) {
                problem = name + (a.life.state == STATE_CHASE ? " chases" : " flees from") + " nobody";
                return false;
            }
            continue;
        }
        if (alive.count(a.targetId) == 0) {
            problem = name + " targets " + std::to_string(a.targetId) + ", which is not alive";
            return false;
        }
    }
    return true;
}

bool SavedWorldCheck::checkLineage(const WorldRecord& world, std::string& problem) {
    std::unordered_map<int, const Genotype*> byId;
    for (const Genotype& g : world.genotypes) {
        const std::string name = "genotype " + std::to_string(g.id);
        if (!byId.emplace(g.id, &g).second) {
            problem = name + " is listed twice";
            return false;
        }
        if (g.id >= world.nextGenotypeId) {
            problem = name + " is not below the next genotype id " + std::to_string(world.nextGenotypeId);
            return false;
        }
    }
    for (const Genotype& g : world.genotypes) {
        if (g.parent != Genotype::NONE && byId.count(g.parent) == 0) {
            problem = "genotype " + std::to_string(g.id) + " descends from genotype " +
                      std::to_string(g.parent) + ", which is missing";
            return false;
        }
    }
    // Walked once each: a walk that meets its own path again has found a cycle.
    enum Mark { UNSEEN, ON_PATH, SOUND };
    std::unordered_map<int, Mark> marks;
    std::vector<int> path;
    for (const Genotype& g : world.genotypes) {
        path.clear();
        for (int id = g.id; id != Genotype::NONE && marks[id] != SOUND; id = byId.at(id)->parent) {
            if (marks[id] == ON_PATH) {
                problem = "genotype " + std::to_string(id) + " descends from itself";
                return false;
            }
            marks[id] = ON_PATH;
            path.push_back(id);
        }
        for (int id : path)
            marks[id] = SOUND;
    }
    // A genotype counts its members that are not dying, and the line of a dying one may have ended
    // with it, its genotype gone; older saves counted the dying too and kept their genotypes.
    std::unordered_map<int, int> members;
    const auto member = [&](const LifeRecord& life, const char* what) {
        const bool counted = world.genotypesCountTheDying || life.state != STATE_DEAD;
        if (life.genotypeId < 0)
            problem = std::string(what) + " " + std::to_string(life.id) + " has no ancestry row";
        else if (byId.count(life.genotypeId) == 0 && counted)
            problem = std::string(what) + " " + std::to_string(life.id) + " belongs to genotype " +
                      std::to_string(life.genotypeId) + ", which is missing";
        members[life.genotypeId] += counted;
        return problem.empty();
    };
    for (const AnimalRecord& a : world.animals)
        if (!member(a.life, "animal"))
            return false;
    for (const PlantRecord& p : world.plants)
        if (!member(p.life, "plant"))
            return false;
    for (const Genotype& g : world.genotypes) {
        const auto found = members.find(g.id);
        const int saved = found == members.end() ? 0 : found->second;
        if (saved != g.living) {
            problem = "genotype " + std::to_string(g.id) + " counts " + std::to_string(g.living) +
                      " living organisms, but " + std::to_string(saved) + " are saved";
            return false;
        }
    }
    return true;
}
