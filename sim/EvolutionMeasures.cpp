#include "sim/EvolutionMeasures.h"

#include "life/Life.h"
#include "life/LifeState.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <istream>
#include <iterator>
#include <ostream>
#include <random>

namespace {

const char* const GROUP_NAMES[] = {"all", "herbivores", "carnivores", "plants"};

// A shadow's kind for a group of one kind: the kind's own number.
int shadowKind(EvolutionMeasures::Group group) {
    return static_cast<int>(group) - 1;
}

// The value at a rank (from 0, smallest first) of the values in the pools, n in all. Only the values
// from the rank up are kept, in a heap whose least is on top: for a 99th percentile that is one value in a
// hundred, and most values are turned away by one comparison, where a selection over all of them would
// move them all, row after row.
long long valueAtRank(const std::vector<const std::vector<long long>*>& pools, size_t n, size_t rank) {
    const size_t kept = n - rank;
    std::vector<long long> top;
    top.reserve(kept);
    const std::greater<long long> later;
    for (const std::vector<long long>* pool : pools)
        for (long long value : *pool)
            if (top.size() < kept) {
                top.push_back(value);
                std::push_heap(top.begin(), top.end(), later);
            } else if (value > top.front()) {
                std::pop_heap(top.begin(), top.end(), later);
                top.back() = value;
                std::push_heap(top.begin(), top.end(), later);
            }
    return top.front();
}

} // namespace

EvolutionMeasures::EvolutionMeasures(const Settings& settings) : settings(settings) {
    makeShadows(settings.rules);
}

void EvolutionMeasures::makeShadows(const Rules& rules) {
    shadows.clear();
    // Each shadow's stream is its own and follows from the run's seed alone.
    for (int k = 0; k < settings.shadows; ++k) {
        std::seed_seq seeds{settings.seed, static_cast<unsigned>(k), 0x5badu};
        std::vector<unsigned> one(1);
        seeds.generate(one.begin(), one.end());
        shadows.emplace_back(one[0], rules);
    }
}

const char* EvolutionMeasures::groupName(Group group) {
    return GROUP_NAMES[group];
}

EvolutionMeasures::Group EvolutionMeasures::groupOf(const Genome& genome) {
    return static_cast<Group>(1 + genome.organismKind());
}

std::uint64_t EvolutionMeasures::key(const Genome& genome) {
    std::uint64_t k = genome.kind;
    for (std::uint8_t t : genome.traits)
        k = k << 8 | t;
    return k;
}

void EvolutionMeasures::addRecord(const Founding& f, long firstAlive) {
    Record r{f.parent, f.origin, f.depth, f.genome, {}, firstAlive};
    r.activity.since = firstAlive;
    const auto parent = records.find(f.parent);
    if (parent != records.end())
        parent->second.children += 1;
    records.emplace(f.id, r);
}

void EvolutionMeasures::attach(World& world, long tick) {
    // The shadows mutate as the world does: a loaded world's rules are its own, not the defaults.
    makeShadows(world.getRules());
    // The ancestors first, so that every living genotype finds its line.
    for (const Genotype* g : world.getGenotypes().sorted(true)) {
        const long destruction = g->destruction == Genotype::NONE ? -1 : g->destruction;
        addRecord({g->id, g->parent, g->origin, g->depth, g->genome}, std::min(g->origin, tick));
        records.at(g->id).lastAlive = destruction;
    }
    for (const auto& entry : world.getLives()) {
        const Life& life = *entry.second;
        const auto found = records.find(life.getGenotypeId());
        if (life.getState() == STATE_DEAD || found == records.end())
            continue;
        Record& r = found->second;
        r.lastAlive = -1;
        r.activity.change(tick, 1);
        const Group group = groupOf(r.genome);
        for (NeutralShadow& shadow : shadows)
            shadow.found(shadowKind(group), r.genome, tick);
    }
    follow(world);
}

