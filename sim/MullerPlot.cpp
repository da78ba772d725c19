#include "sim/MullerPlot.h"

#include "common/WholeFile.h"
#include "life/LifeState.h"
#include "sim/PhylogenyFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

const char* const POOL_COLOUR = "#d8d8d8";

std::string identity(const MullerPlot::Band& band, int panel) {
    return band.id == Genotype::NONE ? OrganismKind::plural(static_cast<OrganismKind::Value>(panel))
                                     : PhylogenyFiles::label(band.id);
}

} // namespace

int MullerPlot::panelOf(const Genome& genome) {
    return genome.organismKind();
}

std::string MullerPlot::colourOf(const Genome& genome) {
    // The organisms glow in (adrenaline or spawn radius, speed or offspring, spawn efficiency), each
    // trait / 100 + 0.5, which the display caps at full brightness.
    const auto channel = [&genome](int trait) {
        const double value = std::min(1.0, genome.traits[static_cast<size_t>(trait)] / 100.0 + 0.5);
        return static_cast<int>(value * 255.0 + 0.5);
    };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", channel(1), channel(0), channel(2));
    return text;
}

void MullerPlot::sample(const GenotypeTable& table, long tick) {
    ticks.push_back(tick);
    samples.emplace_back();
    for (const auto& entry : table.all()) {
        const Genotype& g = entry.second;
        if (g.living == 0)
            continue;
        samples.back().emplace_back(g.id, g.living);
        for (const Genotype* up = &g; up && known.count(up->id) == 0; up = table.find(up->parent))
            known.emplace(up->id, Known{up->parent, up->genome});
    }
}

std::array<std::vector<MullerPlot::Band>, MullerPlot::KINDS> MullerPlot::layout(double share) const {
    const size_t count = samples.size();
    std::vector<std::array<int, KINDS>> totals(count, {0, 0, 0});
    std::map<int, double> largest;
    for (size_t s = 0; s < count; ++s)
        for (const auto& member : samples[s])
            totals[s][static_cast<size_t>(panelOf(known.at(member.first).genome))] += member.second;
    for (size_t s = 0; s < count; ++s)
        for (const auto& member : samples[s]) {
            const int total = totals[s][static_cast<size_t>(panelOf(known.at(member.first).genome))];
            double& most = largest[member.first];
            most = std::max(most, static_cast<double>(member.second) / total);
        }
    const auto drawn = [&](int id) {
        const auto found = largest.find(id);
        return found != largest.end() && found->second >= share;
    };
    // The nearest drawn genotype at or above this one within the panel; NONE: the kind's pool.
    const auto anchor = [&](int id, int panel) {
        for (int at = id; at != Genotype::NONE;) {
            const auto found = known.find(at);
            if (found == known.end() || panelOf(found->second.genome) != panel)
                break;
            if (drawn(at))
                return at;
            at = found->second.parent;
        }
        return static_cast<int>(Genotype::NONE);
    };

    std::array<std::vector<Band>, KINDS> panels;
    std::array<std::map<int, std::vector<int>>, KINDS> children;
    for (const auto& entry : largest) {
        if (!drawn(entry.first))
            continue;
        const Known& k = known.at(entry.first);
        const int panel = panelOf(k.genome);
        children[static_cast<size_t>(panel)][anchor(k.parent, panel)].push_back(entry.first);
    }
    for (int panel = 0; panel < KINDS; ++panel) {
        std::vector<Band>& bands = panels[static_cast<size_t>(panel)];
        std::map<int, size_t> place;
        // Parents before children, children in the order they arose.
        const std::function<void(int, int)> add = [&](int id, int parent) {
            Band band;
            band.id = id;
            band.parent = parent;
            band.colour = id == Genotype::NONE ? POOL_COLOUR : colourOf(known.at(id).genome);
            band.low.assign(count, 0.0);
            band.high.assign(count, 0.0);
            band.members.assign(count, 0);
            place[id] = bands.size();
            bands.push_back(band);
            const auto found = children[static_cast<size_t>(panel)].find(id);
            if (found != children[static_cast<size_t>(panel)].end())
                for (int child : found->second)
                    add(child, id);
        };
        add(Genotype::NONE, Genotype::NONE);
        for (size_t s = 0; s < count; ++s)
            for (const auto& member : samples[s])
                if (panelOf(known.at(member.first).genome) == panel)
                    bands[place.at(anchor(member.first, panel))].members[s] += member.second;
        for (size_t s = 0; s < count; ++s) {
            const double total = totals[s][static_cast<size_t>(panel)];
            if (total == 0)
                continue;
            std::vector<double> clade(bands.size());
            for (size_t b = bands.size(); b-- > 0;) {
                clade[b] += bands[b].members[s] / total;
                if (b > 0)
                    clade[place.at(bands[b].parent)] += clade[b];
            }
            // Each band's children sit in its middle, half its own members below them, half above.
            std::vector<double> next(bands.size());
            for (size_t b = 0; b < bands.size(); ++b) {
                const double low = b == 0 ? 0.0 : next[place.at(bands[b].parent)];
                if (b > 0)
                    next[place.at(bands[b].parent)] += clade[b];
                bands[b].low[s] = low;
                bands[b].high[s] = low + clade[b];
                next[b] = low + bands[b].members[s] / total / 2.0;
            }
        }
    }
    return panels;
}

