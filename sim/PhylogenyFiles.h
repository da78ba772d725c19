#pragma once

#include "life/GenotypeTable.h"

#include <string>

// The genotype table as files other tools read: the phylogeny table of the artificial-life data
// standards, and the tree of the living genotypes in Newick.
class PhylogenyFiles {
public:
    // One row per genotype kept (only those with living descendants when extantOnly).
    static bool writeTable(const GenotypeTable& table, bool extantOnly, const std::string& file,
                           std::string& error);
    static std::string table(const GenotypeTable& table, bool extantOnly);
    // The genotypes with living members and their ancestors, branch lengths in ticks.
    static bool writeNewick(const GenotypeTable& table, const std::string& file, std::string& error);
    static std::string newick(const GenotypeTable& table);
    // The name a genotype goes by in the tree: g and its id.
    static std::string label(int id) { return "g" + std::to_string(id); }
};
