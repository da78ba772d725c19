#include "save/SavedWorld.h"

#include "life/Animal.h"
#include "plants/Plant.h"
#include "save/MarkerRecorder.h"
#include "save/SavedWorldReader.h"
#include "save/SavedWorldWriter.h"
#include "world/RandomSeed.h"
#include "world/TileGrid.h"
#include "world/World.h"
#include "world/WorldTile.h"

#include <cstdint>
#include <unordered_map>

namespace {

// Packs a genome into one key: the kind and five traits of a byte each.
std::uint64_t genomeKey(const Genome& genome) {
    std::uint64_t key = genome.kind;
    for (std::uint8_t trait : genome.traits)
        key = key << 8 | trait;
    return key;
}

template <typename Record>
void list(Record record, const WorldTile& tile, int place, std::vector<Record>& out) {
    record.life.tileColumn = tile.getColumn();
    record.life.tileRow = tile.getRow();
    record.life.place = place;
    out.push_back(record);
}

} // namespace

bool SavedWorld::read(const std::string& path, SavedWorld& out, std::string& error) {
    return SavedWorldReader::read(path, out.record, error);
}

bool SavedWorld::write(const std::string& path, std::string& error) const {
    return SavedWorldWriter::write(record, path, error);
}

SavedWorld SavedWorld::capture(World& world) {
    SavedWorld saved;
    WorldRecord& r = saved.record;
    const TileGrid& grid = *world.getTiles();
    r.size = grid.getTilesPerSide();
    r.tickNumber = world.getTickNumber();
    r.lastId = world.getLastId();
    r.paused = world.isPaused();
    // A selected organism that has gone leaves no selection behind.
    r.selectedId = world.getLives().count(world.getSelectedId()) != 0 ? world.getSelectedId() : -1;
    r.seedFixed = RandomSeed::isFixed();
    r.seed = RandomSeed::getSeed();
    r.rules = world.getRules();
    r.keep = world.getKeep();
    r.inserted = world.getInserted();
    r.tiles.reserve(grid.getTiles().size());
    r.animals.reserve(world.getLives().size());
    r.plants.reserve(world.getLives().size());
    for (const WorldTile* tile : grid.getTiles()) {
        r.tiles.push_back(TileRecord{tile->getColumn(), tile->getRow(), tile->isFertilized(),
                                     tile->getPlantMass(), tile->getEmission()});
        int place = 0;
        for (Life* animal : tile->getAnimals())
            list(static_cast<Animal*>(animal)->record(), *tile, place++, r.animals);
        place = 0;
        for (Life* plant : tile->getPlants())
            list(static_cast<Plant*>(plant)->record(), *tile, place++, r.plants);
    }
    r.markers = MarkerRecorder::record(world);
    r.hasLineage = true;
    for (const Genotype* g : world.getGenotypes().sorted(false))
        r.genotypes.push_back(*g);
    r.nextGenotypeId = world.getGenotypes().getNextId();
    return saved;
}

void SavedWorld::restoreGenotypes(World& world) const {
    GenotypeTable& table = world.getGenotypes();
    const bool pruned = table.isPruned();
    if (record.hasLineage) {
        // Older saves counted the dying too: counted again from the organisms.
        std::unordered_map<int, int> members;
        for (const AnimalRecord& a : record.animals)
            members[a.life.genotypeId] += a.life.state != STATE_DEAD;
        for (const PlantRecord& p : record.plants)
            members[p.life.genotypeId] += p.life.state != STATE_DEAD;
        std::vector<Genotype> rows = record.genotypes;
        for (Genotype& g : rows) {
            const int before = g.living;
            g.living = members[g.id];
            if (before > 0 && g.living == 0)
                g.destruction = record.tickNumber;
        }
        table.restore(rows, record.nextGenotypeId);
        table.setPruned(pruned);
        return;
    }
    // Saved before genotypes were kept: organisms of one genome found one root genotype at the loaded tick.
    table.restore({}, 0);
    std::unordered_map<std::uint64_t, int> founded;
    const auto join = [&](Life& life, const Genome& genome) {
        const auto found = founded.find(genomeKey(genome));
        int genotype = Genotype::NONE;
        if (found == founded.end()) {
            genotype = table.birth(Genotype::NONE, genome, record.tickNumber);
            founded.emplace(genomeKey(genome), genotype);
        } else {
            genotype = table.birth(found->second, genome, record.tickNumber);
        }
        life.setLineage(Life::NO_PARENT, life.getBirthTick(), genotype);
    };
    auto& lives = world.getLives();
    for (const AnimalRecord& a : record.animals)
        join(*lives[a.life.id],
             Genome::animal(a.kind, a.speed, a.adrenaline, a.life.spawnEfficiency, a.life.size, a.preySize));
    for (const PlantRecord& p : record.plants)
        join(*lives[p.life.id],
             Genome::plant(p.offspring, p.spawnRadius, p.life.spawnEfficiency, p.life.size));
    // The dying belong to their genotype but are not counted among its living.
    for (const auto& entry : lives)
        if (entry.second->getState() == STATE_DEAD)
            table.death(entry.second->getGenotypeId(), record.tickNumber);
}

void SavedWorld::resume(World& world, const unsigned* seed) const {
    restore(world);
    if (seed)
        RandomSeed::fix(*seed);
    world.reseed();
}

void SavedWorld::restore(World& world) const {
    // The organisms are rebuilt under the rules they lived by.
    world.setRules(record.rules);
    world.setKeep(record.keep);
    world.restoreInserted(record.inserted);
    TileGrid& grid = *world.getTiles();
    auto& lives = world.getLives();
    const int tickRate = world.getTickRate();
    // Each tile's lists fill in their saved order: every organism joins the end of its list.
    for (const AnimalRecord& a : record.animals) {
        WorldTile* tile = grid.tileAt(a.life.tileColumn, a.life.tileRow);
        osg::ref_ptr<Animal> animal = new Animal(a, tile, tickRate);
        world.addLife(animal.get());
        tile->registerLife(animal.get());
    }
    for (const PlantRecord& p : record.plants) {
        WorldTile* tile = grid.tileAt(p.life.tileColumn, p.life.tileRow);
        osg::ref_ptr<Plant> plant = new Plant(p, tile, tickRate);
        world.addLife(plant.get());
        tile->registerLife(plant.get());
    }
    for (const AnimalRecord& a : record.animals)
        if (a.targetId != AnimalRecord::NO_TARGET)
            static_cast<Animal*>(lives[a.life.id].get())->restoreTarget(lives[a.targetId].get());
    restoreGenotypes(world);
    for (const TileRecord& t : record.tiles)
        grid.tileAt(t.column, t.row)->restore(t.fertilized, t.plantMass, t.shade);
    for (const MarkerRecord& marker : record.markers)
        MarkerRecorder::replay(world, marker);
    world.restoreClock(record.tickNumber, record.lastId);
    world.restoreSelection(record.selectedId);
    world.restorePaused(record.paused);
    if (record.seedFixed)
        RandomSeed::fix(record.seed);
    else
        RandomSeed::release();
    world.reseed();
}