void EvolutionMeasures::follow(World& world) {
    world.setBirthWatcher([this, &world](const Life& life) {
        const Genotype* g = world.getGenotypes().find(life.getGenotypeId());
        if (g)
            born({g->id, g->parent, g->origin, g->depth, g->genome}, life.getParentId() != Life::NO_PARENT);
    });
    world.setDeathWatcher([this, &world](const Life& life) {
        const auto found = records.find(life.getGenotypeId());
        if (found != records.end())
            died(life.getGenotypeId(), found->second.genome);
    });
}

void EvolutionMeasures::born(const Founding& genotype, bool hasParent) {
    pending.push_back({genotype, true, hasParent});
}

void EvolutionMeasures::died(int genotype, const Genome& genome) {
    Founding f{genotype, Genotype::NONE, 0, 0, genome};
    pending.push_back({f, false, false});
}

void EvolutionMeasures::endTick(long tick) {
    // Births before deaths: a newborn may die in the tick it was born, never the other way round.
    for (const Event& e : pending) {
        if (!e.birth)
            continue;
        auto found = records.find(e.genotype.id);
        if (found == records.end()) {
            addRecord(e.genotype, tick);
            found = records.find(e.genotype.id);
        }
        found->second.activity.change(tick, 1);
    }
    for (Event& e : pending) {
        if (e.birth)
            continue;
        const auto found = records.find(e.genotype.id);
        if (found == records.end() || found->second.activity.abundance == 0)
            continue;
        e.counted = true;
        Record& r = found->second;
        r.activity.change(tick, -1);
        if (r.activity.abundance == 0) {
            r.lastAlive = tick - 1;
            pruneFrom(e.genotype.id);
        }
    }
    // What the shadows repeat, sorted out once for all of them, in the order it happened: each draw
    // depends on the ones before it.
    shadowBirths.clear();
    shadowDeaths.clear();
    for (const Event& e : pending) {
        const int kind = shadowKind(groupOf(e.genotype.genome));
        if (e.birth)
            shadowBirths.push_back({kind, e.hasParent, &e.genotype.genome});
        else if (e.counted)
            shadowDeaths.push_back(kind);
    }
    // Shadow by shadow, so that each one's members stay in cache through the tick.
    for (NeutralShadow& shadow : shadows) {
        for (const ShadowBirth& b : shadowBirths)
            if (b.hasParent)
                shadow.birth(b.kind, *b.genome, tick);
            else
                shadow.found(b.kind, *b.genome, tick);
        for (int kind : shadowDeaths)
            shadow.death(kind, tick);
    }
    pending.clear();
}

// A genotype with no living member and no kept descendant can never count again: it goes, and so do
// its ancestors that it alone kept.
void EvolutionMeasures::pruneFrom(int id) {
    while (true) {
        const auto found = records.find(id);
        if (found == records.end() || found->second.activity.abundance > 0 || found->second.children > 0)
            return;
        const int parent = found->second.parent;
        records.erase(found);
        const auto up = records.find(parent);
        if (up == records.end())
            return;
        up->second.children -= 1;
        id = parent;
    }
}