std::string MullerPlot::edgesTable(const std::array<std::vector<Band>, KINDS>& panels) {
    std::string text = "Parent,Identity\n";
    for (int panel = 0; panel < KINDS; ++panel)
        for (const Band& band : panels[static_cast<size_t>(panel)])
            if (band.id != Genotype::NONE)
                text += (band.parent == Genotype::NONE
                             ? std::string(OrganismKind::plural(static_cast<OrganismKind::Value>(panel)))
                             : PhylogenyFiles::label(band.parent)) +
                        "," + identity(band, panel) + "\n";
    return text;
}

std::string MullerPlot::populationsTable(const std::array<std::vector<Band>, KINDS>& panels) const {
    std::ostringstream out;
    out << "Identity,Population,Time\n";
    for (size_t s = 0; s < ticks.size(); ++s)
        for (int panel = 0; panel < KINDS; ++panel)
            for (const Band& band : panels[static_cast<size_t>(panel)])
                out << identity(band, panel) << "," << band.members[s] << "," << ticks[s] << "\n";
    return out.str();
}

std::string MullerPlot::dataFile(const std::array<std::vector<Band>, KINDS>& panels) const {
    std::ostringstream out;
    for (const auto& bands : panels)
        for (const Band& band : bands) {
            for (size_t s = 0; s < ticks.size(); ++s)
                out << ticks[s] << "," << band.low[s] << "," << band.high[s] << "\n";
            out << "\n\n";
        }
    return out.str();
}

std::string MullerPlot::script(const std::array<std::vector<Band>, KINDS>& panels) {
    // The bands' file is ARG1, the picture ARG2 and the title ARG3: no name is script text.
    std::string text = Gnuplot::pngPreamble(900, 800) + "set yrange [0:1]\n"
                                                        "set ytics 0.25\n"
                                                        "set lmargin 8\n"
                                                        "set style fill solid 1.0 border lc rgb '#505050'\n"
                                                        "set multiplot layout 3,1 title ARG3\n";
    int index = 0;
    for (int panel = 0; panel < KINDS; ++panel) {
        text += std::string("set title '") + OrganismKind::plural(static_cast<OrganismKind::Value>(panel)) +
                ": share of each genotype' textcolor rgb '" + Gnuplot::KIND_COLOURS[panel] + "'\n";
        text += panel == KINDS - 1 ? "set xlabel 'tick'\n" : "unset xlabel\n";
        text += "plot ";
        const auto& bands = panels[static_cast<size_t>(panel)];
        for (size_t b = 0; b < bands.size(); ++b)
            text += std::string(b ? ", \\\n     " : "") + "ARG1 index " + std::to_string(index++) +
                    " using 1:2:3 with filledcurves fc rgb '" + bands[b].colour + "' notitle";
        text += "\n";
    }
    return text + "unset multiplot\n";
}

std::string MullerPlot::tablePath(const std::string& pngFile, const std::string& table) {
    const size_t slash = pngFile.rfind('/');
    const size_t dot = pngFile.rfind('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (extension ? pngFile.substr(0, dot) : pngFile) + "-" + table + ".csv";
}

Gnuplot::Result MullerPlot::draw(const std::string& pngFile, double share, const std::string& title,
                                 std::string& error, std::vector<std::string>& tables) const {
    const auto panels = layout(share);
    const std::string edges = tablePath(pngFile, "edges");
    const std::string populations = tablePath(pngFile, "populations");
    if (!WholeFile::write(edges, edgesTable(panels), error))
        return Gnuplot::Result::Failed;
    tables.push_back(edges);
    if (!WholeFile::write(populations, populationsTable(panels), error))
        return Gnuplot::Result::Failed;
    tables.push_back(populations);
    if (ticks.empty())
        return Gnuplot::Result::Failed;
    char data[] = "/tmp/sylvara-muller-XXXXXX";
    const int fd = mkstemp(data);
    if (fd < 0) {
        error = std::string("cannot make a temporary file: ") + std::strerror(errno);
        return Gnuplot::Result::Failed;
    }
    close(fd);
    Gnuplot::Result result = Gnuplot::Result::Failed;
    if (WholeFile::write(data, dataFile(panels), error))
        result = Gnuplot::run(script(panels), data, pngFile, title, error);
    std::remove(data);
    return result;
}
