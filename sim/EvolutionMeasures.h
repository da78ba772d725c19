#pragma once

#include "common/Rules.h"
#include "life/Genome.h"
#include "sim/GenotypeActivity.h"
#include "sim/NeutralShadow.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class World;

// The measures of open-ended evolution over a run's genotypes, taken at every census row: counts and
// Shannon diversity, MODES' change and novelty through the persistence filter, Bedau-Packard activity,
// the genotypes more active than a neutral shadow's, and statistics of the tree that spans the living.
// It follows births and deaths as the census counts them (a dying organism no longer lives), and keeps
// only the genotypes with living members and their ancestors.
class EvolutionMeasures {
public:
    // The row groups: every kind, then each as the census names them.
    // All organisms, then each kind in the kinds' order.
    enum Group {
        ALL,
        HERBIVORES = 1 + OrganismKind::HERBIVORES,
        CARNIVORES = 1 + OrganismKind::CARNIVORES,
        PLANTS = 1 + OrganismKind::PLANTS,
        GROUPS
    };

    struct Settings {
        // A persistent genotype lived this many ticks before the row and still has living descendants.
        long persistence = 1000;
        // The band of activities that count as new activity.
        long long activityMin = 1000;
        long long activityMax = 10000;
        int shadows = 20;
        unsigned seed = 0;
        Rules rules;
    };

    struct Row {
        long tick = 0;
        Group group = ALL;
        int genotypes = 0;
        double diversity = 0.0;
        int change = 0;
        int novelty = 0;
        long long cumulativeActivity = 0;
        long long newActivity = 0;
        // -1: no shadow to compare with.
        int adaptiveGenotypes = -1;
        long long phylogeneticDiversity = 0;
        double meanPairwiseDistance = 0.0;
        // -1 (an empty cell) when the group has no living genotype.
        long mrcaTime = -1;
        int maxDepth = -1;
    };

    // What the measures know of a genotype as it is born.
    struct Founding {
        int id;
        int parent;
        long origin;
        int depth;
        Genome genome;
    };

    explicit EvolutionMeasures(const Settings& settings);

    // Takes the world's living organisms and genotype table as they stand at the tick, then follows its
    // births and deaths.
    void attach(World& world, long tick);
    // Takes up where a saved run left off: its genotypes, filter and shadows as saved at the tick,
    // then follows the world's births and deaths. False, with nothing taken, on a state that is not one
    // or one with another number of shadows.
    bool resume(World& world, long tick, std::istream& state, std::string& error);
    // Everything the measures carry from tick to tick, as text resume reads; between ticks only.
    void save(std::ostream& to) const;

    // The events of one tick, as the world reports them; applied by endTick.
    void born(const Founding& genotype, bool hasParent);
    void died(int genotype, const Genome& genome);
    // Everything reported since the last call happened in the tick now ending.
    void endTick(long tick);

    // The rows of every group at the tick, in group order; each call moves the persistence filter on.
    std::vector<Row> rows(long tick);

    static std::string csvHeader();
    static std::string csvLine(const Row& row);
    static const char* groupName(Group group);
    static Group groupOf(const Genome& genome);

    const std::vector<NeutralShadow>& getShadows() const { return shadows; }

private:
    struct Record {
        int parent;
        long origin;
        int depth;
        Genome genome;
        GenotypeActivity activity;
        // The census ticks it was first and last counted alive in; lastAlive -1 while it lives.
        long firstAlive;
        long lastAlive = -1;
        int children = 0;
        // Scratch of rows(): the living genotypes of each group it spans, itself included.
        std::array<int, GROUPS> span{};
    };
    struct Event {
        Founding genotype;
        bool birth;
        bool hasParent;
        // A death of a living member the measures know, which the shadows repeat.
        bool counted = false;
    };

    void addRecord(const Founding& f, long firstAlive);
    void makeShadows(const Rules& rules);
    void follow(World& world);
    void pruneFrom(int id);
    static std::uint64_t key(const Genome& genome);

    Settings settings;
    std::unordered_map<int, Record> records;
    std::vector<Event> pending;
    // A tick's births and deaths as the shadows repeat them; kept to reuse their storage.
    struct ShadowBirth {
        int kind;
        bool hasParent;
        const Genome* genome;
    };
    std::vector<ShadowBirth> shadowBirths;
    std::vector<int> shadowDeaths;
    std::vector<NeutralShadow> shadows;
    std::array<std::unordered_set<std::uint64_t>, GROUPS> lastPersistent;
    // The persistent genomes of the row before the last, and every one ever with the tick of its first
    // row: what a resumed run needs to write again the row of the tick it was saved at.
    std::array<std::unordered_set<std::uint64_t>, GROUPS> beforeLast;
    std::array<std::unordered_map<std::uint64_t, long>, GROUPS> everPersistent;
    long lastRowTick = -1;
    // The next row is one a straight run never wrote (a world saved between rows): it leaves the filter
    // as it was.
    bool peekNextRow = false;
};