std::vector<EvolutionMeasures::Row> EvolutionMeasures::rows(long tick) {
    // Every kept genotype once, deepest first (a parent is always shallower), each with its parent: a
    // genotype's span is whole before it joins its parent's, so the tree is summed in one pass with one
    // look-up a genotype rather than a walk to the root for every living one. Ties go newest id first, so
    // the order is the same however the table holds them.
    struct Node {
        int id;
        Record* record;
        const Record* parent;
    };
    std::vector<Node> nodes;
    nodes.reserve(records.size());
    for (auto& [id, r] : records) {
        r.span.fill(0);
        nodes.push_back({id, &r, nullptr});
    }
    std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) {
        return a.record->depth != b.record->depth ? a.record->depth > b.record->depth : a.id > b.id;
    });
    std::array<int, GROUPS> living{};
    for (Node& node : nodes) {
        Record& r = *node.record;
        if (r.activity.abundance > 0) {
            const Group group = groupOf(r.genome);
            living[ALL] += 1;
            living[group] += 1;
            r.span[ALL] += 1;
            r.span[group] += 1;
        }
        const auto parent = records.find(r.parent);
        if (parent == records.end())
            continue;
        node.parent = &parent->second;
        for (int g = 0; g < GROUPS; ++g)
            parent->second.span[g] += r.span[g];
    }

    std::vector<Row> out(GROUPS);
    std::array<long long, GROUPS> abundance{};
    for (int g = 0; g < GROUPS; ++g) {
        out[g].tick = tick;
        out[g].group = static_cast<Group>(g);
        out[g].genotypes = living[g];
    }
    // The living, with their group and activity, for the sums below and the comparison with the shadows.
    struct Alive {
        Group group;
        int abundance;
        long long activity;
    };
    std::vector<Alive> alive;
    alive.reserve(static_cast<size_t>(living[ALL]));
    for (const Node& node : nodes) {
        const Record& r = *node.record;
        if (r.activity.abundance == 0)
            continue;
        const long long activity = r.activity.at(tick);
        alive.push_back({groupOf(r.genome), r.activity.abundance, activity});
        for (const Group g : {ALL, groupOf(r.genome)}) {
            Row& row = out[g];
            abundance[g] += r.activity.abundance;
            row.cumulativeActivity += activity;
            if (activity >= settings.activityMin && activity <= settings.activityMax)
                row.newActivity += activity;
            row.maxDepth = std::max(row.maxDepth, r.depth);
        }
    }
    // Summed smallest first, so that the sum is the same in whatever order the table holds them: a
    // resumed run, whose table was filled anew, writes the straight run's digits.
    std::array<std::vector<int>, GROUPS> abundances;
    for (const Alive& a : alive)
        for (const Group g : {ALL, a.group})
            abundances[g].push_back(a.abundance);
    for (int g = 0; g < GROUPS; ++g) {
        std::sort(abundances[g].begin(), abundances[g].end());
        for (int a : abundances[g]) {
            const double p = static_cast<double>(a) / static_cast<double>(abundance[g]);
            out[g].diversity -= p * std::log(p);
        }
    }

    // The tree: each kept genotype's branch, from its parent's origin (or the joint root's 0).
    std::array<int, GROUPS> mrcaDepth;
    mrcaDepth.fill(-1);
    // Whole numbers, exact in any order; divided once at the end.
    std::array<long long, GROUPS> pathSum{};
    for (const Node& node : nodes) {
        const Record& r = *node.record;
        if (r.span[ALL] == 0)
            continue;
        const long length = r.origin - (node.parent ? node.parent->origin : 0);
        for (int g = 0; g < GROUPS; ++g) {
            const int inside = r.span[g];
            if (inside == 0)
                continue;
            const int n = living[g];
            out[g].phylogeneticDiversity += length;
            pathSum[g] += static_cast<long long>(length) * inside * (n - inside);
            if (inside == n && r.depth > mrcaDepth[g]) {
                mrcaDepth[g] = r.depth;
                out[g].mrcaTime = r.origin;
            }
        }
    }
    for (int g = 0; g < GROUPS; ++g) {
        if (living[g] > 0 && mrcaDepth[g] < 0)
            out[g].mrcaTime = 0;
        const double n = living[g];
        if (n > 1)
            out[g].meanPairwiseDistance = static_cast<double>(pathSum[g]) / (0.5 * n * (n - 1.0));
    }

    // Persistence: lived at tick - L, and still living or with living descendants now.
    const long then = tick - settings.persistence;
    std::array<std::unordered_set<std::uint64_t>, GROUPS> persistent;
    for (const Node& node : nodes) {
        const Record& r = *node.record;
        if (r.span[ALL] == 0)
            continue;
        const bool livedThen = r.firstAlive <= then && (r.lastAlive < 0 || r.lastAlive >= then);
        if (!livedThen)
            continue;
        persistent[ALL].insert(key(r.genome));
        persistent[groupOf(r.genome)].insert(key(r.genome));
    }
    const bool commit = !peekNextRow;
    peekNextRow = false;
    for (int g = 0; g < GROUPS; ++g) {
        for (std::uint64_t k : persistent[g]) {
            out[g].change += lastPersistent[g].count(k) == 0;
            // try_emplace, not emplace: most genomes are already there, and emplace would allocate a node
            // for each only to throw it away.
            out[g].novelty +=
                commit ? everPersistent[g].try_emplace(k, tick).second : everPersistent[g].count(k) == 0;
        }
        if (commit) {
            beforeLast[g] = std::move(lastPersistent[g]);
            lastPersistent[g] = std::move(persistent[g]);
        }
    }
    if (commit)
        lastRowTick = tick;

    // Adaptive: more active than the 99th percentile of the shadows' genotypes of the group.
    if (!shadows.empty()) {
        // One pass over each shadow's genotypes for all three kinds.
        std::array<std::vector<long long>, GROUPS> pooled;
        for (const NeutralShadow& shadow : shadows)
            shadow.activitiesByKind(tick, &pooled[HERBIVORES]);
        for (int g = 0; g < GROUPS; ++g) {
            // The whole board's are the three kinds' together.
            const std::vector<const std::vector<long long>*> pools =
                g == ALL ? std::vector<const std::vector<long long>*>{&pooled[HERBIVORES],
                                                                      &pooled[CARNIVORES], &pooled[PLANTS]}
                         : std::vector<const std::vector<long long>*>{&pooled[g]};
            size_t n = 0;
            for (const auto* pool : pools)
                n += pool->size();
            out[g].adaptiveGenotypes = 0;
            if (n == 0)
                continue;
            const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n))) - 1;
            const long long threshold = valueAtRank(pools, n, rank);
            for (const Alive& a : alive)
                if ((g == ALL || a.group == g) && a.activity > threshold)
                    out[g].adaptiveGenotypes += 1;
        }
    }
    return out;
}

