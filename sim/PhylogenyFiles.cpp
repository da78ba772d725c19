#include "sim/PhylogenyFiles.h"

#include "common/WholeFile.h"
#include "save/SavedWorldSchema.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// The genome columns: an animal's five traits, then a plant's two of its own (spawn efficiency and
// size are shared); a cell the kind lacks is empty.
const char* const TRAIT_COLUMNS = "speed,adrenaline,spawn_efficiency,size,prey_size,offspring,spawn_radius";

std::string traitCells(const Genome& g) {
    const auto cell = [&g](int trait) { return std::to_string(g.traits[static_cast<size_t>(trait)]); };
    if (g.kind == OrganismKind::PLANTS)
        return ",," + cell(2) + "," + cell(3) + ",," + cell(0) + "," + cell(1);
    return cell(0) + "," + cell(1) + "," + cell(2) + "," + cell(3) + "," + cell(4) + ",,";
}

} // namespace

std::string PhylogenyFiles::table(const GenotypeTable& genotypes, bool extantOnly) {
    std::ostringstream out;
    out << "id,ancestor_list,origin_time,destruction_time,kind," << TRAIT_COLUMNS
        << ",depth,total_organisms,peak_organisms,living_organisms\n";
    for (const Genotype* g : genotypes.sorted(extantOnly)) {
        out << g->id << ",[" << (g->parent == Genotype::NONE ? "none" : std::to_string(g->parent)) << "],"
            << g->origin << "," << (g->destruction == Genotype::NONE ? "" : std::to_string(g->destruction))
            << "," << SavedWorldSchema::genomeKindName(g->genome.kind) << "," << traitCells(g->genome) << ","
            << g->depth << "," << g->total << "," << g->peak << "," << g->living << "\n";
    }
    return out.str();
}

bool PhylogenyFiles::writeTable(const GenotypeTable& genotypes, bool extantOnly, const std::string& file,
                                std::string& error) {
    return WholeFile::write(file, table(genotypes, extantOnly), error);
}

std::string PhylogenyFiles::newick(const GenotypeTable& genotypes) {
    const std::vector<const Genotype*> kept = genotypes.sorted(true);
    std::map<int, std::vector<const Genotype*>> children;
    std::vector<const Genotype*> roots;
    for (const Genotype* g : kept)
        (g->parent == Genotype::NONE ? roots : children[g->parent]).push_back(g);
    const auto length = [&genotypes](const Genotype* g) {
        const Genotype* parent = genotypes.find(g->parent);
        return g->origin - (parent ? parent->origin : 0);
    };
    std::ostringstream out;
    out << "(";
    // Walked with a stack of its own: a lineage may be thousands of mutations deep. A genotype that
    // still lives and has descendants is also a tip of its own, at no distance.
    struct Frame {
        const Genotype* genotype;
        size_t next;
    };
    std::vector<Frame> stack;
    for (size_t r = 0; r < roots.size(); ++r) {
        out << (r ? "," : "");
        stack.push_back({roots[r], 0});
        if (children.count(roots[r]->id))
            out << "(";
        while (!stack.empty()) {
            Frame& top = stack.back();
            const auto found = children.find(top.genotype->id);
            const size_t count = found == children.end() ? 0 : found->second.size();
            if (top.next < count) {
                const Genotype* child = found->second[top.next++];
                out << (top.next > 1 ? "," : "");
                stack.push_back({child, 0});
                if (children.count(child->id))
                    out << "(";
                continue;
            }
            const Genotype* g = top.genotype;
            if (count > 0)
                out << (g->living > 0 ? "," + label(g->id) + ":0" : "") << ")";
            out << label(g->id) << ":" << length(g);
            stack.pop_back();
        }
    }
    out << ");\n";
    return out.str();
}

bool PhylogenyFiles::writeNewick(const GenotypeTable& genotypes, const std::string& file,
                                 std::string& error) {
    return WholeFile::write(file, newick(genotypes), error);
}
