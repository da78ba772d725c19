#pragma once

#include <string>
#include <vector>

// The tables of a saved world, their columns in the order they are written and read, and the
// names that stand for states and kinds, so that the file reads well in the sqlite3 shell.
class SavedWorldSchema {
public:
    // Version 2 added the lineage (parents, birth ticks, genotypes), the rules in force and rescue;
    // version 1 files load without parents, under the default rules. Version 3 has the same tables, but
    // a genotype's living members leave out the dying, and the genotype of a dying one may be gone.
    static constexpr int VERSION = 3;
    static constexpr int LIVING_WITHOUT_DYING_VERSION = 3;
    static constexpr int OLDEST_VERSION = 1;
    // The first version with the lineage, rules and rescue tables.
    static constexpr int LINEAGE_VERSION = 2;

    struct Column {
        std::string name;
        const char* type;
    };
    struct Table {
        const char* name;
        std::vector<Column> columns;
        // The index of a column by its name; the columns of a table are fixed.
        int at(const std::string& column) const;
    };
    static const Table WORLD;
    static const Table TILES;
    static const Table ANIMALS;
    static const Table PLANTS;
    static const Table MARKERS;
    static const Table ANCESTRY;
    static const Table GENOTYPES;
    static const Table LINEAGE;
    static const Table RULES;
    static const Table RESCUE;
    // Written only when a run's measures of evolution are on, so a file may lack it in any version.
    static const Table MEASURES;
    // The tables a file of this version holds (by default the current one).
    static const std::vector<const Table*>& tables(int version = VERSION);

    static std::string createSql(const Table& table);
    static std::string insertSql(const Table& table);
    static std::string selectSql(const Table& table);

    // "idle", "chase", ...; empty for a value that is no state.
    static std::string stateName(int state);
    // -1 for a name that is no state.
    static int stateValue(const std::string& name);
    static std::string kindName(int kind);
    static int kindValue(const std::string& name);
    // A genotype's kind (an OrganismKind::Value): "plant" besides the animals' kinds; -1 for none.
    static std::string genomeKindName(int kind);
    static int genomeKindValue(const std::string& name);
    static const std::vector<std::string>& markerKindNames();
    // The rows of the rescue table, in the order of the kinds.
    static const std::vector<std::string>& rescueKindNames();
};