std::string EvolutionMeasures::csvHeader() {
    return "tick,group,genotypes,diversity,change,novelty,cumulative_activity,mean_activity,new_activity,"
           "adaptive_genotypes,phylogenetic_diversity,mean_pairwise_distance,mrca_time,max_depth";
}

std::string EvolutionMeasures::csvLine(const Row& row) {
    char line[512];
    const double mean = row.genotypes > 0 ? static_cast<double>(row.cumulativeActivity) / row.genotypes : 0.0;
    std::snprintf(line, sizeof line, "%ld,%s,%d,%.6f,%d,%d,%lld,%.3f,%lld,%s,%lld,%.6f,%s,%s", row.tick,
                  groupName(row.group), row.genotypes, row.diversity, row.change, row.novelty,
                  row.cumulativeActivity, mean, row.newActivity,
                  row.adaptiveGenotypes < 0 ? "" : std::to_string(row.adaptiveGenotypes).c_str(),
                  row.phylogeneticDiversity, row.meanPairwiseDistance,
                  row.mrcaTime < 0 ? "" : std::to_string(row.mrcaTime).c_str(),
                  row.maxDepth < 0 ? "" : std::to_string(row.maxDepth).c_str());
    return line;
}

namespace {

void saveKeys(std::ostream& to, const std::unordered_set<std::uint64_t>& keys) {
    to << keys.size();
    for (std::uint64_t k : keys)
        to << ' ' << k;
    to << "\n";
}

bool readKeys(std::istream& from, std::unordered_set<std::uint64_t>& keys) {
    size_t n = 0;
    if (!(from >> n) || n > 100000000)
        return false;
    for (size_t i = 0; i < n; ++i) {
        std::uint64_t k = 0;
        if (!(from >> k))
            return false;
        keys.insert(k);
    }
    return true;
}

} // namespace

