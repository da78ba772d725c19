#pragma once

#include "common/Gnuplot.h"
#include "life/GenotypeTable.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

// Which genotypes hold how much of each kind over a run, sampled as it goes and drawn at the end:
// one panel per kind, each genotype that ever held a share of its kind a band as high as that share,
// drawn inside its parent genotype's band; a smaller one counts with its nearest drawn ancestor.
// Also the two tables R's ggmuller redraws it from.
class MullerPlot {
public:
    static constexpr double DEFAULT_SHARE = 0.05;
    static constexpr int KINDS = OrganismKind::COUNT;

    // The living members of every genotype now.
    void sample(const GenotypeTable& table, long tick);

    // One band of a panel: a genotype (or, with id NONE, the members of its kind no drawn genotype
    // takes in) and its lower and upper edge at every sample, as shares of the kind.
    struct Band {
        int id = Genotype::NONE;
        int parent = Genotype::NONE;
        std::string colour;
        std::vector<double> low;
        std::vector<double> high;
        // Its own members at every sample, those it takes in included.
        std::vector<int> members;
    };
    // The panels, herbivores, carnivores and plants, bands in drawing order (each after its parent).
    std::array<std::vector<Band>, KINDS> layout(double share) const;
    const std::vector<long>& getTicks() const { return ticks; }

    // The edges (Parent,Identity) and populations (Identity,Population,Time) tables.
    static std::string edgesTable(const std::array<std::vector<Band>, KINDS>& panels);
    std::string populationsTable(const std::array<std::vector<Band>, KINDS>& panels) const;
    std::string dataFile(const std::array<std::vector<Band>, KINDS>& panels) const;
    static std::string script(const std::array<std::vector<Band>, KINDS>& panels);

    // The PNG and, beside it, FILE-edges.csv and FILE-populations.csv (the .png dropped), each
    // whole or not at all; the tables written are added to tables. A file that could not be written
    // leaves the error naming it.
    Gnuplot::Result draw(const std::string& pngFile, double share, const std::string& title,
                         std::string& error, std::vector<std::string>& tables) const;
    static std::string tablePath(const std::string& pngFile, const std::string& table);
    // The glow of a genome as an RGB colour.
    static std::string colourOf(const Genome& genome);

private:
    struct Known {
        int parent;
        Genome genome;
    };
    // The panel a genome belongs to: 0 herbivores, 1 carnivores, 2 plants.
    static int panelOf(const Genome& genome);

    std::vector<long> ticks;
    // Per sample, each living genotype and its members.
    std::vector<std::vector<std::pair<int, int>>> samples;
    // Every genotype sampled and its ancestors, kept for the end even when the table prunes them.
    std::unordered_map<int, Known> known;
};