void EvolutionMeasures::save(std::ostream& to) const {
    to << "measures 1\nrow " << lastRowTick << "\nrecords " << records.size() << "\n";
    for (const auto& [id, r] : records) {
        to << id << ' ' << r.parent << ' ' << r.origin << ' ' << r.depth << ' ' << int(r.genome.kind);
        for (std::uint8_t t : r.genome.traits)
            to << ' ' << int(t);
        to << ' ' << r.activity.settled << ' ' << r.activity.abundance << ' ' << r.activity.since << ' '
           << r.firstAlive << ' ' << r.lastAlive << ' ' << r.children << "\n";
    }
    for (int g = 0; g < GROUPS; ++g) {
        saveKeys(to, lastPersistent[g]);
        saveKeys(to, beforeLast[g]);
        to << everPersistent[g].size();
        for (const auto& [k, first] : everPersistent[g])
            to << ' ' << k << ' ' << first;
        to << "\n";
    }
    to << "shadows " << shadows.size() << "\n";
    for (const NeutralShadow& shadow : shadows)
        shadow.save(to);
}

bool EvolutionMeasures::resume(World& world, long tick, std::istream& from, std::string& error) {
    error = "the saved measures are damaged";
    std::string word;
    int format = 0;
    long row = -1;
    size_t n = 0;
    if (!(from >> word >> format) || word != "measures" || format != 1 || !(from >> word >> row) ||
        word != "row" || row > tick || !(from >> word >> n) || word != "records" || n > 100000000)
        return false;
    std::unordered_map<int, Record> read;
    for (size_t i = 0; i < n; ++i) {
        int id = 0, kind = 0;
        Record r{};
        from >> id >> r.parent >> r.origin >> r.depth >> kind;
        r.genome.kind = static_cast<std::uint8_t>(kind);
        for (std::uint8_t& t : r.genome.traits) {
            int value = -1;
            from >> value;
            if (value < 0 || value > 255)
                return false;
            t = static_cast<std::uint8_t>(value);
        }
        from >> r.activity.settled >> r.activity.abundance >> r.activity.since >> r.firstAlive >>
            r.lastAlive >> r.children;
        if (!from || kind < 0 || kind > 255 || r.activity.abundance < 0 || r.depth < 0 ||
            !read.emplace(id, r).second)
            return false;
    }
    // A parent is one mutation nearer its root: a line of parents always ends, so no walk up loops.
    for (const auto& [id, r] : read) {
        const auto parent = read.find(r.parent);
        if (parent != read.end() && parent->second.depth >= r.depth)
            return false;
    }
    std::array<std::unordered_set<std::uint64_t>, GROUPS> last, before;
    std::array<std::unordered_map<std::uint64_t, long>, GROUPS> ever;
    for (int g = 0; g < GROUPS; ++g) {
        if (!readKeys(from, last[g]) || !readKeys(from, before[g]) || !(from >> n) || n > 100000000)
            return false;
        for (size_t i = 0; i < n; ++i) {
            std::uint64_t k = 0;
            long first = 0;
            if (!(from >> k >> first))
                return false;
            ever[g].emplace(k, first);
        }
    }
    if (!(from >> word >> n) || word != "shadows")
        return false;
    if (n != shadows.size()) {
        error = "the saved measures ran " + std::to_string(n) + " neutral shadows, not " +
                std::to_string(shadows.size());
        return false;
    }
    makeShadows(world.getRules());
    for (NeutralShadow& shadow : shadows)
        if (!shadow.restore(from)) {
            makeShadows(world.getRules());
            return false;
        }
    records = std::move(read);
    lastRowTick = row;
    if (row == tick) {
        // The resumed run writes the row of this tick again: it must see the filter as the straight run
        // did before that row.
        lastPersistent = std::move(before);
        for (int g = 0; g < GROUPS; ++g)
            for (auto at = ever[g].begin(); at != ever[g].end();)
                at = at->second >= tick ? ever[g].erase(at) : std::next(at);
    } else {
        lastPersistent = std::move(last);
        peekNextRow = true;
    }
    everPersistent = std::move(ever);
    error.clear();
    follow(world);
    return true;
}
